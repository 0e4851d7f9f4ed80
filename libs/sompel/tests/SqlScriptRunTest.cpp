// The console's statements on a thread of their own: outcomes in order, the cancel that stops a
// long statement, and the connect made on that thread.
#include "sompel/SqlScriptRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "kavra/CDB.h"
#include "testsupport/TestEnv.h"

namespace {

using namespace std::chrono_literals;

CONN_INFO Description(const std::wstring& connString) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = connString;
  return info;
}

// Collects what a run hands out, from the run's thread.
struct Collected {
  std::mutex lock;
  std::condition_variable ended;
  std::vector<sompel::StatementOutcome> outcomes;
  std::optional<sompel::ScriptEnd> end;

  sompel::SqlScriptRun::OutcomeSink OutcomeSink() {
    return [this](sompel::StatementOutcome one) {
      std::lock_guard hold(lock);
      outcomes.push_back(std::move(one));
    };
  }
  sompel::SqlScriptRun::EndSink EndSink() {
    return [this](sompel::ScriptEnd last) {
      std::lock_guard hold(lock);
      end = std::move(last);
      ended.notify_all();
    };
  }
  bool WaitForEnd(std::chrono::milliseconds limit) {
    std::unique_lock hold(lock);
    return ended.wait_for(hold, limit, [this] { return end.has_value(); });
  }
};

TEST(SqlScriptRun, ConnectsOnItsThreadAndHandsOutEveryStatementInOrder) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  sompel::SqlScriptRun::Script script;
  script.statements = {L"create table t (x int)", L"insert into t values (1), (2), (3)",
                       L"select x from nowhere", L"select x, null as n from t order by x"};
  script.connectFirst =
      Description(testsupport::SqliteConnString(testsupport::NewScratchPath(L"script.db")));
  script.maxRows = 2;
  Collected got;
  sompel::SqlScriptRun run;
  ASSERT_TRUE(run.Start(*db, script, got.OutcomeSink(), got.EndSink()));
  EXPECT_TRUE(run.Busy());
  ASSERT_TRUE(got.WaitForEnd(30s));
  run.Wait();
  EXPECT_FALSE(run.Busy());
  EXPECT_TRUE(db->IsConnected());

  ASSERT_EQ(got.outcomes.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(got.outcomes[i].index, i);
  EXPECT_FALSE(got.outcomes[0].failed);
  EXPECT_EQ(got.outcomes[1].affected, 3);
  EXPECT_TRUE(got.outcomes[2].failed);
  EXPECT_NE(got.outcomes[2].error.find(L"nowhere"), std::wstring::npos);
  ASSERT_TRUE(got.outcomes[3].rows);
  const sompel::RowSet& rows = *got.outcomes[3].rows;
  EXPECT_EQ(rows.headers, (std::vector<std::wstring>{L"x", L"n"}));
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_TRUE(rows.truncated);
  EXPECT_EQ(rows.rows[1][0], std::optional<std::wstring>(L"2"));
  EXPECT_EQ(rows.rows[1][1], std::nullopt);
  EXPECT_EQ(db->StmtState, 0) << "the cut row set left its cursor open";
  EXPECT_EQ(got.end->failed, 1);
  EXPECT_EQ(got.end->run, 4);
  EXPECT_FALSE(got.end->cancelled);
}

TEST(SqlScriptRun, AConnectThatFailsRunsNothingAndSaysWhy) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  sompel::SqlScriptRun::Script script;
  script.statements = {L"select 1"};
  script.connectFirst = Description(L"Driver={No Such Driver};");
  Collected got;
  sompel::SqlScriptRun run;
  ASSERT_TRUE(run.Start(*db, script, got.OutcomeSink(), got.EndSink()));
  ASSERT_TRUE(got.WaitForEnd(30s));
  run.Wait();
  EXPECT_TRUE(got.outcomes.empty());
  EXPECT_FALSE(got.end->connectError.empty());
  EXPECT_EQ(got.end->run, 0);
}

TEST(SqlScriptRun, CancelStopsALongStatementAndSkipsTheRest) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  CONN_INFO info = Description(testsupport::PostgresConnString());
  ASSERT_EQ(db->OpenConnection(&info), CDB::kOk);
  sompel::SqlScriptRun::Script script;
  script.statements = {L"select pg_sleep(10)", L"select 2"};
  Collected got;
  sompel::SqlScriptRun run;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(run.Start(*db, script, got.OutcomeSink(), got.EndSink()));
  EXPECT_FALSE(run.Start(*db, script, got.OutcomeSink(), got.EndSink()))
      << "a second run started on the same connection";
  std::this_thread::sleep_for(300ms);
  run.CancelAndWait();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_FALSE(run.Busy());
  ASSERT_TRUE(got.end);
  EXPECT_TRUE(got.end->cancelled);
  ASSERT_EQ(got.outcomes.size(), 1u) << "the statement after the cancelled one ran";
  EXPECT_TRUE(got.outcomes[0].failed);
  EXPECT_FALSE(got.outcomes[0].error.empty());

  // The same object runs again on the same connection.
  Collected again;
  script.statements = {L"select 3"};
  ASSERT_TRUE(run.Start(*db, script, again.OutcomeSink(), again.EndSink()));
  ASSERT_TRUE(again.WaitForEnd(30s));
  run.Wait();
  ASSERT_EQ(again.outcomes.size(), 1u);
  ASSERT_TRUE(again.outcomes[0].rows);
  EXPECT_EQ(again.outcomes[0].rows->rows.at(0).at(0), std::optional<std::wstring>(L"3"));
  EXPECT_FALSE(again.end->cancelled) << "the earlier cancel stuck";
}

TEST(SqlScriptRun, DestroyingARunningScriptCancelsAndWaits) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  sompel::SqlScriptRun::Script script;
  script.statements = {L"select pg_sleep(10)"};
  script.connectFirst = Description(testsupport::PostgresConnString());
  Collected got;
  const auto started = std::chrono::steady_clock::now();
  {
    sompel::SqlScriptRun run;
    ASSERT_TRUE(run.Start(*db, script, got.OutcomeSink(), got.EndSink()));
    std::this_thread::sleep_for(500ms);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 6s);
  ASSERT_TRUE(got.end);
  EXPECT_TRUE(got.end->cancelled);
}

}  // namespace
