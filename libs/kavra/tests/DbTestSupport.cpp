#include "DbTestSupport.h"

#include "testsupport/TestEnv.h"

namespace kavra_test {

std::string BackendName(const testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "Sqlite" : "Postgres";
}

void DbTest::SetUp() {
  if (GetParam() == Backend::kPostgres) REQUIRE_POSTGRES();
  sqliteFile_ = testsupport::NewScratchPath(L"db.sqlite");
  db_.reset(CDB::newDB(0));
  ASSERT_NE(db_, nullptr);
  CONN_INFO info = ConnStringInfo();
  ASSERT_EQ(db_->OpenConnection(&info), 0) << testing::PrintToString(db_->ErrorText);
}

void DbTest::TearDown() {
  if (db_ && !db_->IsConnected() && !tables_.empty()) {
    CONN_INFO info = ConnStringInfo();  // a test closed it: reopen to clean up
    db_->OpenConnection(&info);
  }
  if (db_ && db_->IsConnected()) {
    db_->EndTransaction(1);
    db_->SetTransactionMode(1);
    for (const std::wstring& t : tables_) db_->Execute(L"DROP TABLE IF EXISTS " + t);
  }
  db_.reset();
}

CONN_INFO DbTest::ConnStringInfo() const {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = IsSqlite() ? testsupport::SqliteConnString(sqliteFile_)
                               : testsupport::PostgresConnString();
  return info;
}

std::unique_ptr<CDB> DbTest::OpenAnother() {
  std::unique_ptr<CDB> other(CDB::newDB(0));
  CONN_INFO info = ConnStringInfo();
  EXPECT_EQ(other->OpenConnection(&info), 0) << testing::PrintToString(other->ErrorText);
  return other->IsConnected() ? std::move(other) : nullptr;
}

std::wstring DbTest::Table(const std::wstring& name) {
  std::wstring table = L"kavra_test_" + name;
  EXPECT_EQ(db_->Execute(L"DROP TABLE IF EXISTS " + table), 0)
      << testing::PrintToString(db_->ErrorText);
  tables_.push_back(table);
  return table;
}

void DbTest::Exec(const std::wstring& sql) {
  ASSERT_EQ(db_->Execute(sql), 0) << testing::PrintToString(sql) << ": "
                                  << testing::PrintToString(db_->ErrorText);
}

std::vector<std::wstring> DbTest::Column(CDB* db, const std::wstring& sql, int column) {
  std::vector<std::wstring> values;
  EXPECT_EQ(db->Execute(sql), 0) << testing::PrintToString(db->ErrorText);
  while (db->Fetch() == 0) {
    std::wstring text;
    int size = 0;
    EXPECT_EQ(db->GetColumnText(column, &text, &size), 0);
    values.push_back(size == -1 ? L"<NULL>" : text);
  }
  db->CloseCursor();
  return values;
}

}  // namespace kavra_test
