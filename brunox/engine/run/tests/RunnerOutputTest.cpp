// What a run writes: the per-thread result files and the executed-statement log.
#include <algorithm>
#include <cwctype>
#include <map>
#include <regex>

#include "RunnerTestSupport.h"
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "brunox/engine/run/StatementLog.h"
#include "mervis/Log.h"
#include "mervis/Macros.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace runnertest {
namespace {

class Output : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    Exec(L"create table r(id int, name varchar(20))");
    Exec(L"insert into r values (1, 'Anna'), (2, null), (3, '\u65e5\u672c\u8a9e')");
    results_ = folder_ + L"/results";
    ASSERT_TRUE(platform::MakeDirectories(results_));
  }
  Task& AddSaving(int threads, int rows, int allRows) {
    Task& task = AddTask(L"save", L"select id, name from r order by id", threads, 1);
    task.bSaveThreadResults = 1;
    task.ResultsDirectory = results_;
    task.Rows = rows;
    task.AllRows = allRows;
    return task;
  }
  std::string Result(int task, int thread) {
    return FileBytes(results_ + platform::Format(L"/Task_%d_Thread_%d.txt", task, thread));
  }
  // The RowsFetched field of every data line of the statement log.
  std::vector<std::wstring> LoggedRows() {
    std::vector<std::wstring> rows;
    for (const std::wstring& line : CrLfLines(Utf16File(project_.SQLFile))) {
      const auto fields = platform::Split(line, L'\t');
      if (fields.size() >= 8 && fields[0] != L"TaskNo") rows.push_back(fields[4]);
    }
    return rows;
  }
  std::wstring results_;
};

TEST_F(Output, ResultFilesHoldTheFetchedRowsOfEachThread) {
  AddSaving(2, 0, 1);
  RunProject();
  const std::string expected = platform::ToUtf16Le(L"1\tAnna\r\n2\t\r\n3\t\u65e5\u672c\u8a9e\r\n");
  EXPECT_EQ(expected, Result(0, 0));
  EXPECT_EQ(expected, Result(0, 1));
}

TEST_F(Output, ARowLimitSavesEveryRowItCounts) {
  project_.SQLFile = folder_ + L"/log.txt";
  const std::wstring lines[] = {L"1\tAnna\r\n", L"2\t\r\n", L"3\t\u65e5\u672c\u8a9e\r\n"};
  std::wstring expected;
  for (int rows : {1, 2, 3}) {
    SCOPED_TRACE(rows);
    project_.Tasks.clear();
    AddSaving(1, rows, 0);
    RunProject();
    expected += lines[rows - 1];
    EXPECT_EQ(platform::ToUtf16Le(expected), Result(0, 0));
    EXPECT_EQ((std::vector<std::wstring>{platform::FromInt(rows)}), LoggedRows());
  }
}

TEST_F(Output, ColumnValuesAreCutAtTheBlobLimit) {
  project_.MaxBlobBytes = 2;
  AddSaving(1, 0, 1);
  RunProject();
  EXPECT_EQ(platform::ToUtf16Le(L"1\tAn\r\n2\t\r\n3\t\u65e5\u672c\r\n"), Result(0, 0));
}

TEST_F(Output, NoResultFileWithoutItsFolder) {
  AddSaving(1, 0, 1).ResultsDirectory = folder_ + L"/missing";
  RunProject();
  EXPECT_FALSE(platform::FileExists(folder_ + L"/missing/Task_0_Thread_0.txt"));
  EXPECT_EQ(1, runner_->TotalExecs);
}

