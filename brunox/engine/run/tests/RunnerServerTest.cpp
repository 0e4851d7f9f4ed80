// Rounds on the PostgreSQL server: commits of rounds that return rows, commits that fail, rows
// that fail while they are fetched, a connection that is lost, and statements that outlast the
// end of a run.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "RunnerTestSupport.h"
#include "testsupport/FrozenProcesses.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "testsupport/TestEnv.h"

namespace runnertest {
namespace {

class OnServer : public RunnerTest {
 protected:
  void SetUp() override {
    if (!testsupport::HavePostgres()) {
      if (testsupport::PostgresRequired()) FAIL() << "PostgreSQL test server missing";
      GTEST_SKIP() << "no PostgreSQL test server (./dev test starts one)";
    }
    RunnerTest::SetUp();
    UseMainConnection(PostgresInfo());
    table_ = L"brunox_srv_" + platform::FromInt(getpid());
    DropTable();
  }
  void TearDown() override {
    if (mainDb_) DropTable();
    RunnerTest::TearDown();
  }
  void DropTable() {
    mainDb_->Execute(L"drop table if exists " + table_);
    mainDb_->CloseCursor();
  }
  std::wstring table_;
};

// The main connection counts: it is not the workers' connection, so it sees only committed rows.
TEST_F(OnServer, ARoundThatReturnsRowsIsCommitted) {
  Exec(L"create table " + table_ + L"(id serial, x int)");
  Task& task =
      AddTask(L"returning", L"insert into " + table_ + L"(x) values (1) returning id", 2, 5);
  task.AsTransaction = 1;
  RunProject();
  EXPECT_EQ(10, runner_->TotalExecs);
  EXPECT_EQ(0, runner_->FailedRounds);
  EXPECT_EQ(10, ScalarInt(L"select count(*) from " + table_));
}

TEST_F(OnServer, AFailedCommitFailsTheRound) {
  Exec(L"create table " + table_ + L"(x int unique deferrable initially deferred)");
  Task& task = AddTask(
      L"duplicate",
      L"insert into " + table_ + L" values (1);\ninsert into " + table_ + L" values (1)", 1, 3);
  task.UseParser = 1;
  task.AsTransaction = 1;
  RunProject();
  EXPECT_EQ(0, runner_->TotalExecs);
  EXPECT_EQ(3, runner_->FailedRounds);
  EXPECT_EQ(kWorkerFailed, runner_->Record(0).State);
  EXPECT_EQ(0, ScalarInt(L"select count(*) from " + table_));
}

// With a cursor that fetches one row at a time, the division by zero of the second row shows
// only when that row is fetched.
TEST_F(OnServer, AFetchErrorFailsTheRound) {
  project_.DefConnection.ConnString += L";UseDeclareFetch=1;Fetch=1";
  AddTask(L"fetch", L"select 1 / (x - 2) from generate_series(1, 3) x", 1, 2);
  RunProject();
  EXPECT_EQ(0, runner_->TotalExecs);
  EXPECT_EQ(2, runner_->FailedRounds);
  EXPECT_EQ(kWorkerFailed, runner_->Record(0).State);
  EXPECT_NE(std::wstring::npos, CLog::GetLastRows().find(L"Fetch: frc=")) << "failed in the fetch";
}

// Each thread's first round ends its own connection, which does not come back: the thread ends
// after that round, and the run once every thread has ended, long before its time rule.
TEST_F(OnServer, ALostConnectionEndsItsThread) {
  project_.DoType = kRunSeconds;
  project_.Seconds = L"2";
  project_.StopOnError = 0;
  AddTask(L"lost", L"select pg_terminate_backend(pg_backend_pid())", 2, 1);
  EXPECT_LT(RunProject(), 1.5);
  EXPECT_EQ(2, runner_->FailedRounds);
  EXPECT_EQ(0, runner_->TotalExecs);
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(runner_->Record(i).LostConnection) << i;
}

// A statement that would run for a minute is cancelled a few seconds after the run's end. The
// cancel is the stop's doing, not the statement's fault: the threads end as stopped, and the
// round is neither an execution nor a failed round.
TEST_F(OnServer, AStatementStillRunningAfterTheStopIsCancelled) {
  project_.DoType = kRunSeconds;
  project_.Seconds = L"1";
  AddTask(L"sleep", L"select pg_sleep(60)", 2, 1);
  const double seconds = RunProject();
  EXPECT_GE(seconds, 1.0 + RunStopRules::kCancelGraceSeconds);
  EXPECT_LT(seconds, 1.0 + RunStopRules::kCancelGraceSeconds + 5.0);
  EXPECT_EQ(0, runner_->TotalExecs);
  EXPECT_EQ(0, runner_->FailedRounds);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(kWorkerRunning, runner_->Record(i).State) << i;
    EXPECT_EQ(0, runner_->Record(i).FailedRounds) << i;
  }
  int stopped = 0;
  for (const RunEventRecord& e : recorder_.Events(kRunThreadState)) {
    EXPECT_NE(kThreadEndedFailed, e.b);
    EXPECT_LE(e.b, 0) << "no round is reported as done";
    stopped += e.b == kThreadStopped ? 1 : 0;
  }
  EXPECT_EQ(2, stopped);
  EXPECT_TRUE(runner_->RunErrors().empty());
}

using testsupport::FrozenProcesses;

// The server stops answering while the workers sleep in their statements: the run ends without
// them long after its time rule and names them, its statement log is closed whole, and no run
// starts until they have returned, which they do once the server answers again.
TEST_F(OnServer, WorkersOfAServerThatAnswersNothingAreLeftBehind) {
  const std::wstring tag = L"frozen_" + platform::FromInt(getpid());
  project_.DoType = kRunSeconds;
  project_.Seconds = L"1";
  project_.SQLFile = folder_ + L"/log.txt";
  AddTask(L"sleepers", L"select pg_sleep(0.3) as " + tag, 2, 0);
  FrozenProcesses frozen;
  bool refused = false;
  recorder_.react = [&](const RunEventRecord& event) {
    // The idle event comes on this thread, which may use the main connection meanwhile.
    if (event.code != kRunIdle || frozen.Any() || refused) return 0;
    const std::vector<std::wstring> sleeping =
        Rows(L"select pid from pg_stat_activity where query like '%" + tag +
             L"%' and state = 'active' and wait_event = 'PgSleep' and pid <> pg_backend_pid()");
    if (sleeping.size() < 2) return 0;
    for (const std::wstring& pid : sleeping)
      refused = !frozen.Freeze(static_cast<pid_t>(platform::ToInt(pid))) || refused;
    return 0;
  };
  const double seconds = RunProject();
  if (refused) GTEST_SKIP() << "the server's processes cannot be stopped from here";
  ASSERT_TRUE(frozen.Any());
  const double leftAfter = 1.0 + RunStopRules::kCancelGraceSeconds +
                           BrunoxRunner::kAbandonAfterCancelSeconds;
  EXPECT_GE(seconds, leftAfter);
  EXPECT_LT(seconds, leftAfter + 10.0) << "ended by itself";
  EXPECT_EQ((std::vector<int>{0, 1}), runner_->LeftBehind());
  EXPECT_EQ(2, runner_->LeftBehindStillRunning());
  ASSERT_EQ(1u, runner_->RunErrors().size());
  EXPECT_TRUE(platform::EndsWith(runner_->RunErrors()[0],
                                 L"the run ended without them: task 'sleepers': 1, 2"))
      << platform::ToUtf8(runner_->RunErrors()[0]);
  EXPECT_TRUE(runner_->StatementLogComplete());
  const std::wstring log = Utf16File(project_.SQLFile);
  EXPECT_TRUE(platform::EndsWith(log, L"\r\n"));
  for (const std::wstring& line : CrLfLines(log))
    EXPECT_EQ(8u, platform::Split(line, L'\t').size()) << platform::ToUtf8(line);

  recorder_.react = nullptr;
  const int rows = recorder_.Count(kRunAddThreadRow);
  RunProject();
  ASSERT_EQ(1u, runner_->RunErrors().size());
  EXPECT_TRUE(platform::StartsWith(runner_->RunErrors()[0],
                                   L"2 threads of the last run have not returned"))
      << platform::ToUtf8(runner_->RunErrors()[0]);
  EXPECT_EQ(rows, recorder_.Count(kRunAddThreadRow)) << "no thread was started";

  const int states = recorder_.Count(kRunThreadState);
  frozen.Thaw();
  for (int tries = 0; tries < 600 && runner_->LeftBehindStillRunning() > 0; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(0, runner_->LeftBehindStillRunning()) << "the cancel is served once the server answers";
  EXPECT_EQ(states, recorder_.Count(kRunThreadState)) << "back, a worker left behind tells nothing";
  project_.DoType = kRunByTaskCounts;
  project_.Tasks[0].SQL = L"select 1";
  project_.Tasks[0].ExecCntr = 3;
  RunProject();
  EXPECT_TRUE(runner_->RunErrors().empty());
  EXPECT_EQ(6, runner_->TotalExecs);
}

}  // namespace
}  // namespace runnertest
