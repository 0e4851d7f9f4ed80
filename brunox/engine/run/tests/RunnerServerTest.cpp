// Rounds on the PostgreSQL server: commits of rounds that return rows, commits that fail, rows
// that fail while they are fetched, a connection that is lost, and statements that outlast the
// end of a run.
#include <unistd.h>

#include "RunnerTestSupport.h"
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

// Each thread's first round ends its own connection; every later round fails at once in the
// driver with a connection-failure state. Those rounds wait, 10 ms doubling to 1 s: about ten
// in two seconds, not thousands.
TEST_F(OnServer, ALostConnectionWaitsBeforeItsNextRound) {
  project_.DoType = kRunSeconds;
  project_.Seconds = L"2";
  project_.StopOnError = 0;
  AddTask(L"lost", L"select pg_terminate_backend(pg_backend_pid())", 2, 1);
  RunProject();
  EXPECT_GE(runner_->FailedRounds, 2);
  EXPECT_LE(runner_->FailedRounds, 2 * 12);
  EXPECT_EQ(0, runner_->TotalExecs);
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

}  // namespace
}  // namespace runnertest