TEST_F(Output, StatementLogBytes) {
  project_.SQLFile = folder_ + L"/log.txt";
  Task& task = AddTask(L"three",
                       L"select id from r where id = 1;\r\nupdate r set name = 'Bo'\r\n where id = 2;"
                       L"\r\ninsert into nosuch values (1);\r\n",
                       1, 2);
  task.UseParser = 1;
  AddTask(L"lf", L"select name\nfrom r where id = 3 ;  \r\n", 1, 1);
  RunProject(1);
  EXPECT_TRUE(runner_->StatementLogComplete());
  const std::string bytes = FileBytes(project_.SQLFile);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
  const std::wstring text = Utf16File(project_.SQLFile);
  EXPECT_TRUE(platform::EndsWith(text, L"\r\n"));
  const auto lines = CrLfLines(text);
  ASSERT_EQ(7u, lines.size()) << platform::ToUtf8(text);
  const std::wstring header =
      L"TaskNo\tTaskName\tThread\tSQL\tRowsFetched\tExecTime\tFetchTime\tTimestamp";
  EXPECT_EQ(header, lines[0]);
  EXPECT_EQ(header, lines[5]) << "a header before the second step";
  const std::wregex data(
      L"([0-9]+)\t([a-z]+)\t1\t([^\t]*)\t([0-9]+)\t[0-9]+\\.[0-9]{3}\t[0-9]+\\.[0-9]{3}\t"
      L"[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9]{3}");
  std::vector<std::wstring> statements, taskNos, rows;
  for (size_t i : {1, 2, 3, 4, 6}) {
    std::wsmatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, data)) << platform::ToUtf8(lines[i]);
    taskNos.push_back(m[1].str());
    statements.push_back(m[3].str());
    rows.push_back(m[4].str());
  }
  // Two rounds of two logged statements: the failing third writes no line. A CR LF inside a
  // statement becomes a blank, a lone LF stays, and the end of a statement loses its CR LF.
  EXPECT_EQ((std::vector<std::wstring>{L"select id from r where id = 1",
                                       L"update r set name = 'Bo'  where id = 2",
                                       L"select id from r where id = 1",
                                       L"update r set name = 'Bo'  where id = 2",
                                       L"select name\nfrom r where id = 3 ;"}),
            statements);
  EXPECT_EQ((std::vector<std::wstring>{L"1", L"1", L"1", L"1", L"2"}), taskNos);
  EXPECT_EQ((std::vector<std::wstring>{L"1", L"0", L"1", L"0", L"1"}), rows);
}

// The window reads the log's name from its own thread (in the run's idle callback) while the
// master thread opens the log for each step.
TEST_F(Output, StatementLogPathCanBeReadWhileTheRunOpensTheLog) {
  project_.SQLFile = folder_ + L"/log.txt";
  AddTask(L"one", L"select 1", 2, 20);
  AddTask(L"two", L"select 2", 2, 20);
  std::size_t seen = 0;
  recorder_.react = [&](const RunEventRecord& event) {
    if (event.code == kRunIdle) seen += runner_->StatementLogPath().size();
    return 0;
  };
  RunProject(1);
  EXPECT_EQ(project_.SQLFile, runner_->StatementLogPath());
  EXPECT_EQ(L"", runner_->StatementLogFailure());
  (void)seen;
}

TEST_F(Output, StatementLogThatCannotBeMadeSaysWhy) {
  project_.SQLFile = folder_ + L"/no-such-folder/log.txt";
  AddTask(L"one", L"select 1", 1, 2);
  RunProject();
  EXPECT_FALSE(runner_->StatementLogComplete());
  EXPECT_EQ(L"cannot be created: No such file or directory", runner_->StatementLogFailure());
}

// The time fields of a log's data lines with every digit replaced by '#': all that may differ
// between two runs of the same project.
std::wstring WithoutTimes(const std::wstring& text) {
  std::wstring out;
  for (const std::wstring& line : CrLfLines(text)) {
    std::vector<std::wstring> fields = platform::Split(line, L'\t');
    if (fields.size() >= 8 && fields[0] != L"TaskNo") {
      for (size_t i = 5; i <= 7; ++i)
        std::replace_if(fields[i].begin(), fields[i].end(), [](wchar_t c) { return iswdigit(c); }, L'#');
    }
    for (size_t i = 0; i < fields.size(); ++i) out += (i ? L"\t" : L"") + fields[i];
    out += L"\r\n";
  }
  return out;
}

