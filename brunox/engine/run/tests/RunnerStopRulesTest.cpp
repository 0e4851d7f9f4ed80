// How long a run lasts: the six run modes and their stop rules, on real SQLite files.
#include <algorithm>
#include <cstdio>
#include <map>

#include "RunnerTestSupport.h"
#include "platform/Text.h"

namespace runnertest {
namespace {

// The markers t0 .. t<n-1>, one line each: with one line per thread every thread inserts its own.
std::wstring MarkerFile(const std::wstring& folder, int threads) {
  std::wstring text;
  for (int i = 0; i < threads; ++i) text += L"t" + platform::FromInt(i) + L"\n";
  const std::wstring path = folder + L"/markers.txt";
  WriteText(path, text);
  return path;
}

std::map<int, int> FinalStates(const EventRecorder& recorder) {
  std::map<int, int> count;  // state -> threads
  for (const RunEventRecord& e : recorder.Events(kRunThreadState))
    if (e.b < 0 && e.b != kThreadPaused) ++count[e.b];
  return count;
}

TEST_F(RunnerTest, UntilStoppedRunsPastTheTaskCountsUntilTheStopFlag) {
  project_.DoType = kRunUntilStopped;
  AddTask(L"select", L"select 1", 3, 2);
  recorder_.react = [this](const RunEventRecord& e) {
    if (e.code == kRunProgress && e.b >= 20) runner_->Stop = 1;
    return 0;
  };
  RunProject();
  EXPECT_GE(runner_->TotalExecs, 20) << "the task's count of 2 does not apply";
  EXPECT_EQ((std::map<int, int>{{kThreadStopped, 3}}), FinalStates(recorder_));
  std::int64_t sum = 0;
  for (int i = 0; i < 3; ++i) sum += runner_->Record(i).Execs;
  EXPECT_EQ(runner_->TotalExecs, sum);
}

TEST_F(RunnerTest, TaskCountsGiveExactlyTheirExecutions) {
  Exec(L"create table t(task varchar(5))");
  AddTask(L"A", L"insert into t values ('A')", 3, 4);
  AddTask(L"B", L"insert into t values ('B')", 2, 5);
  RunProject();
  EXPECT_EQ(12, ScalarInt(L"select count(*) from t where task = 'A'"));
  EXPECT_EQ(10, ScalarInt(L"select count(*) from t where task = 'B'"));
  EXPECT_EQ(22, runner_->TotalExecs);
  EXPECT_EQ((std::map<int, int>{{kThreadFinished, 5}}), FinalStates(recorder_));
  int rounds = 0;
  for (const RunEventRecord& e : recorder_.Events(kRunThreadState)) rounds += e.b > 0 ? 1 : 0;
  EXPECT_EQ(22, rounds) << "one report per round";
  EXPECT_EQ(5, runner_->ThreadsOfLastRun);
}

TEST_F(RunnerTest, SecondsEndTheRunOnTime) {
  project_.DoType = kRunSeconds;
  project_.Seconds = L"2";
  // Under ThreadSanitizer a connect costs tens of milliseconds and connects take turns, so 200
  // threads would spend the two seconds connecting; fewer show the same rule.
#if defined(__SANITIZE_THREAD__)
  const int threads = 20;
#else
  const int threads = 200;
#endif
  Task& task = AddTask(L"select", L"select 1", threads, 1);
  task.Delay = task.DelayMax = 5;
  const double seconds = RunProject();
  std::printf("[ info ] %d threads for Seconds=2: the run took %.3f s, %lld executions\n", threads,
              seconds, static_cast<long long>(runner_->TotalExecs.load()));
  EXPECT_GE(seconds, 2.0);
  EXPECT_LT(seconds, 3.0) << "ends shortly after two seconds";
  EXPECT_GT(runner_->TotalExecs, threads) << "past the task's count of 1";
  EXPECT_EQ((std::map<int, int>{{kThreadStopped, threads}}), FinalStates(recorder_));
}

TEST_F(RunnerTest, EachTimesGivesExactlyThatManyRowsPerThread) {
  project_.DoType = kRunEachTimes;
  project_.EachTasks = L"7";
  Exec(L"create table t(marker varchar(5))");
  Task& task = AddTask(L"insert", L"insert into t values ('?1')", 5, 2);
  task.File = MarkerFile(folder_, 5);
  task.TDU = kOneLinePerThread;
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"t0|7", L"t1|7", L"t2|7", L"t3|7", L"t4|7"}),
            Rows(L"select marker, count(*) from t group by marker order by marker"));
  EXPECT_EQ(35, runner_->TotalExecs);
  EXPECT_EQ((std::map<int, int>{{kThreadFinished, 5}}), FinalStates(recorder_));
}

