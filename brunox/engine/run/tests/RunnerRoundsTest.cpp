// What counts as an execution: rounds that execute nothing, rounds that fail and go on at once,
// scripts that cannot be read, and a deep pattern rendered on a worker's small stack.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>

#include "RunnerTestSupport.h"
#include "mervis/Log.h"
#include "platform/Text.h"

namespace runnertest {
namespace {

class Rounds : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    // Runs that should end by themselves; should one not, it is stopped after 20 s.
    project_.DoType = kRunUntilStopped;
    recorder_.react = [this](const RunEventRecord& e) {
      if (e.code == kRunProgress && e.a >= 20) runner_->Stop = 1;
      return 0;
    };
  }
  void ExpectThreadsFailed(int threads) {
    for (int i = 0; i < threads; ++i) {
      EXPECT_EQ(kWorkerFailed, runner_->Record(i).State) << "thread " << i;
      EXPECT_EQ(0, runner_->Record(i).Execs) << "thread " << i;
    }
  }
};

TEST_F(Rounds, AScriptWithoutAStatementEndsItsThreadsAtOnceAsFailed) {
  const struct {
    const wchar_t* sql;
    int useParser;
  } cases[] = {{L"", 0}, {L"  \r\n", 0}, {L";\n;", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.sql));
    project_.Tasks.clear();
    AddTask(L"empty", c.sql, 2, 1).UseParser = c.useParser;
    EXPECT_LT(RunProject(), 5.0) << "an endless run of nothing would spin";
    EXPECT_EQ(0, runner_->TotalExecs);
    EXPECT_EQ(0, runner_->FailedRounds);
    ExpectThreadsFailed(2);
    EXPECT_NE(std::wstring::npos,
              CLog::GetLastRows().find(L"The script of task 'empty' holds no statement"));
  }
}

TEST_F(Rounds, AScriptFileThatCannotBeReadFailsItsThreadsWithItsPath) {
  const std::wstring fifo = folder_ + L"/script.fifo";
  ASSERT_EQ(0, mkfifo(platform::ToUtf8(fifo).c_str(), 0600));
  for (const std::wstring& path : {fifo, std::wstring(L"/dev/zero"), folder_ + L"/missing.sql"}) {
    SCOPED_TRACE(platform::ToUtf8(path));
    project_.Tasks.clear();
    Task& task = AddTask(L"file", L"select 1", 2, 1);
    task.UseFileSQL = 1;
    task.sqlFile = path;
    EXPECT_LT(RunProject(), 5.0) << "neither blocks nor reads for ever";
    EXPECT_EQ(0, runner_->TotalExecs);
    ExpectThreadsFailed(2);
    EXPECT_NE(std::wstring::npos,
              CLog::GetLastRows().find(L"Could not read the script file '" + path + L"'"));
  }
}

TEST_F(Rounds, FailedRoundsAreCountedApartFromExecutions) {
  // Every other line names a column that does not exist.
  const std::wstring values = folder_ + L"/values.txt";
  WriteText(values, L"1\nnosuch_column\n");
  project_.DoType = kRunByTaskCounts;
  Task& task = AddTask(L"every other", L"select ?1", 2, 10);
  task.File = values;
  task.TDU = kEachThreadReadsFile;
  task.ParamType = kParamsFromFile;
  RunProject();
  EXPECT_EQ(10, runner_->TotalExecs);
  EXPECT_EQ(10, runner_->FailedRounds);
  for (int i = 0; i < 2; ++i) {
    const ThreadInfo& record = runner_->Record(i);
    EXPECT_EQ(5, record.Execs);
    EXPECT_EQ(kWorkerFailed, record.State);
    EXPECT_LT(record.MinTime, 40960.0) << "the good rounds are timed";
  }
  int reported = 0;
  for (const RunEventRecord& e : recorder_.Events(kRunThreadState)) reported += e.b > 0 ? 1 : 0;
  EXPECT_EQ(10, reported) << "every execution is reported, a failed round is none";
}

