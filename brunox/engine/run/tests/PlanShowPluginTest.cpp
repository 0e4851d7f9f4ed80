#include "brunox/engine/run/PlanShowPlugin.h"

#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "kavra/CDB.h"
#include "kavra/DbmsCodes.h"
#include "platform/Text.h"
#include "testsupport/TestEnv.h"

namespace {

// A server with a plan dialect, which cannot run here: it records what it is sent and answers
// from a script.
class ScriptedDb : public CDB {
 public:
  explicit ScriptedDb(int dbms) : CDB(0) { DBMS = dbms; }

  int Execute(const std::wstring& sql, HSTMT_K) override {
    sent.push_back(sql);
    auto failure = failures.find(sql);
    if (failure != failures.end()) {
      ErrorText = L"[42000] scripted failure";
      return failure->second;
    }
    nextRow_ = 0;
    return kOk;
  }
  int Fetch(HSTMT_K) override {
    if (nextRow_ == fetchFailsAt) return kOdbcError;
    if (nextRow_ >= rows.size()) return kNoData;
    current_ = rows[nextRow_++];
    return kOk;
  }
  int GetColumnText(int column, std::wstring* out, int*, HSTMT_K, int) override {
    columnsRead.push_back(column);
    if (column < 1 || column > static_cast<int>(current_.size())) return kBadArgument;
    *out = current_[column - 1];
    return kOk;
  }
  int CloseCursor(HSTMT_K) override {
    sent.push_back(L"<close cursor>");
    return kOk;
  }

  std::vector<std::wstring> sent;
  std::vector<int> columnsRead;
  std::map<std::wstring, int> failures;  // statement -> result of its Execute
  std::vector<std::vector<std::wstring>> rows;
  size_t fetchFailsAt = static_cast<size_t>(-1);

