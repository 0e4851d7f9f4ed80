// Prologue and epilogue scripts, own connections, failing connects, failing statements and
// transactions.
#include <unistd.h>

#include "RunnerTestSupport.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "testsupport/TestEnv.h"

namespace runnertest {
namespace {

class Scripts : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    Exec(L"create table ev(id integer primary key autoincrement, what varchar(20))");
  }
  std::vector<std::wstring> Notes() { return Rows(L"select what from ev order by id"); }
};

TEST_F(Scripts, AFailingScriptStatementIsReportedAndEndsTheScriptUnlessToldToGoOn) {
  for (int answer : {0, 1}) {
    SCOPED_TRACE(answer);
    Exec(L"delete from ev");
    project_.Tasks.clear();
    Task& task = AddTask(L"scripts", L"select 1", 1, 1);
    task.UseParser = 1;
    task.SQLBefore =
        L"insert into ev(what) values ('p1');\ninsert into nosuch values (1);\n"
        L"insert into ev(what) values ('p3')";
    task.SQLAfter = L"insert into nosuch2 values (2); insert into ev(what) values ('e2')";
    recorder_.react = [answer](const RunEventRecord& e) {
      return e.code == kRunScriptError ? answer : 0;
    };
    const int before = recorder_.Count(kRunScriptError);
    RunProject();
    const auto errors = recorder_.Events(kRunScriptError);
    ASSERT_EQ(before + 2, static_cast<int>(errors.size()));
    EXPECT_EQ(L"insert into nosuch values (1)", errors[before].s);
    EXPECT_NE(std::wstring::npos, errors[before].p.find(L"nosuch")) << platform::ToUtf8(errors[before].p);
    EXPECT_EQ(L"insert into nosuch2 values (2)", errors[before + 1].s);
    if (answer == 1)
      EXPECT_EQ((std::vector<std::wstring>{L"p1", L"p3", L"e2"}), Notes());
    else
      EXPECT_EQ((std::vector<std::wstring>{L"p1"}), Notes());
  }
}

TEST_F(Scripts, WithoutTheParserAScriptIsOneStatement) {
  Task& task = AddTask(L"one", L"select 1", 1, 1);
  task.SQLBefore = L"insert into ev(what) values ('x;y')";
  task.UseParser = 0;
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"x;y"}), Notes());
}

TEST_F(Scripts, ATaskWithItsOwnConnection) {
  const std::wstring otherFile = folder_ + L"/other.sqlite";
  Task& task = AddTask(L"own", L"insert into o values (1)", 3, 2);
  task.DefConnect = 0;
  task.TaskCon = SqliteInfo(otherFile);
  task.SQLBefore = L"create table o(x int)";
  task.SQLAfter = L"insert into o values (2)";
  RunProject();
  EXPECT_EQ(nullptr, project_.Tasks[0].DB) << "closed at the end of its part of the run";
  CDB* other = CDB::newDB(0);
  CONN_INFO info = SqliteInfo(otherFile);
  ASSERT_EQ(0, other->OpenConnection(&info));
  ASSERT_EQ(0, other->Execute(L"select sum(x), count(*) from o"));
  ASSERT_EQ(0, other->Fetch());
  std::wstring sum, count;
  other->GetColumnText(1, &sum, nullptr);
  other->GetColumnText(2, &count, nullptr);
  EXPECT_EQ(L"8", sum);
  EXPECT_EQ(L"7", count);
  delete other;
  EXPECT_EQ(L"0", Scalar(L"select count(*) from sqlite_master where name = 'o'"))
      << "nothing on the main connection";
}

TEST_F(Scripts, AnOwnConnectionThatFailsSkipsTheTaskAndIsARunError) {
  Task& broken = AddTask(L"broken", L"insert into ev(what) values ('broken')", 2, 1);
  broken.DefConnect = 0;
  broken.TaskCon.Kind = CONN_STRING;
  broken.TaskCon.ConnString = L"Driver=NoSuchDriver;Database=x;";
  broken.SQLAfter = L"insert into ev(what) values ('broken after')";
  AddTask(L"fine", L"insert into ev(what) values ('fine')", 1, 2);
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"fine", L"fine"}), Notes());
  EXPECT_EQ(1, runner_->ThreadsOfLastRun);
  EXPECT_TRUE(ui_.messages.empty()) << "an unattended run is not held up";
  ASSERT_EQ(1u, runner_->RunErrors().size());
  const std::wstring& error = runner_->RunErrors()[0];
  EXPECT_TRUE(platform::StartsWith(error, L"Task 'broken' could not connect to 'Driver=NoSuchDriver"))
      << platform::ToUtf8(error);
  EXPECT_NE(std::wstring::npos, error.find(L"NoSuchDriver' : file not found"))
      << "the driver manager's diagnostics: " << platform::ToUtf8(error);
}