// A fixed run: the file's bytes, but for the times, are those of the stored expectation (names
// and statements beyond the Basic Multilingual Plane, CR LF inside and at the end of a statement,
// a lone LF, a header before each step).
TEST_F(Output, StatementLogMatchesTheStoredBytes) {
  project_.SQLFile = folder_ + L"/log.txt";
  AddTask(L"\u00dcn\u00ef \U0001D11E", L"select id, name from r order by id;\r\n", 1, 2);
  AddTask(L"lines", L"select name\r\nfrom r\nwhere id <= 2 \r\n", 1, 1);
  AddTask(L"write", L"update r set name = '\u20ac\U0001D11E' where id = 3", 1, 1);
  RunProject(1);
  ASSERT_TRUE(runner_->StatementLogComplete());
  const std::string bytes = FileBytes(project_.SQLFile);
  ASSERT_EQ(bytes, platform::ToUtf16Le(platform::FromUtf16Le(bytes))) << "valid UTF-16LE";
  const std::string expected =
      FileBytes(platform::FromUtf8(BRUNOX_ENGINE_TEST_DATA) + L"/statement_log.golden");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected, "\xFF\xFE" + platform::ToUtf16Le(WithoutTimes(Utf16File(project_.SQLFile))))
      << platform::ToUtf8(Utf16File(project_.SQLFile));
}

// Many threads' lines, more than one block of the file: every line arrives whole.
TEST_F(Output, StatementLogKeepsEveryLineOfABusyRun) {
  project_.SQLFile = folder_ + L"/log.txt";
  AddTask(L"busy", L"select 1", 4, 1500);
  RunProject();
  const auto lines = CrLfLines(Utf16File(project_.SQLFile));
  ASSERT_EQ(1u + 4 * 1500, lines.size());
  std::map<std::wstring, int> perThread;
  const std::wregex data(
      L"1\tbusy\t([1-4])\tselect 1\t1\t[0-9]+\\.[0-9]{3}\t[0-9]+\\.[0-9]{3}\t"
      L"[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9]{3}");
  for (size_t i = 1; i < lines.size(); ++i) {
    std::wsmatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, data)) << i << ": " << platform::ToUtf8(lines[i]);
    ++perThread[m[1].str()];
  }
  EXPECT_EQ((std::map<std::wstring, int>{{L"1", 1500}, {L"2", 1500}, {L"3", 1500}, {L"4", 1500}}),
            perThread);
}

TEST_F(Output, StatementLogNameTakesDateMacrosAndIsReplacedByTheNextRun) {
  project_.SQLFile = folder_ + L"/log_$YEAR$.txt";
  AddTask(L"one", L"select 1", 1, 3);
  RunProject();
  const std::wstring path = DateAndTimeMacros(project_.SQLFile, 0, 0);
  EXPECT_EQ(4u, CrLfLines(Utf16File(path)).size());
  EXPECT_EQ(path, runner_->StatementLogPath());
  project_.Tasks[0].ExecCntr = 1;
  RunProject();
  EXPECT_EQ(2u, CrLfLines(Utf16File(path)).size());
}

TEST_F(Output, AStatementLogThatCannotBeCreatedLosesItsLinesOnly) {
  project_.SQLFile = folder_ + L"/no/such/folder/log.txt";
  AddTask(L"one", L"select 1", 2, 3);
  RunProject();
  EXPECT_EQ(6, runner_->TotalExecs);
  EXPECT_FALSE(platform::FileExists(project_.SQLFile));
  EXPECT_FALSE(runner_->StatementLogComplete());
}

