#include <gtest/gtest.h>

#include "DbTestSupport.h"

namespace kavra_test {
namespace {

class TransactionTest : public DbTest {};

TEST_P(TransactionTest, CommittedRowIsSeenByAnotherConnection) {
  const std::wstring t = Table(L"commit");
  Exec(L"CREATE TABLE " + t + L" (a INTEGER)");
  ASSERT_EQ(db_->SetTransactionMode(0), 0);
  ASSERT_EQ(db_->BeginTransaction(), 0);
  EXPECT_TRUE(db_->InTransaction());
  Exec(L"INSERT INTO " + t + L" VALUES (42)");
  ASSERT_EQ(db_->EndTransaction(0), 0) << testing::PrintToString(db_->ErrorText);
  EXPECT_FALSE(db_->InTransaction());

  std::unique_ptr<CDB> reader = OpenAnother();
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(Column(reader.get(), L"SELECT a FROM " + t), std::vector<std::wstring>{L"42"});
}

TEST_P(TransactionTest, RolledBackRowIsGone) {
  const std::wstring t = Table(L"rollback");
  Exec(L"CREATE TABLE " + t + L" (a INTEGER)");
  Exec(L"INSERT INTO " + t + L" VALUES (1)");
  ASSERT_EQ(db_->SetTransactionMode(0), 0);
  ASSERT_EQ(db_->BeginTransaction(), 0);
  Exec(L"INSERT INTO " + t + L" VALUES (2)");
  ASSERT_EQ(db_->EndTransaction(1), 0) << testing::PrintToString(db_->ErrorText);
  // The mode is kept: the next statement starts the next transaction, committed here.
  Exec(L"INSERT INTO " + t + L" VALUES (3)");
  ASSERT_EQ(db_->EndTransaction(0), 0);

  std::unique_ptr<CDB> reader = OpenAnother();
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(Column(reader.get(), L"SELECT a FROM " + t + L" ORDER BY a"),
            (std::vector<std::wstring>{L"1", L"3"}));
}

TEST_P(TransactionTest, ManualCommitConnectionDropsUnfinishedWorkAtClose) {
  const std::wstring t = Table(L"manual");
  Exec(L"CREATE TABLE " + t + L" (a INTEGER)");
  CONN_INFO info = ConnStringInfo();
  info.ManualCommit = 1;
  {
    std::unique_ptr<CDB> writer(CDB::newDB(0));
    ASSERT_EQ(writer->OpenConnection(&info), 0) << testing::PrintToString(writer->ErrorText);
    ASSERT_EQ(writer->Execute(L"INSERT INTO " + t + L" VALUES (5)"), 0);
    EXPECT_EQ(writer->CloseConnection(), 0) << testing::PrintToString(writer->ErrorText);
  }
  EXPECT_TRUE(Column(db_.get(), L"SELECT a FROM " + t).empty());
}

INSTANTIATE_TEST_SUITE_P(Both, TransactionTest,
                         testing::Values(Backend::kSqlite, Backend::kPostgres), BackendName);

}  // namespace
}  // namespace kavra_test