TEST_F(Scripts, WorkersThatCannotConnectEndAndTheRunEnds) {
  project_.DoType = kRunUntilStopped;  // only the ends of the threads can end this run
  project_.DefConnection.ConnString = L"Driver=NoSuchDriver;Database=x;";
  AddTask(L"nowhere", L"select 1", 3, 1);
  RunProject();
  EXPECT_EQ(3, runner_->ThreadsOfLastRun);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(kWorkerConnecting, runner_->Record(i).State);
    EXPECT_TRUE(runner_->Record(i).Ended);
  }
  EXPECT_EQ(0, recorder_.Count(kRunThreadState)) << "no callbacks from a thread that never ran";
  EXPECT_NE(std::wstring::npos, CLog::GetLastRows().find(L"Could not connect to 'Driver=NoSuchDriver"));
}

TEST_F(Scripts, AFailingStatementEndsTheRoundAndWithStopOnErrorTheThread) {
  for (int stopOnError : {0, 1}) {
    SCOPED_TRACE(stopOnError);
    Exec(L"delete from ev");
    project_.Tasks.clear();
    project_.StopOnError = stopOnError;
    Task& task = AddTask(L"three", L"insert into ev(what) values ('one'); insert into nosuch values (1); "
                         L"insert into ev(what) values ('three')", 2, 3);
    task.UseParser = 1;
    const int roundsBefore = recorder_.Count(kRunThreadState);
    RunProject();
    const int rounds = stopOnError ? 1 : 3;
    EXPECT_EQ(2 * rounds, ScalarInt(L"select count(*) from ev where what = 'one'"));
    EXPECT_EQ(0, ScalarInt(L"select count(*) from ev where what = 'three'"));
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(kWorkerFailed, runner_->Record(i).State);
      EXPECT_EQ(0, runner_->Record(i).Execs) << "a failed round is no execution";
      EXPECT_EQ(40960.0, runner_->Record(i).MinTime) << "a failed round is not timed";
    }
    EXPECT_EQ(0, runner_->TotalExecs);
    EXPECT_EQ(2 * rounds, runner_->FailedRounds);
    const auto events = recorder_.Events(kRunThreadState);
    int reported = 0, failedEnds = 0;
    for (size_t i = roundsBefore; i < events.size(); ++i) {
      reported += events[i].b > 0 ? 1 : 0;
      failedEnds += events[i].b == kThreadEndedFailed ? 1 : 0;
    }
    EXPECT_EQ(0, reported) << "a failed round adds no execution to the thread's count";
    EXPECT_EQ(2, failedEnds);
  }
}

// Transactions on SQLite and on the PostgreSQL server: a round whose statements all succeed is
// committed; a round with a failing statement is not.
class Transactions : public RunnerTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      if (!testsupport::HavePostgres()) {
        if (testsupport::PostgresRequired()) FAIL() << "PostgreSQL test server missing";
        GTEST_SKIP() << "no PostgreSQL test server (./dev test starts one)";
      }
    }
    RunnerTest::SetUp();
    if (GetParam()) UseMainConnection(PostgresInfo());
    table_ = L"brunox_tx_" + platform::FromInt(getpid());
    mainDb_->Execute(L"drop table if exists " + table_);
    mainDb_->CloseCursor();
    Exec(L"create table " + table_ + L"(x int)");
  }
  void TearDown() override {
    if (mainDb_) {
      mainDb_->Execute(L"drop table if exists " + table_);
      mainDb_->CloseCursor();
    }
    RunnerTest::TearDown();
  }
  std::wstring table_;
};

TEST_P(Transactions, CommittedOnlyWhenTheWholeRoundSucceeded) {
  Task& good = AddTask(L"good", L"insert into " + table_ + L" values (1); insert into " + table_ +
                       L" values (2)", 2, 3);
  good.UseParser = 1;
  good.AsTransaction = 1;
  Task& bad = AddTask(L"bad", L"insert into " + table_ + L" values (10); insert into nosuch_table "
                      L"values (1); insert into " + table_ + L" values (20)", 2, 3);
  bad.UseParser = 1;
  bad.AsTransaction = 1;
  RunProject();
  EXPECT_EQ(6, ScalarInt(L"select count(*) from " + table_ + L" where x = 1"));
  EXPECT_EQ(6, ScalarInt(L"select count(*) from " + table_ + L" where x = 2"));
  EXPECT_EQ(0, ScalarInt(L"select count(*) from " + table_ + L" where x >= 10"));
}

INSTANTIATE_TEST_SUITE_P(Backends, Transactions, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PostgreSQL" : "SQLite"; });

}  // namespace
}  // namespace runnertest