// The open succeeds and the writes seem to, until the buffer goes to the device: the loss must
// still be noticed (at the latest when the file is closed) and logged once.
TEST_F(Output, AStatementLogOnAFullDeviceIsReportedIncomplete) {
  const std::wstring link = folder_ + L"/full.txt";
  ASSERT_EQ(0, symlink("/dev/full", platform::ToUtf8(link).c_str()));
  project_.SQLFile = link;
  AddTask(L"one", L"select 1", 2, 3);
  CLog::Open(folder_ + L"/brunox.log", 0);
  RunProject();
  CLog::Close();
  EXPECT_EQ(6, runner_->TotalExecs) << "the run goes on";
  EXPECT_FALSE(runner_->StatementLogComplete());
  std::wstring log;
  ASSERT_TRUE(platform::ReadTextFile(folder_ + L"/brunox.log", log));
  size_t mentions = 0;
  for (size_t at = log.find(L"is incomplete"); at != std::wstring::npos;
       at = log.find(L"is incomplete", at + 1))
    ++mentions;
  EXPECT_EQ(1u, mentions) << platform::ToUtf8(log);
  EXPECT_NE(std::wstring::npos, log.find(L"No space left on device")) << platform::ToUtf8(log);

  // The next run starts with a complete log again.
  project_.SQLFile = folder_ + L"/log.txt";
  RunProject();
  EXPECT_TRUE(runner_->StatementLogComplete());
}

// A disk that fills up in the middle of a block: the file ends with its last whole line, not in
// the middle of a field. The process's file size limit stands for the full disk.
TEST_F(Output, AStatementLogOnADiskThatFillsUpEndsWithAWholeLine) {
  const std::wstring path = folder_ + L"/log.txt";
  LogClock clock;
  clock.hour = clock.minute = clock.second = 1;
  clock.millisecond = 2;
  std::string fields;
  AppendStatementLogFields(fields, 0, L"t", 0, L"select 1", 1, 0.1, 0.2, clock);
  const std::size_t lineBytes = fields.size() + 4;
  const std::wstring header = StatementLogHeader(project_);

  constexpr rlim_t kLimit = 300001;  // past the first block, in the middle of a line
  rlimit saved{};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < kLimit) GTEST_SKIP() << "hard limit";
  StatementLog log;
  ASSERT_TRUE(log.Open(path));
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = kLimit;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  bool ok = log.Write(header);
  for (int i = 0; i < 10000; ++i) ok = log.AppendLine(fields, project_) && ok;
  ok = log.Close() && ok;
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(ok);
  EXPECT_EQ(L"write failed: File too large", log.FailureText());
  const std::string bytes = FileBytes(path);
  const std::size_t lines = (bytes.size() - 2 - 2 * header.size()) / lineBytes;
  EXPECT_GT(lines, 0u);
  EXPECT_EQ(2 + 2 * header.size() + lines * lineBytes, bytes.size()) << "whole lines only";
  EXPECT_LE(bytes.size(), kLimit);
  EXPECT_GT(bytes.size() + lineBytes, kLimit - 1) << "every whole line that fitted is kept";
}

// The file the run writes is no longer the log once it was removed, or another file took its
// name: its lines are lost to whoever reads the log.
TEST_F(Output, AStatementLogRemovedOrReplacedDuringTheRunIsIncomplete) {
  project_.SQLFile = folder_ + L"/log.txt";
  project_.DoType = kRunSeconds;
  project_.Seconds = L"1";
  AddTask(L"one", L"select 1", 1, 0);
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace);
    bool done = false;
    recorder_.react = [&](const RunEventRecord& event) {
      // The first progress comes from the master thread after the log was opened.
      if (event.code == kRunProgress && !done) {
        done = true;
        const std::string log = platform::ToUtf8(project_.SQLFile);
        if (replace) {
          WriteText(folder_ + L"/other.txt", L"other");
          EXPECT_EQ(0, rename(platform::ToUtf8(folder_ + L"/other.txt").c_str(), log.c_str()));
        } else {
          EXPECT_EQ(0, unlink(log.c_str()));
        }
      }
      return 0;
    };
    RunProject();
    EXPECT_TRUE(done);
    EXPECT_FALSE(runner_->StatementLogComplete());
    EXPECT_EQ(replace ? L"another file took its place during the run"
                      : L"it was removed during the run",
              runner_->StatementLogFailure());
  }
}

