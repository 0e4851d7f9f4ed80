#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "DbTestSupport.h"
#include "platform/Text.h"

namespace kavra_test {
namespace {

class StatementTest : public DbTest {};

TEST_P(StatementTest, ExecuteFetchAndNulls) {
  const std::wstring t = Table(L"nulls");
  Exec(L"CREATE TABLE " + t + L" (a INTEGER, b VARCHAR(20))");
  EXPECT_EQ(db_->StmtState, 0);
  Exec(L"INSERT INTO " + t + L" VALUES (1, 'one'), (2, NULL), (3, '')");

  Exec(L"SELECT a, b FROM " + t + L" ORDER BY a");
  EXPECT_EQ(db_->StmtState, 9);
  int columns = 0;
  ASSERT_EQ(db_->ColumnCount(&columns), 0);
  EXPECT_EQ(columns, 2);
  std::wstring name;
  ASSERT_EQ(db_->ColumnName(2, &name), 0);
  EXPECT_EQ(name, L"b");

  struct Row {
    const wchar_t* a;
    const wchar_t* b;
    int bSize;
  } expected[] = {{L"1", L"one", 3}, {L"2", L"", -1}, {L"3", L"", 0}};
  for (const Row& row : expected) {
    ASSERT_EQ(db_->Fetch(), 0) << testing::PrintToString(db_->ErrorText);
    std::wstring a = L"junk", b = L"junk";
    int aSize = 0, bSize = 0;
    ASSERT_EQ(db_->GetColumnText(1, &a, &aSize), 0);
    ASSERT_EQ(db_->GetColumnText(2, &b, &bSize), 0);
    EXPECT_EQ(a, row.a);
    EXPECT_EQ(b, row.b);
    EXPECT_EQ(bSize, row.bSize);
  }
  EXPECT_EQ(db_->Fetch(), 100);
  EXPECT_FALSE(CDB::isOK(100));

  EXPECT_EQ(db_->CloseCursor(), 0);
  EXPECT_EQ(db_->StmtState, 0);
  EXPECT_EQ(db_->CloseCursor(), 0);  // no cursor open: still fine
  EXPECT_LT(db_->Fetch(), 0);        // nothing to fetch from
}

TEST_P(StatementTest, BadArgumentsAndBadSql) {
  std::wstring text;
  EXPECT_EQ(db_->GetColumnText(0, &text, nullptr), -3);
  EXPECT_EQ(db_->GetColumnText(1, nullptr, nullptr), -3);
  EXPECT_EQ(db_->ColumnCount(nullptr), -3);

  EXPECT_EQ(db_->Execute(L"SELEC nonsense FROM"), -1);
  EXPECT_TRUE(platform::StartsWith(db_->ErrorText, L"[")) << testing::PrintToString(db_->ErrorText);
  EXPECT_EQ(db_->StmtState, 0);
  // The connection is still usable after a failed statement.
  EXPECT_EQ(Column(db_.get(), L"SELECT 7"), std::vector<std::wstring>{L"7"});
}

TEST_P(StatementTest, LongValuesAreCutAtTheLimit) {
  const std::wstring t = Table(L"long");
  Exec(L"CREATE TABLE " + t + L" (v TEXT)");
  std::wstring longText;
  for (int i = 0; i < 100000; ++i) longText += static_cast<wchar_t>(L'a' + i % 26);
  Exec(L"INSERT INTO " + t + L" VALUES ('" + longText + L"')");

  struct Case {
    int limit;
    size_t expected;
  } cases[] = {{10, 10}, {0, 100000}, {-5, 100000}, {4096, 4096}, {4097, 4097}, {100000, 100000},
               {200000, 100000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    Exec(L"SELECT v FROM " + t);
    ASSERT_EQ(db_->Fetch(), 0);
    std::wstring value;
    int size = c.limit;
    ASSERT_EQ(db_->GetColumnText(1, &value, &size), 0) << testing::PrintToString(db_->ErrorText);
    EXPECT_EQ(size, static_cast<int>(c.expected));
    EXPECT_EQ(value, longText.substr(0, c.expected));
  }
  // No size at all: the whole value.
  Exec(L"SELECT v FROM " + t);
  ASSERT_EQ(db_->Fetch(), 0);
  std::wstring value;
  ASSERT_EQ(db_->GetColumnText(1, &value, nullptr), 0);
  EXPECT_EQ(value, longText);
}

TEST_P(StatementTest, NonAsciiAndNonBmpTextRoundTrips) {
  const std::wstring t = Table(L"unicode");
  Exec(L"CREATE TABLE " + t + L" (id INTEGER, v TEXT)");
  const std::wstring shortText = L"Grüße, Ελλάδα, 漢字, \U0001F600 and \U0001D11E";
  // Long enough to be read in several pieces, so that surrogate pairs straddle piece borders.
  std::wstring longText;
  for (int i = 0; i < 3000; ++i) longText += i % 3 ? L"\U0001F680" : L"é";
  Exec(L"INSERT INTO " + t + L" VALUES (1, '" + shortText + L"'), (2, '" + longText + L"')");

  EXPECT_EQ(Column(db_.get(), L"SELECT v FROM " + t + L" ORDER BY id"),
            (std::vector<std::wstring>{shortText, longText}));
  // The server holds code points, not surrogate halves or doubly encoded bytes.
  EXPECT_EQ(Column(db_.get(), L"SELECT length(v) FROM " + t + L" ORDER BY id"),
            (std::vector<std::wstring>{platform::FromInt(static_cast<long long>(shortText.size())),
                                       L"3000"}));
  // A text typed as a statement literal finds the stored row.
  EXPECT_EQ(Column(db_.get(), L"SELECT id FROM " + t + L" WHERE v = '" + shortText + L"'"),
            std::vector<std::wstring>{L"1"});

  std::wstring name;
  Exec(L"SELECT 1 AS \"Größe \U0001F600\"");
  ASSERT_EQ(db_->ColumnName(1, &name), 0);
  EXPECT_EQ(name, L"Größe \U0001F600");

  // A limit counts characters, not UTF-16 units.
  Exec(L"SELECT v FROM " + t + L" WHERE id = 2");
  ASSERT_EQ(db_->Fetch(), 0);
  std::wstring value;
  int size = 5;
  ASSERT_EQ(db_->GetColumnText(1, &value, &size), 0);
  EXPECT_EQ(size, 5);
  EXPECT_EQ(value, longText.substr(0, 5));
}

TEST_P(StatementTest, ErrorTextKeepsNonAsciiText) {
  // Both servers quote the unknown name back in their message.
  EXPECT_EQ(db_->Execute(L"SELECT * FROM \"tä\U0001F600ble\""), -1);
  EXPECT_NE(db_->ErrorText.find(L"tä\U0001F600ble"), std::wstring::npos)
      << testing::PrintToString(db_->ErrorText);
}

TEST_P(StatementTest, AffectedRowsOfAnUpdate) {
  const std::wstring t = Table(L"affected");
  Exec(L"CREATE TABLE " + t + L" (a INTEGER)");
  Exec(L"INSERT INTO " + t + L" VALUES (1), (2), (3), (4), (5)");
  Exec(L"UPDATE " + t + L" SET a = a + 10 WHERE a <= 3");
  int rows = -7;
  ASSERT_EQ(db_->RowsAffected(&rows), 0);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(db_->StmtState, 0);
  // Touching no rows is not a failure.
  Exec(L"DELETE FROM " + t + L" WHERE a = 999");
  ASSERT_EQ(db_->RowsAffected(&rows), 0);
  EXPECT_EQ(rows, 0);
}

TEST_P(StatementTest, TwoStatementHandlesInterleaved) {
  const std::wstring t = Table(L"interleaved");
  Exec(L"CREATE TABLE " + t + L" (a INTEGER)");
  Exec(L"INSERT INTO " + t + L" VALUES (1), (2), (3)");
  HSTMT_K up = nullptr, down = nullptr;
  ASSERT_EQ(db_->AllocStatement(&up), 0);
  ASSERT_EQ(db_->AllocStatement(&down), 0);
  ASSERT_NE(up, down);
  ASSERT_EQ(db_->Execute(L"SELECT a FROM " + t + L" ORDER BY a", up), 0);
  ASSERT_EQ(db_->Execute(L"SELECT a FROM " + t + L" ORDER BY a DESC", down), 0);
  EXPECT_EQ(db_->StmtState, 0);  // only the own statement sets it
  int columns = 0;
  ASSERT_EQ(db_->ColumnCount(&columns, down), 0);
  EXPECT_EQ(columns, 1);

  std::wstring seen;
  for (int i = 0; i < 3; ++i) {
    for (HSTMT_K st : {up, down}) {
      ASSERT_EQ(db_->Fetch(st), 0) << testing::PrintToString(db_->ErrorText);
      std::wstring v;
      ASSERT_EQ(db_->GetColumnText(1, &v, nullptr, st), 0);
      seen += v;
    }
  }
  EXPECT_EQ(seen, L"132231");
  EXPECT_EQ(db_->Fetch(up), 100);
  EXPECT_EQ(db_->FreeStatement(up), 0);
  EXPECT_EQ(db_->FreeStatement(up), -3);  // already freed
  EXPECT_EQ(db_->Fetch(up), -3);
  EXPECT_EQ(db_->FreeStatement(nullptr), -3);  // the own statement is not the caller's to free
  // A handle still held when the connection closes is freed with it.
  EXPECT_EQ(db_->CloseConnection(), 0);
  EXPECT_EQ(db_->FreeStatement(down), -2);
}

// A statement that runs far longer than the test: cancelling it from another thread ends it
// quickly with the driver's error, and the connection stays usable.
TEST_P(StatementTest, CancelFromAnotherThreadEndsALongStatement) {
  const std::wstring longStatement =
      IsSqlite() ? L"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                   L"WHERE x < 2000000000) SELECT count(*) FROM c"
                 : L"SELECT pg_sleep(10)";
  std::atomic<bool> finished{false};
  int rc = 0;
  const auto started = std::chrono::steady_clock::now();
  std::thread owner([&] {
    rc = db_->Execute(longStatement);
    finished = true;
  });
  // A cancel that arrives before the statement has started has nothing to stop; repeat it.
  while (!finished && std::chrono::steady_clock::now() - started < std::chrono::seconds(8)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    db_->Cancel();
  }
  owner.join();
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_LT(took, std::chrono::seconds(5)) << "the cancel did not stop the statement";
  EXPECT_EQ(rc, CDB::kOdbcError);
  EXPECT_FALSE(db_->ErrorText.empty());
  db_->CloseCursor();
  EXPECT_EQ(Column(db_.get(), L"SELECT 7"), std::vector<std::wstring>{L"7"});
}

TEST_P(StatementTest, CancelWithoutAConnectionSaysSo) {
  std::unique_ptr<CDB> idle(CDB::newDB(0));
  ASSERT_TRUE(idle);
  EXPECT_EQ(idle->Cancel(), CDB::kNotConnected);
  // Nothing running: nothing to stop, and the connection goes on.
  EXPECT_EQ(db_->Cancel(), CDB::kOk);
  EXPECT_EQ(Column(db_.get(), L"SELECT 8"), std::vector<std::wstring>{L"8"});
}

INSTANTIATE_TEST_SUITE_P(Both, StatementTest,
                         testing::Values(Backend::kSqlite, Backend::kPostgres), BackendName);

}  // namespace
}  // namespace kavra_test