// An error-path load: a pause after each failure (10 ms doubling to 1 s) would stretch these 40
// rounds a thread over half a minute, and the fixture stops the run after 20 s.
TEST_F(Rounds, AFailedStatementGoesOnWithTheNextRoundAtOnce) {
  project_.DoType = kRunByTaskCounts;
  project_.StopOnError = 0;
  AddTask(L"failing", L"select nosuch_column", 2, 40);
  RunProject();
  EXPECT_EQ(2 * 40, runner_->FailedRounds) << "the run was stopped before its rounds were through";
  EXPECT_EQ(0, runner_->TotalExecs);
}

// Failing round after round, thousands of times a second on every thread, must not fill the
// disk: the program log writes a failure in full a few times, then counts it, and what it writes
// and counts adds up to the failed rounds.
TEST_F(Rounds, RepeatsOfAFailureAreCountedInsteadOfWrittenEachTime) {
  const std::wstring logFile = folder_ + L"/brunox.log";
  CLog::Open(logFile, 0);
  project_.DoType = kRunByTaskCounts;
  project_.StopOnError = 0;
  AddTask(L"failing", L"select nosuch_column", 4, 1000);
  RunProject();
  CLog::Close();
  ASSERT_EQ(4 * 1000, runner_->FailedRounds);
  const std::string log = FileBytes(logFile);
  EXPECT_LT(log.size(), 16u * 1024) << "a line for each failure is over half a megabyte";
  static const std::regex counted(
      R"(ERROR Repeated (\d+) more times .*: task#1 'failing': Wrong stmt: \[HY000\])");
  std::int64_t lines = 0, counts = 0;
  std::istringstream text(log);
  for (std::string line; std::getline(text, line);) {
    lines += line.find("ERROR Wrong stmt:: select nosuch_column") != std::string::npos;
    std::smatch m;
    if (std::regex_search(line, m, counted)) counts += std::stoll(m[1]);
  }
  EXPECT_GT(lines, 0) << log;
  EXPECT_EQ(runner_->FailedRounds, lines + counts) << log;
}

TEST_F(Rounds, AStopDuringThePreparationEndsTheRunWithoutConnectingTheRest) {
  AddTask(L"many", L"select 1", 2000, 1);
  recorder_.react = [this](const RunEventRecord& e) {
    if (e.code == kRunAddThreadRow && e.a == 50) runner_->Stop = 1;
    return 0;
  };
  const double seconds = RunProject();
  EXPECT_LT(seconds, 5.0);
  EXPECT_LE(runner_->ThreadsOfLastRun, 51);
  EXPECT_EQ(0, runner_->TotalExecs) << "the workers see the stop before they connect";
  for (int i = 0; i < runner_->ThreadsOfLastRun; ++i)
    EXPECT_EQ(kWorkerStoppedBeforeConnect, runner_->Record(i).State);
  int stopped = 0;
  for (const RunEventRecord& e : recorder_.Events(kRunThreadState))
    stopped += e.b == kThreadStopped;
  EXPECT_EQ(runner_->ThreadsOfLastRun, stopped) << "each shows it was stopped";
}

// A pattern nested as deep as the engine allows (64 levels), rendered by the worker on its
// 256 KiB stack.
TEST_F(Rounds, ADeepPatternRendersOnAWorkerStack) {
  constexpr int kDepth = 64;
  std::wstring pattern = L"x";
  for (int i = 0; i < kDepth; ++i) pattern = L"$upper(" + pattern + L")";
  Exec(L"create table deep(v varchar(10))");
  project_.DoType = kRunByTaskCounts;
  Task& task = AddTask(L"deep", L"insert into deep values ('?1')", 2, 3);
  task.ParamType = kParamsGenerated;
  TaskParam param;
  param.PropTempl = pattern;
  task.Params.push_back(param);
  RunProject();
  EXPECT_TRUE(ui_.messages.empty())
      << (ui_.messages.empty() ? "" : platform::ToUtf8(ui_.messages[0].text));
  EXPECT_EQ((std::vector<std::wstring>{L"X|6"}), Rows(L"select v, count(*) from deep group by v"));
}

}  // namespace
}  // namespace runnertest