TEST(StatementLogFormat, SqlOnOneLine) {
  const struct {
    const wchar_t* sql;
    const wchar_t* logged;
  } cases[] = {
      {L"select 1;\r\n", L"select 1;"},
      {L"a\r\nb", L"a b"},
      {L"a\nb", L"a\nb"},
      {L"a \r\n\r\n  \n", L"a"},
      {L"a\r\n\r\nb", L"a  b"},
      {L"\ta\t", L" a "},
      {L"a\t\r\n\tb", L"a   b"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.logged, StatementLogSql(c.sql)) << platform::ToUtf8(c.sql);
}

// A whole data line as the log writes it: the fields a worker builds, then the end the log adds.
std::wstring LogLine(const Project& project, int taskIndex, const std::wstring& taskName,
                     int threadNo, const std::wstring& sql, int rows, double execTime,
                     double fetchTime, const LogClock& clock) {
  std::string bytes;
  AppendStatementLogFields(bytes, taskIndex, taskName, threadNo, sql, rows, execTime, fetchTime,
                           clock);
  AppendStatementLogEnd(bytes, project);
  return platform::FromUtf16Le(bytes);
}

TEST(StatementLogFormat, CountersAfterTheTimestamp) {
  Project project;
  project.Counters[0].Enabled = 1;
  project.Counters[0].Title = L"CPU";
  project.Counters[0].Samples = {7, 42};
  project.Counters[1].Title = L"off";
  project.Counters[1].Samples = {5};
  project.Counters[2].Enabled = 1;
  project.Counters[2].Title = L"Memory";
  project.Counters[3].Enabled = 1;
  project.Counters[3].Title = L"Threads";
  project.Counters[3].Samples = {4294967295u};  // a failed reading
  LogClock clock;
  clock.hour = 9;
  clock.minute = 5;
  clock.second = 3;
  clock.millisecond = 7;
  const std::wstring plain = L"2\tTask\t5\tselect 1\t10\t0.125\t1.000\t09:05:03.007\r\n";
  EXPECT_EQ(plain, LogLine(project, 1, L"Task", 4, L"select 1\r\n", 10, 0.1254, 0.9999, clock));
  EXPECT_EQ(plain, LogLine(project, 1, L"Task", 4, L"select\t1", 10, 0.1254, 0.9999, clock))
      << "a tab inside the statement would shift every later field";
  EXPECT_EQ(L"2\tTa sk one two three\t5\tselect 1\t10\t0.125\t1.000\t09:05:03.007\r\n",
            LogLine(project, 1, L"Ta\tsk\r\none\rtwo\nthree", 4, L"select 1", 10, 0.1254, 0.9999,
                    clock))
      << "a task name keeps its line to one line and its fields to eight";
  EXPECT_EQ(L"TaskNo\tTaskName\tThread\tSQL\tRowsFetched\tExecTime\tFetchTime\tTimestamp\r\n",
            StatementLogHeader(project));
  project.pcIsSQL = 1;
  EXPECT_EQ(L"2\tTask\t5\tselect 1\t10\t0.125\t1.000\t09:05:03.007\t42\t-1\r\n",
            LogLine(project, 1, L"Task", 4, L"select 1", 10, 0.1254, 0.9999, clock));
  EXPECT_EQ(
      L"TaskNo\tTaskName\tThread\tSQL\tRowsFetched\tExecTime\tFetchTime\tTimestamp\tCPU\tMemory\t"
      L"Threads\r\n",
      StatementLogHeader(project));
  EXPECT_EQ(L"1\tT\t1\tx\t0\t0.000\t0.000\t-1:-1:-1.-01\r\n",
            LogLine(Project(), 0, L"T", 0, L"x", 0, 0, 0, LogClock()))
      << "a time that cannot be converted";
}

}  // namespace
}  // namespace runnertest