TEST_F(RunnerTest, AllTasksStopsOnceTheTotalIsReached) {
  project_.DoType = kRunAllAtLeast;
  project_.AllTasks = L"100";
  Exec(L"create table t(x int)");
  AddTask(L"insert", L"insert into t values (1)", 4, 3);
  RunProject();
  EXPECT_GE(runner_->TotalExecs, 100);
  EXPECT_EQ(runner_->TotalExecs, ScalarInt(L"select count(*) from t"))
      << "every counted execution inserted its row";
  EXPECT_EQ((std::map<int, int>{{kThreadStopped, 4}}), FinalStates(recorder_));
}

TEST_F(RunnerTest, AtLeastWaitsForTheSlowestThread) {
  project_.DoType = kRunEachAtLeast;
  project_.AtLeast = L"5";
  AddTask(L"fast", L"select 1", 2, 1);
  Task& slow = AddTask(L"slow", L"select 2", 2, 1);
  slow.Delay = slow.DelayMax = 30;
  RunProject();
  std::int64_t least = 1 << 30;
  for (int i = 0; i < 4; ++i) least = std::min(least, runner_->Record(i).Execs.load());
  EXPECT_GE(least, 5);
  EXPECT_GT(runner_->Record(0).Execs, runner_->Record(2).Execs) << "the fast threads ran on";
}

TEST_F(RunnerTest, AtLeastIsNotHeldUpByAThreadThatCouldNotConnect) {
  project_.DoType = kRunEachAtLeast;
  project_.AtLeast = L"3";
  // The main connection works, but the workers of the first task connect with the project's
  // default connection, which does not.
  project_.DefConnection.ConnString = L"Driver=NoSuchDriver;Database=x;";
  AddTask(L"no connection", L"select 1", 2, 1);
  Task& own = AddTask(L"own connection", L"select 2", 2, 1);
  own.DefConnect = 0;
  own.TaskCon = mainInfo_;
  RunProject();
  EXPECT_EQ(kWorkerConnecting, runner_->Record(0).State) << "never connected";
  EXPECT_EQ(0, runner_->Record(1).Execs);
  EXPECT_GE(runner_->Record(2).Execs, 3);
  EXPECT_GE(runner_->Record(3).Execs, 3);
}

// The rules that count rounds count failed ones too: with every round failing and StopOnError
// off, the run still ends by itself. No execution is counted, so the rates stay honest.
class RoundCountingRule : public RunnerTest, public ::testing::WithParamInterface<int> {};

TEST_P(RoundCountingRule, EndsWhenEveryRoundFails) {
  project_.DoType = GetParam();
  project_.AllTasks = L"6";
  project_.AtLeast = L"3";
  project_.StopOnError = 0;
  AddTask(L"failing", L"insert into no_such_table values (1)", 2, 1);
  // Without the rule the run would last for ever: the watchdog turns that into a failure.
  recorder_.react = [this](const RunEventRecord& e) {
    if (e.code == kRunProgress && e.a >= 10) runner_->Stop = 1;
    return 0;
  };
  const double seconds = RunProject();
  EXPECT_LT(seconds, 8.0);
  EXPECT_EQ(0, runner_->TotalExecs);
  EXPECT_GE(runner_->FailedRounds, 6);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(0, runner_->Record(i).Execs);
  if (GetParam() == kRunEachAtLeast) {
    for (int i = 0; i < 2; ++i) EXPECT_GE(runner_->Record(i).FailedRounds, 3);
    EXPECT_EQ((std::map<int, int>{{kThreadEndedFailed, 2}}), FinalStates(recorder_));
  } else {
    // Failing rounds take microseconds and connects are taken one at a time: the first thread
    // can reach the total alone before the second has connected, which then ends as stopped.
    const std::map<int, int> states = FinalStates(recorder_);
    EXPECT_GE(states.count(kThreadEndedFailed) ? states.at(kThreadEndedFailed) : 0, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, RoundCountingRule,
                         ::testing::Values(kRunAllAtLeast, kRunEachAtLeast),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == kRunAllAtLeast ? "AllTasks"
                                                                           : "EachAtLeast");
                         });

}  // namespace
}  // namespace runnertest