 private:
  size_t nextRow_ = 0;
  std::vector<std::wstring> current_;
};

const std::wstring kStatement = L"select a from t where b = 1";
const std::wstring kPlanTableQuery =
    L"select OPERATION,OPTIONS,OBJECT_OWNER,OBJECT_NAME,OBJECT_TYPE from PLAN_TABLE";

std::vector<PlanRow> Capture(PlanShowPlugin& plugin) {
  std::vector<PlanRow> rows;
  PlanRow row;
  while (plugin.NextRow(&row) == 1) {
    rows.push_back(row);
    row = PlanRow();
  }
  plugin.Finish();
  return rows;
}

PlanRow Row(std::vector<std::wstring> columns) {
  PlanRow row;
  for (size_t i = 0; i < columns.size(); ++i) row.Columns[i] = columns[i];
  return row;
}

TEST(PlanShowPlugin, PlanTableDialect) {
  ScriptedDb db(DBMS_ORACLE);
  db.rows = {{L"SELECT STATEMENT", L"", L"", L"", L""},
             {L"TABLE ACCESS", L"FULL", L"SCOTT", L"T", L"TABLE"}};
  PlanShowPlugin plugin;
  ASSERT_EQ(plugin.Prepare(&db, kStatement), PlanShowPlugin::kOk);
  EXPECT_EQ(Capture(plugin), (std::vector<PlanRow>{
                                 Row({L"SELECT STATEMENT"}),
                                 Row({L"TABLE ACCESS", L"FULL", L"SCOTT", L"T", L"TABLE"})}));
  EXPECT_EQ(db.sent, (std::vector<std::wstring>{L"delete from PLAN_TABLE",
                                                L"EXPLAIN PLAN FOR " + kStatement,
                                                kPlanTableQuery}))
      << "Finish sends nothing: the plan rows stay until the next capture";
  EXPECT_EQ(db.columnsRead, (std::vector<int>{1, 2, 3, 4, 5, 1, 2, 3, 4, 5}));
}

TEST(PlanShowPlugin, ShowplanAllDialect) {
  ScriptedDb db(DBMS_MSSQL);
  std::vector<std::wstring> result;
  for (int i = 1; i <= 13; ++i) result.push_back(platform::Format(L"c%d", i));
  db.rows = {result, result};
  db.rows[1][0] = L"second";
  PlanShowPlugin plugin;
  ASSERT_EQ(plugin.Prepare(&db, kStatement), PlanShowPlugin::kOk);
  const PlanRow expected = Row({L"c1", L"c5", L"c6", L"c9", L"c10", L"c11", L"c12", L"c13"});
  PlanRow second = expected;
  second.Columns[0] = L"second";
  EXPECT_EQ(Capture(plugin), (std::vector<PlanRow>{expected, second}));
  EXPECT_EQ(db.sent, (std::vector<std::wstring>{L"SET SHOWPLAN_ALL ON", kStatement,
                                                L"<close cursor>", L"SET SHOWPLAN_ALL OFF"}));
}

TEST(PlanShowPlugin, PrepareFailuresStopAtTheFailingStep) {
  struct Case {
    int dbms;
    std::wstring failing;
    int result;
    size_t statementsSent;
  };
  const Case cases[] = {
      {DBMS_ORACLE, L"delete from PLAN_TABLE", PlanShowPlugin::kSetupFailed, 1},
      {DBMS_ORACLE, L"EXPLAIN PLAN FOR " + kStatement, PlanShowPlugin::kStatementFailed, 2},
      {DBMS_ORACLE, kPlanTableQuery, PlanShowPlugin::kPlanQueryFailed, 3},
      {DBMS_MSSQL, L"SET SHOWPLAN_ALL ON", PlanShowPlugin::kSetupFailed, 1},
      {DBMS_MSSQL, kStatement, PlanShowPlugin::kStatementFailed, 2},
  };
  for (const Case& c : cases) {
    ScriptedDb db(c.dbms);
    db.failures[c.failing] = CDB::kOdbcError;
    PlanShowPlugin plugin;
    EXPECT_EQ(plugin.Prepare(&db, kStatement), c.result) << platform::ToUtf8(c.failing);
    EXPECT_EQ(db.sent.size(), c.statementsSent) << platform::ToUtf8(c.failing);
  }

  // SHOWPLAN_ALL stays on after a rejected statement until Finish switches it off.
  ScriptedDb db(DBMS_MSSQL);
  db.failures[kStatement] = CDB::kOdbcError;
  PlanShowPlugin plugin;
  EXPECT_EQ(plugin.Prepare(&db, kStatement), PlanShowPlugin::kStatementFailed);
  plugin.Finish();
  EXPECT_EQ(db.sent.back(), L"SET SHOWPLAN_ALL OFF");
}

TEST(PlanShowPlugin, EmptyPlanAndFailingFetchEndTheRows) {
  ScriptedDb empty(DBMS_ORACLE);
  PlanShowPlugin plugin;
  ASSERT_EQ(plugin.Prepare(&empty, kStatement), PlanShowPlugin::kOk);
  PlanRow row;
  EXPECT_EQ(plugin.NextRow(&row), 0);
  EXPECT_EQ(row, PlanRow());

  ScriptedDb failing(DBMS_MSSQL);
  failing.rows = {std::vector<std::wstring>(13, L"x"), std::vector<std::wstring>(13, L"y")};
  failing.fetchFailsAt = 1;
  ASSERT_EQ(plugin.Prepare(&failing, kStatement), PlanShowPlugin::kOk);
  EXPECT_EQ(Capture(plugin).size(), 1u);
}

TEST(PlanShowPlugin, OtherScriptedServersAreUnsupported) {
  for (int dbms : {DBMS_UNKNOWN, DBMS_ACCESS, DBMS_SQLITE, DBMS_POSTGRESQL, DBMS_OTHER}) {
    ScriptedDb db(dbms);
    db.rows = {{L"would be", L"a row"}};
    PlanShowPlugin plugin;
    EXPECT_EQ(plugin.Prepare(&db, kStatement), PlanShowPlugin::kUnsupported) << dbms;
    PlanRow row;
    plugin.NextRow(&row);
    plugin.Finish();
    EXPECT_TRUE(db.sent.empty()) << dbms;
    EXPECT_TRUE(db.columnsRead.empty()) << dbms;
  }
  PlanShowPlugin plugin;
  EXPECT_EQ(plugin.Prepare(nullptr, kStatement), PlanShowPlugin::kUnsupported);
  PlanRow row;
  EXPECT_EQ(plugin.NextRow(&row), 0);
  plugin.Finish();
}

// On a real server without a plan dialect the capture sends nothing: a cursor opened before it
// still gives its row, and the statement was not run.
void ExpectNothingSent(CDB* db) {
  ASSERT_EQ(db->Execute(L"select 41 + 1"), 0) << platform::ToUtf8(db->ErrorText);
  PlanShowPlugin plugin;
  EXPECT_EQ(plugin.Prepare(db, L"create temporary table plan_probe (a int)"),
            PlanShowPlugin::kUnsupported);
  plugin.Finish();
  ASSERT_EQ(db->Fetch(), 0) << platform::ToUtf8(db->ErrorText);
  std::wstring value;
  db->GetColumnText(1, &value, nullptr);
  EXPECT_EQ(value, L"42");
  db->CloseCursor();
  EXPECT_NE(db->Execute(L"select a from plan_probe"), 0);
}

std::unique_ptr<CDB> Connect(const std::wstring& connString) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = connString;
  std::unique_ptr<CDB> db(CDB::newDB(0));
  if (db && db->OpenConnection(&info) != 0) {
    ADD_FAILURE() << platform::ToUtf8(db->ErrorText);
    return nullptr;
  }
  return db;
}

TEST(PlanShowPlugin, SqliteHasNoPlanDialect) {
  std::unique_ptr<CDB> db =
      Connect(testsupport::SqliteConnString(testsupport::NewScratchPath(L"plan.db")));
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->DBMS, DBMS_SQLITE);
  ExpectNothingSent(db.get());
}

TEST(PlanShowPlugin, PostgresHasNoPlanDialect) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> db = Connect(testsupport::PostgresConnString());
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->DBMS, DBMS_POSTGRESQL);
  ExpectNothingSent(db.get());
}

}  // namespace
