#include "RunnerTestSupport.h"

#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace runnertest {

RunCallback EventRecorder::Callback() {
  return [this](int code, int a, int b, const std::wstring& p, const std::wstring& s) {
    RunEventRecord event{code, a, b, p, s};
    int answer = 0;
    {
      std::lock_guard lock(mutex_);
      if (code != kRunIdle) events_.push_back(event);
      if (code == kRunAddThreadRow && numberRows) answer = nextRow_++;
    }
    if (react) {
      const int reacted = react(event);
      if (code != kRunAddThreadRow || reacted != 0) answer = reacted;
    }
    return answer;
  };
}

std::vector<RunEventRecord> EventRecorder::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<RunEventRecord> EventRecorder::Events(int code) const {
  std::vector<RunEventRecord> out;
  for (const RunEventRecord& e : Events())
    if (e.code == code) out.push_back(e);
  return out;
}

int EventRecorder::Count(int code) const { return static_cast<int>(Events(code).size()); }

CONN_INFO SqliteInfo(const std::wstring& file) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(file);
  return info;
}

CONN_INFO PostgresInfo() {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::PostgresConnString();
  return info;
}

void RunnerTest::SetUp() {
  dbFile_ = testsupport::NewScratchPath(L"run.sqlite");
  folder_ = platform::FolderPart(dbFile_);
  UseMainConnection(SqliteInfo(dbFile_));
  project_.Console = 1;
  project_.DoType = kRunByTaskCounts;
  project_.StatPeriod = 1;
  project_.Callback = recorder_.Callback();
}

void RunnerTest::TearDown() {
  delete mainDb_;
  mainDb_ = nullptr;
}

void RunnerTest::UseMainConnection(const CONN_INFO& info) {
  delete mainDb_;
  mainInfo_ = info;
  mainDb_ = CDB::newDB(info.DsType);
  ASSERT_NE(nullptr, mainDb_);
  CONN_INFO copy = info;
  ASSERT_EQ(0, mainDb_->OpenConnection(&copy)) << platform::ToUtf8(mainDb_->ErrorText);
  project_.DefConnection = info;
  project_.MainDB = mainDb_;
}

Task& RunnerTest::AddTask(const std::wstring& name, const std::wstring& sql, int threads,
                          int execCntr) {
  Task task;
  task.Name = name;
  task.SQL = sql;
  task.Threads = threads;
  task.ExecCntr = execCntr;
  task.Rows = 0;
  task.AllRows = 1;
  task.Delay = task.DelayMax = 0;
  task.SQLDelay = 0;
  task.Priority = kPriorityNormal;
  task.UseParser = 0;
  project_.Tasks.push_back(task);
  return project_.Tasks.back();
}

double RunnerTest::RunProject(int runMode) {
  runner_->RunMode = runMode;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, runner_->Run(&project_));
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::wstring RunnerTest::Scalar(const std::wstring& sql) {
  std::wstring value;
  if (mainDb_->Execute(sql, nullptr) != 0) {
    ADD_FAILURE() << platform::ToUtf8(sql) << ": " << platform::ToUtf8(mainDb_->ErrorText);
    return value;
  }
  if (mainDb_->Fetch(nullptr) == 0) mainDb_->GetColumnText(1, &value, nullptr, nullptr, 0);
  mainDb_->CloseCursor(nullptr);
  return value;
}

int RunnerTest::ScalarInt(const std::wstring& sql) { return platform::ToInt(Scalar(sql)); }

std::vector<std::wstring> RunnerTest::Rows(const std::wstring& sql) {
  std::vector<std::wstring> rows;
  if (mainDb_->Execute(sql, nullptr) != 0) {
    ADD_FAILURE() << platform::ToUtf8(sql) << ": " << platform::ToUtf8(mainDb_->ErrorText);
    return rows;
  }
  int columns = 0;
  mainDb_->ColumnCount(&columns, nullptr);
  while (mainDb_->Fetch(nullptr) == 0) {
    std::wstring row;
    for (int c = 1; c <= columns; ++c) {
      std::wstring value;
      mainDb_->GetColumnText(c, &value, nullptr, nullptr, 0);
      if (c > 1) row += L'|';
      row += value;
    }
    rows.push_back(row);
  }
  mainDb_->CloseCursor(nullptr);
  return rows;
}

void RunnerTest::Exec(const std::wstring& sql) {
  ASSERT_EQ(0, mainDb_->Execute(sql, nullptr))
      << platform::ToUtf8(sql) << ": " << platform::ToUtf8(mainDb_->ErrorText);
  mainDb_->CloseCursor(nullptr);
}

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  platform::ReadFileBytes(path, bytes);
  return bytes;
}

std::wstring Utf16File(const std::wstring& path) {
  std::string bytes = FileBytes(path);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    bytes.erase(0, 2);
  return platform::FromUtf16Le(bytes);
}

void WriteText(const std::wstring& path, const std::wstring& text) {
  ASSERT_TRUE(platform::WriteTextFileUtf8(path, text));
}

std::vector<std::wstring> CrLfLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

}  // namespace runnertest
