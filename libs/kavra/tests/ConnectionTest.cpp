#include <algorithm>
#include <filesystem>
#include <thread>

#include <sql.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "kavra/DbmsCodes.h"
#include "kavra/DsnInfo.h"
#include "platform/Text.h"
#include "testsupport/TestEnv.h"

namespace kavra_test {
namespace {

class ConnectionTest : public DbTest {};

TEST_P(ConnectionTest, ConnectsByConnectionStringAndKnowsTheServer) {
  EXPECT_TRUE(db_->IsConnected());
  EXPECT_EQ(db_->DBMS, IsSqlite() ? DBMS_SQLITE : DBMS_POSTGRESQL);
  EXPECT_EQ(db_->ServerProperty(), 0);
  EXPECT_EQ(db_->QuoteOpen, L'"');
  EXPECT_EQ(db_->QuoteClose, L'"');
  const std::wstring nameAndVersion = DSN_Info::DBMSNameAndVer(db_.get());
  EXPECT_TRUE(platform::StartsWith(nameAndVersion, db_->DbmsName + L" "))
      << testing::PrintToString(nameAndVersion);
  EXPECT_FALSE(db_->DbmsVersion.empty());
  EXPECT_EQ(db_->GetInfoText(SQL_DBMS_NAME), db_->DbmsName);
}

TEST_P(ConnectionTest, ConnectsByDsn) {
  CONN_INFO info;
  info.Kind = CONN_DSN;
  info.Dsn = IsSqlite() ? testsupport::kSqliteDsn : testsupport::kPostgresDsn;
  if (!IsSqlite()) info.User = testsupport::PostgresUser();
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_EQ(db->OpenConnection(&info), 0) << testing::PrintToString(db->ErrorText);
  EXPECT_EQ(db->Info, info);
  EXPECT_EQ(db->DBMS, IsSqlite() ? DBMS_SQLITE : DBMS_POSTGRESQL);
  ASSERT_EQ(db->Execute(L"SELECT 1"), 0) << testing::PrintToString(db->ErrorText);
  EXPECT_EQ(db->Fetch(), 0);
}

TEST_P(ConnectionTest, ConnectCopiesTheDescriptionAndMayReconnectItself) {
  std::unique_ptr<CDB> other(CDB::newDB(0));
  ASSERT_EQ(other->Connect(db_.get()), 0) << testing::PrintToString(other->ErrorText);
  EXPECT_EQ(other->Info, db_->Info);
  ASSERT_EQ(other->Connect(other.get()), 0) << testing::PrintToString(other->ErrorText);
  EXPECT_TRUE(other->IsConnected());
  EXPECT_EQ(other->Execute(L"SELECT 1"), 0);

  EXPECT_EQ(other->CloseConnection(), 0);
  EXPECT_FALSE(other->IsConnected());
  EXPECT_EQ(other->DBMS, DBMS_UNKNOWN);
  EXPECT_EQ(DSN_Info::DBMSNameAndVer(other.get()), L"");
  EXPECT_EQ(other->CloseConnection(), 0);  // twice is harmless
}

TEST_P(ConnectionTest, ConnectionsOnManyThreadsAtOnce) {
  // Each thread has its own connection; together they exercise the shared environment.
  constexpr int kThreads = 8;
  std::vector<std::wstring> results(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t, &results] {
      std::unique_ptr<CDB> db(CDB::newDB(0));
      CONN_INFO info = ConnStringInfo();
      if (db->OpenConnection(&info) != 0) {
        results[t] = L"connect: " + db->ErrorText;
        return;
      }
      for (int round = 0; round < 20; ++round) {
        std::wstring value;
        int size = 0;
        if (db->Execute(L"SELECT " + platform::FromInt(t * 100 + round)) != 0 || db->Fetch() != 0 ||
            db->GetColumnText(1, &value, &size) != 0) {
          results[t] = L"query: " + db->ErrorText;
          return;
        }
        if (value != platform::FromInt(t * 100 + round)) {
          results[t] = L"wrong value " + value;
          return;
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (const std::wstring& r : results) EXPECT_EQ(r, L"");
}

TEST(SqliteConnection, FileWithNonAsciiPath) {
  const std::wstring file = testsupport::NewScratchPath(L"Dätä \U0001F600.sqlite");
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(file);
  ASSERT_EQ(db->OpenConnection(&info), 0) << testing::PrintToString(db->ErrorText);
  ASSERT_EQ(db->Execute(L"CREATE TABLE t (a INTEGER)"), 0) << testing::PrintToString(db->ErrorText);
  EXPECT_TRUE(std::filesystem::exists(platform::ToUtf8(file)));
}

// Memory statistics would make every allocation of every SQLite connection take one
// process-wide mutex. The driver shares the process's SQLite, so its allocations must go
// uncounted too.
TEST(SqliteConnection, AllocationsTakeNoProcessWideStatisticsLock) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(testsupport::NewScratchPath(L"stats.sqlite"));
  ASSERT_EQ(db->OpenConnection(&info), 0) << testing::PrintToString(db->ErrorText);
  ASSERT_EQ(db->Execute(L"CREATE TABLE t (a TEXT)"), 0) << testing::PrintToString(db->ErrorText);
  ASSERT_EQ(db->Execute(L"INSERT INTO t VALUES (hex(randomblob(1000)))"), 0);
  ASSERT_EQ(db->Execute(L"SELECT a FROM t"), 0);
  EXPECT_EQ(db->Fetch(), 0);
  EXPECT_EQ(0, sqlite3_memory_used());
  EXPECT_EQ(0, sqlite3_memory_highwater(0));
}

INSTANTIATE_TEST_SUITE_P(Both, ConnectionTest,
                         testing::Values(Backend::kSqlite, Backend::kPostgres), BackendName);

TEST(ConnectionFailure, UnknownDriverNamesTheDriver) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_NE(db, nullptr);
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = L"Driver=No Such Driver;Database=x";
  EXPECT_EQ(db->OpenConnection(&info), -1);
  EXPECT_FALSE(db->IsConnected());
  // The driver manager's words, naming the driver it could not load.
  EXPECT_TRUE(platform::StartsWith(db->ErrorText, L"[01000]"))
      << testing::PrintToString(db->ErrorText);
  EXPECT_NE(db->ErrorText.find(L"No Such Driver"), std::wstring::npos);
}

TEST(ConnectionFailure, UnknownDsn) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_DSN;
  info.Dsn = L"NoSuchDsn";
  EXPECT_EQ(db->OpenConnection(&info), -1);
  EXPECT_TRUE(platform::StartsWith(db->ErrorText, L"[IM002]"))
      << testing::PrintToString(db->ErrorText);
}

TEST(ConnectionFailure, PostgresOnAClosedPortGivesTheDriversMessage) {
  // Port 1 on the loopback is never a PostgreSQL server: the connect is refused at once.
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = L"Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=1;Database=postgres;Uid=x;";
  EXPECT_EQ(db->OpenConnection(&info), -1);
  EXPECT_FALSE(db->IsConnected());
  // The driver's own words, behind an SQLSTATE.
  EXPECT_TRUE(platform::StartsWith(db->ErrorText, L"[")) << testing::PrintToString(db->ErrorText);
  EXPECT_NE(platform::ToLower(db->ErrorText).find(L"connect"), std::wstring::npos)
      << testing::PrintToString(db->ErrorText);
}

TEST(ConnectionFailure, AConnectionTheServerEndedIsDead) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::PostgresConnString();
  ASSERT_EQ(db->OpenConnection(&info), 0) << platform::ToUtf8(db->ErrorText);
  EXPECT_FALSE(db->ConnectionDead());
  // The first failure after the loss carries no connection state of its own with this driver.
  EXPECT_FALSE(CDB::isOK(db->Execute(L"select pg_terminate_backend(pg_backend_pid())")));
  EXPECT_TRUE(db->ConnectionDead()) << platform::ToUtf8(db->ErrorText);
}

TEST(ConnectionFailure, EmptyDescriptionAndUnconnectedUse) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO empty;
  EXPECT_EQ(db->OpenConnection(&empty), -3);
  EXPECT_EQ(db->OpenConnection(nullptr), -3);
  EXPECT_EQ(db->Execute(L"SELECT 1"), -2);
  EXPECT_EQ(db->ErrorText, L"Not connected");
  EXPECT_EQ(db->Fetch(), -2);
  int n = 0;
  EXPECT_EQ(db->ColumnCount(&n), -2);
  HSTMT_K st = nullptr;
  EXPECT_EQ(db->AllocStatement(&st), -2);
  EXPECT_EQ(db->BeginTransaction(), -2);
  EXPECT_FALSE(CDB::isOK(db->EndTransaction(0)));
}

TEST(ConnectionFailure, IsOkAcceptsOnlyZero) {
  EXPECT_TRUE(CDB::isOK(0));
  EXPECT_FALSE(CDB::isOK(100));
  EXPECT_FALSE(CDB::isOK(-1));
}

TEST(Drivers, ListContainsBothTestDrivers) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  std::vector<TabName> drivers;
  ASSERT_EQ(db->ListDrivers(&drivers), 0) << testing::PrintToString(db->ErrorText);
  auto has = [&](const std::wstring& name) {
    return std::any_of(drivers.begin(), drivers.end(),
                       [&](const TabName& d) { return d.Name == name; });
  };
  EXPECT_TRUE(has(testsupport::kSqliteDriver));
  EXPECT_TRUE(has(testsupport::kPostgresDriver));
}

TEST(NewDb, KeepsTheDataSourceType) {
  std::unique_ptr<CDB> db(CDB::newDB(2));
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->Info.DsType, 2);
  EXPECT_FALSE(db->IsConnected());
  EXPECT_EQ(db->DBMS, DBMS_UNKNOWN);
}

}  // namespace
}  // namespace kavra_test
