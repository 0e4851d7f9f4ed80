// The data-source wrapper on real sources: SQLite files through its own reader, an SQLite file
// through ODBC, and the PostgreSQL test server by DSN. Identifier quoting is checked by running
// the statements it builds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kavra/CDB.h"
#include "kavra/DbmsCodes.h"
#include "kavra/FileProvider.h"
#include "platform/Text.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/base/DsnReach.h"
#include "testsupport/TestEnv.h"

namespace {

using Values = std::vector<std::wstring>;
using Columns = CDB_API::Columns;

std::string Utf8(const std::wstring& s) { return platform::ToUtf8(s); }

// An empty file, which SQLite takes for an empty database.
std::wstring NewSqliteFile(const wchar_t* name) {
  const std::wstring path = testsupport::NewScratchPath(name);
  std::ofstream(Utf8(path)).close();
  return path;
}

// A wrapper on a fresh SQLite file holding `statements`.
std::unique_ptr<CDB_API> SqliteSource(const std::vector<std::wstring>& statements) {
  auto source = std::make_unique<CDB_API>();
  EXPECT_NE(source->Open(NewSqliteFile(L"source.db"), CDB_API::kSqliteFile, 0), 0)
      << Utf8(source->LastError());
  for (const std::wstring& sql : statements)
    EXPECT_EQ(source->Execute(sql), 0) << Utf8(sql) << ": " << Utf8(source->LastError());
  return source;
}

const std::vector<std::wstring> kPeople = {
    L"create table people (id integer, name text, city text)",
    L"insert into people values (1, 'ann', 'Oslo'), (2, 'bob', NULL), (3, NULL, 'Rome'),"
    L" (4, 'ann', 'Oslo'), (5, 'cid', 'Rome')"};

TEST(SqliteFile, ReadsOneColumnDistinctValuesAndFilters) {
  auto source = SqliteSource(kPeople);
  Values values;
  // One column: a NULL row gives no entry.
  ASSERT_EQ(source->GetQuery(L"select name from people order by id", &values), 0);
  EXPECT_EQ(values, (Values{L"ann", L"bob", L"ann", L"cid"}));
  ASSERT_EQ(source->GetColumn(L"people", L"name", L"", &values), 0);
  EXPECT_EQ(values, (Values{L"ann", L"bob", L"cid"}));
  ASSERT_EQ(source->GetColumn(L"people", L"city", L"id > 2", &values), 0);
  EXPECT_EQ(values, (Values{L"Rome", L"Oslo"}));
  // Numbers come back as their text.
  ASSERT_EQ(source->GetQuery(L"select id * 1.5 from people where id = 3", &values), 0);
  EXPECT_EQ(values, (Values{L"4.5"}));
}

TEST(SqliteFile, KeepsRowsAlignedWhenColumnsHoldNull) {
  auto source = SqliteSource(kPeople);
  Columns columns{{L"stale"}};
  ASSERT_EQ(source->GetQuery(L"select id, name, city from people order by id", &columns), 0);
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0], (Values{L"1", L"2", L"3", L"4", L"5"}));
  EXPECT_EQ(columns[1], (Values{L"ann", L"bob", L"NULL", L"ann", L"cid"}));
  EXPECT_EQ(columns[2], (Values{L"Oslo", L"NULL", L"Rome", L"Oslo", L"Rome"}));
  const std::wstring where = L"city = 'Rome'";
  ASSERT_EQ(source->GetColumns(L"people", {L"name", L"", L"id"}, &columns, &where), 0);
  EXPECT_EQ(columns, (Columns{{L"NULL", L"cid"}, {L"3", L"5"}}));
  // A query without rows still names its columns.
  ASSERT_EQ(source->GetQuery(L"select id, name from people where 0", &columns), 0);
  EXPECT_EQ(columns, (Columns{{}, {}}));
}

TEST(SqliteFile, ReportsSqliteErrorsAndMissingFiles) {
  auto source = SqliteSource(kPeople);
  Values values{L"stale"};
  EXPECT_EQ(source->GetQuery(L"select name from nosuch", &values), 1);
  EXPECT_EQ(source->LastError(), L"no such table: nosuch");
  EXPECT_TRUE(values.empty());
  Columns columns;
  EXPECT_EQ(source->GetQuery(L"selec 1", &columns), 1);
  EXPECT_NE(source->LastError().find(L"syntax error"), std::wstring::npos);
  // A failure while stepping is a failure too, not fewer rows.
  EXPECT_EQ(source->GetQuery(L"select abs(-9223372036854775807 - 1)", &values), 1);
  EXPECT_EQ(source->LastError(), L"integer overflow");
  EXPECT_EQ(source->Execute(L"insert into nosuch values (1)"), 1);
  EXPECT_EQ(source->LastError(), L"no such table: nosuch");

  const std::wstring missing = testsupport::ScratchFolder() + L"/no/such.db";
  CDB_API absent;
  EXPECT_EQ(absent.Open(missing, CDB_API::kSqliteFile, 1), 0);
  EXPECT_EQ(absent.LastError(), L"Could not find or access '" + missing + L"'.");
  EXPECT_FALSE(absent.IsConnected());
  EXPECT_EQ(absent.GetQuery(L"select 1", &values), -1);
  EXPECT_EQ(absent.LastError(), L"There is no connection.");
  EXPECT_EQ(absent.Execute(L"select 1"), -1);

  // A file that is not a database: SQLite opens it lazily and refuses the first statement.
  const std::wstring notDb = testsupport::NewScratchPath(L"text.db");
  std::ofstream(Utf8(notDb)) << std::string(2048, 'x');
  CDB_API garbage;
  ASSERT_NE(garbage.Open(notDb, CDB_API::kSqliteFile, 1), 0);
  EXPECT_EQ(garbage.GetQuery(L"select 1 from sqlite_master", &values), 1);
  EXPECT_EQ(garbage.LastError(), L"file is not a database");

  CDB_API database;  // not an SQLite file: Execute is not for it
  EXPECT_EQ(database.Execute(L"select 1"), -1);
}

TEST(SqliteFile, ReadOnlyOpensRefuseWrites) {
  const std::wstring path = NewSqliteFile(L"readonly.db");
  {
    CDB_API writer;
    ASSERT_NE(writer.Open(path, CDB_API::kSqliteFile, 0), 0) << Utf8(writer.LastError());
    ASSERT_EQ(writer.Execute(L"create table t (v text)"), 0) << Utf8(writer.LastError());
    ASSERT_EQ(writer.Execute(L"insert into t values ('kept')"), 0);
  }
  CDB_API reader;
  ASSERT_NE(reader.Open(path, CDB_API::kSqliteFile, 1), 0) << Utf8(reader.LastError());
  EXPECT_EQ(reader.Execute(L"insert into t values ('written')"), 1);
  EXPECT_NE(reader.LastError().find(L"readonly"), std::wstring::npos) << Utf8(reader.LastError());
  Values values;
  EXPECT_EQ(reader.GetQuery(L"select v from t", &values), 0);
  EXPECT_EQ(values, Values{L"kept"});
}

TEST(SqliteFile, CutsLongValuesWithoutSplittingACharacter) {
  const std::wstring smile = L"\U0001F600";  // two UTF-16 units
  auto source = SqliteSource({L"create table t (v text)"});
  ASSERT_EQ(source->Execute(L"insert into t values ('" + std::wstring(2000, L'x') + L"')"), 0);
  ASSERT_EQ(source->Execute(L"insert into t values ('" + std::wstring(1021, L'y') + smile + L"z')"),
            0);
  ASSERT_EQ(source->Execute(L"insert into t values ('" + std::wstring(1020, L'w') + smile + L"')"),
            0);
  Values values;
  ASSERT_EQ(source->GetQuery(L"select v from t", &values), 0);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0], std::wstring(1022, L'x'));
  EXPECT_EQ(values[1], std::wstring(1021, L'y'));  // the pair would have been cut: left out
  EXPECT_EQ(values[2], std::wstring(1020, L'w') + smile);
}

TEST(SqliteFile, CheckSyntaxModeStopsEarly) {
  auto source = SqliteSource({L"create table t (v integer)"});
  ASSERT_EQ(source->Execute(L"with recursive n(i) as (select 1 union all select i + 1 from n"
                            L" where i < 600) insert into t select i from n"),
            0);
  Values values;
  DSynthor::SetCheckSyntaxMode(1);
  const int rc = source->GetQuery(L"select v from t", &values);
  DSynthor::SetCheckSyntaxMode(0);
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(values.size(), CDB_API::kCheckSyntaxRows);
  ASSERT_EQ(source->GetQuery(L"select v from t", &values), 0);
  EXPECT_EQ(values.size(), 600u);
}

// Names from patterns are quoted; a name that is already one quoted identifier is kept, anything
// else (including a half-quoted name that would end the identifier early) is quoted whole.
TEST(Quoting, QuotesNamesAndDoublesEmbeddedQuotes) {
  CDB_API source;  // its connection object quotes with double quotes until connected
  const struct {
    const wchar_t* name;
    const wchar_t* column;
    const wchar_t* table;
  } cases[] = {
      {L"Orders", L"\"Orders\"", L"\"Orders\""},
      {L"[Order Lines]", L"[Order Lines]", L"[Order Lines]"},
      {L"`x`", L"`x`", L"`x`"},
      {L"\"a\"\"b\"", L"\"a\"\"b\"", L"\"a\"\"b\""},
      {L"a\"b", L"\"a\"\"b\"", L"\"a\"\"b\""},
      {L"[x] ; drop table t", L"\"[x] ; drop table t\"", L"\"[x] ; drop table t\""},
      {L"\"x\" or 1", L"\"\"\"x\"\" or 1\"", L"\"\"\"x\"\" or 1\""},
      {L"[", L"\"[\"", L"\"[\""},
      {L"dbo.Orders", L"\"dbo.Orders\"", L"\"dbo\".\"Orders\""},
      {L"dbo.[Orders]", L"\"dbo.[Orders]\"", L"\"dbo\".[Orders]"},
      {L"\"my.schema\".t", L"\"\"\"my.schema\"\".t\"", L"\"my.schema\".\"t\""},
      {L"a.b.c", L"\"a.b.c\"", L"\"a\".\"b.c\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(source.QuoteColumn(c.name), c.column) << Utf8(c.name);
    EXPECT_EQ(source.QuoteTable(c.name), c.table) << Utf8(c.name);
  }
}

TEST(Quoting, StatementsRunWithOddNames) {
  auto source = SqliteSource({L"create table \"my \"\"odd\"\" table\" (\"the [id]\" integer)",
                              L"insert into \"my \"\"odd\"\" table\" values (7), (7), (8)",
                              L"attach ':memory:' as other", L"create table other.t (v text)",
                              L"insert into other.t values ('elsewhere')"});
  Values values;
  ASSERT_EQ(source->GetColumn(L"my \"odd\" table", L"the [id]", L"", &values), 0)
      << Utf8(source->LastError());
  EXPECT_EQ(values, (Values{L"7", L"8"}));
  ASSERT_EQ(source->GetColumn(L"other.t", L"v", L"", &values), 0) << Utf8(source->LastError());
  EXPECT_EQ(values, (Values{L"elsewhere"}));
  // Injected SQL stays part of one (unknown) name.
  EXPECT_EQ(source->GetColumn(L"t\" union select sql from sqlite_master --", L"v", L"", &values),
            1);
  EXPECT_EQ(source->LastError(), L"no such table: t\" union select sql from sqlite_master --");
}

// Other servers quote with brackets or backquotes; the connection's own characters are used,
// and SQLite understands all of them, so the statements run for real here (the connection passes
// for another server while they do).
TEST(Quoting, UsesTheConnectionsQuoteCharacters) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(testsupport::NewScratchPath(L"odbc.db"));
  ASSERT_EQ(db->OpenConnection(&info), 0) << Utf8(db->ErrorText);
  ASSERT_EQ(db->Execute(L"create table \"a\"\"b`c\" (\"x y\" text)"), 0);
  ASSERT_EQ(db->Execute(L"insert into \"a\"\"b`c\" values ('found'), (NULL)"), 0);
  CDB_API source(db.get());
  EXPECT_EQ(source.Kind(), 15);
  ASSERT_TRUE(source.Usable()) << Utf8(source.LastError());
  const struct {
    wchar_t open, close;
    const wchar_t* table;
  } styles[] = {
      {L'"', L'"', L"\"a\"\"b`c\""}, {L'[', L']', L"[a\"b`c]"}, {L'`', L'`', L"`a\"b``c`"}};
  // The wrapper reads through a session of its own: that session passes for the other server.
  CDB& session = *source.Connection();
  session.DBMS = DBMS_OTHER;
  for (const auto& style : styles) {
    source.Connection()->QuoteOpen = style.open;
    source.Connection()->QuoteClose = style.close;
    EXPECT_EQ(source.QuoteTable(L"a\"b`c"), style.table);
    Values values;
    EXPECT_EQ(source.GetColumn(L"a\"b`c", L"x y", L"", &values), 0) << Utf8(source.LastError());
    EXPECT_EQ(values, (Values{L"found"}));
  }
  // SQLite itself takes a double-quoted name that matches no column for a string, so its names
  // go in backquotes, whatever the driver says, and a misspelt column fails.
  session.DBMS = DBMS_SQLITE;
  session.QuoteOpen = session.QuoteClose = L'"';
  EXPECT_EQ(source.QuoteTable(L"a\"b`c"), L"`a\"b``c`");
  EXPECT_EQ(source.QuoteColumn(L"\"x \"\"y\"\"\""), L"`x \"y\"`");
  {
    Values values;
    EXPECT_EQ(source.GetColumn(L"a\"b`c", L"x y", L"", &values), 0) << Utf8(source.LastError());
    EXPECT_EQ(values, (Values{L"found"}));
    EXPECT_EQ(source.GetColumn(L"a\"b`c", L"x z", L"", &values), 1);
    EXPECT_NE(source.LastError().find(L"no such column: x z"), std::wstring::npos)
        << Utf8(source.LastError());
    EXPECT_TRUE(values.empty());
  }
  // Through ODBC a NULL of a one-column read is the text NULL.
  Values values;
  ASSERT_EQ(source.GetQuery(L"select \"x y\" from \"a\"\"b`c\" order by 1", &values), 0);
  EXPECT_EQ(values, (Values{L"NULL", L"found"}));
  EXPECT_EQ(source.GetQuery(L"select v from nowhere", &values), 1);
  EXPECT_NE(source.LastError().find(L": 'select v from nowhere'"), std::wstring::npos)
      << Utf8(source.LastError());
  // The caller's connection stays the caller's.
  source.Close();
  EXPECT_FALSE(source.HasConnection());
  EXPECT_TRUE(db->IsConnected());
}

// A caller's connection object (as a worker's), autocommit off when `manualCommit`.
std::unique_ptr<CDB> CallerConnection(const std::wstring& connString, bool manualCommit) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  if (!db) return nullptr;
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = connString;
  info.ManualCommit = manualCommit ? 1 : 0;
  EXPECT_EQ(db->OpenConnection(&info), 0) << Utf8(db->ErrorText);
  return db;
}

// A wrapper on a caller's connection reads through a session of its own: it sees what is
// committed, never the caller's open work, and leaves the caller's transaction alone.
TEST(CallersConnection, SqliteFileIsReadThroughASessionOfItsOwn) {
  const std::wstring file = testsupport::NewScratchPath(L"shared.db");
  std::unique_ptr<CDB> db = CallerConnection(testsupport::SqliteConnString(file), true);
  ASSERT_TRUE(db && db->IsConnected());
  ASSERT_EQ(db->Execute(L"create table t (v text)"), 0) << Utf8(db->ErrorText);
  ASSERT_EQ(db->Execute(L"insert into t values ('committed')"), 0);
  ASSERT_EQ(db->EndTransaction(0), 0) << Utf8(db->ErrorText);
  ASSERT_EQ(db->Execute(L"insert into t values ('pending')"), 0);

  CDB_API source(db.get());
  EXPECT_FALSE(source.Borrows());
  EXPECT_EQ(source.Kind(), 15);
  Values values;
  ASSERT_EQ(source.GetQuery(L"select v from t order by v", &values), 0)
      << Utf8(source.LastError());
  EXPECT_EQ(values, Values{L"committed"});
  EXPECT_NE(source.Connection(), db.get());
  // The wrapper's reads hold nothing that keeps the caller from committing.
  ASSERT_EQ(db->EndTransaction(0), 0) << Utf8(db->ErrorText);
  ASSERT_EQ(source.GetQuery(L"select v from t order by v", &values), 0);
  EXPECT_EQ(values, (Values{L"committed", L"pending"}));

  // A wrapper made from this one reads the same data through a session of its own again.
  auto copy = std::make_unique<CDB_API>(&source);
  EXPECT_EQ(copy->Kind(), 15);
  ASSERT_EQ(copy->GetColumn(L"t", L"v", L"v like 'p%'", &values), 0) << Utf8(copy->LastError());
  EXPECT_EQ(values, Values{L"pending"});
  EXPECT_NE(copy->Connection(), source.Connection());
  copy.reset();
  ASSERT_EQ(source.GetQuery(L"select count(*) from t", &values), 0) << Utf8(source.LastError());
  EXPECT_EQ(values, Values{L"2"});
  source.Close();
  EXPECT_TRUE(db->IsConnected());
}

TEST(CallersConnection, ASessionThatCannotBeOpenedIsNamed) {
  const std::wstring file = testsupport::NewScratchPath(L"gone.db");
  std::unique_ptr<CDB> db = CallerConnection(testsupport::SqliteConnString(file), false);
  ASSERT_TRUE(db && db->IsConnected());
  // The caller's description no longer reaches the database when the wrapper first reads.
  db->Info.ConnString = L"Driver=NoSuchDriverHere;";
  CDB_API source(db.get());
  Values values{L"stale"};
  EXPECT_EQ(source.GetQuery(L"select 1", &values), -1);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(source.LastError().rfind(L"Could not open a session on the connection: ", 0), 0u)
      << Utf8(source.LastError());
  EXPECT_FALSE(source.Usable());
}

// Where a second session would reach other data, the caller's object is used as it is.
TEST(CallersConnection, InMemorySqliteIsBorrowed) {
  std::unique_ptr<CDB> db = CallerConnection(L"Driver=SQLite3;Database=:memory:;", false);
  ASSERT_TRUE(db && db->IsConnected());
  ASSERT_EQ(db->Execute(L"create table t (v text)"), 0) << Utf8(db->ErrorText);
  ASSERT_EQ(db->Execute(L"insert into t values ('only here')"), 0);
  CDB_API source(db.get());
  EXPECT_TRUE(source.Borrows());
  EXPECT_EQ(source.Connection(), db.get());
  Values values;
  ASSERT_EQ(source.GetColumn(L"t", L"v", L"", &values), 0) << Utf8(source.LastError());
  EXPECT_EQ(values, Values{L"only here"});
  CDB_API copy(&source);
  EXPECT_TRUE(copy.Borrows());
  copy.Close();
  source.Close();
  EXPECT_TRUE(db->IsConnected());
}

TEST(CallersConnection, NoConnectedSourceGivesAnUnconnectedWrapper) {
  CDB_API none(static_cast<CDB*>(nullptr));
  EXPECT_EQ(none.Kind(), -1);
  EXPECT_TRUE(none.HasConnection());
  EXPECT_FALSE(none.Usable());
  std::unique_ptr<CDB> idle(CDB::newDB(0));
  ASSERT_TRUE(idle);
  CDB_API unconnected(idle.get());
  EXPECT_FALSE(unconnected.Borrows());
  Values values;
  EXPECT_EQ(unconnected.GetQuery(L"select 1", &values), -1);
  EXPECT_EQ(unconnected.LastError(), L"There is no connection.");
  // An SQLite file's reader is the source's alone.
  auto file = SqliteSource(kPeople);
  CDB_API fromFile(file.get());
  EXPECT_EQ(fromFile.Kind(), -1);
  EXPECT_EQ(fromFile.GetQuery(L"select name from people", &values), -1);
  ASSERT_EQ(file->GetColumn(L"people", L"name", L"id = 1", &values), 0);
  EXPECT_EQ(values, Values{L"ann"});
}

TEST(Connection, ConnectsByDsnAndOwnsWhatItMade) {
  CDB_API source;
  EXPECT_EQ(source.GetQuery(L"select 1", static_cast<Values*>(nullptr)), -1);
  EXPECT_EQ(source.LastError(), L"There is no connection.");
  EXPECT_NE(source.Connect(L"NoSuchDsn", L"", L""), 0);
  EXPECT_FALSE(source.LastError().empty());
  ASSERT_EQ(source.Connect(testsupport::kSqliteDsn, L"", L""), 0) << Utf8(source.LastError());
  EXPECT_EQ(source.Kind(), -1);
  Values values;
  ASSERT_EQ(source.GetQuery(L"select 'a' union all select 'b'", &values), 0);
  EXPECT_EQ(values, (Values{L"a", L"b"}));
  source.Close();
  EXPECT_FALSE(source.HasConnection());
  EXPECT_EQ(source.GetQuery(L"select 1", &values), -1);
}

// The test process is confined to this machine: a data source is judged by where its definition
// leads before anything connects. The far ones are judged as definitions only, never connected.
TEST(Connection, ConfinedDataSourcesAreJudgedByWhereTheyLead) {
  const datasource::DsnDefinition sqlite = datasource::ReadDsn(testsupport::kSqliteDsn);
  EXPECT_TRUE(sqlite.defined);
  EXPECT_NE(sqlite.driverLibrary.find("libsqlite3odbc.so"), std::string::npos)
      << sqlite.driverLibrary;
  EXPECT_TRUE(datasource::JudgeDsn(testsupport::kSqliteDsn).Allowed());
  if (testsupport::HavePostgres()) {
    EXPECT_TRUE(datasource::JudgeDsn(testsupport::kPostgresDsn).Allowed())
        << Utf8(datasource::JudgeDsn(testsupport::kPostgresDsn).reason);
  }
  const std::wstring prefix = L"refused in a process confined to this machine: data source ";
  EXPECT_EQ(datasource::JudgeDsn(L"NoSuchDsn").reason,
            prefix + L"'NoSuchDsn' is not defined in the ODBC set-up");
  CDB_API source;
  EXPECT_NE(source.Connect(L"NoSuchDsn", L"", L""), 0);
  EXPECT_EQ(source.LastError(), datasource::JudgeDsn(L"NoSuchDsn").reason);

  datasource::DsnDefinition server;
  server.defined = true;
  server.driverLibrary = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so";
  server.attributes = {{L"Driver", L"PostgreSQL Unicode"}, {L"Servername", L"192.0.2.1"}};
  EXPECT_EQ(datasource::JudgeDsnDefinition(L"Far", server).reason,
            prefix +
                L"'Far' leads to '192.0.2.1', which is not a loopback host (127.0.0.0/8, "
                L"::1 or localhost)");
  server.attributes[1].second = L"localhost";
  EXPECT_TRUE(datasource::JudgeDsnDefinition(L"Near", server).Allowed());
  server.attributes.emplace_back(L"Server", L"db.example.invalid");
  EXPECT_FALSE(datasource::JudgeDsnDefinition(L"Both", server).Allowed());
  server.attributes = {{L"pqopt", L"host=192.0.2.1"}, {L"Servername", L"127.0.0.1"}};
  EXPECT_EQ(datasource::JudgeDsnDefinition(L"Opts", server).reason,
            prefix + L"'Opts' passes libpq options of its own");
  server.attributes = {{L"Port", L"5432"}};
  EXPECT_EQ(datasource::JudgeDsnDefinition(L"Bare", server).reason,
            prefix + L"'Bare' names no server");
  server.driverLibrary = "libtdsodbc.so";
  server.attributes = {{L"Server", L"127.0.0.1"}};
  EXPECT_EQ(datasource::JudgeDsnDefinition(L"Tds", server).reason,
            prefix + L"'Tds' uses the driver 'libtdsodbc.so', whose target cannot be told");
}

// Without a provider for the workbook, the ODBC stand-in is looked for among the installed
// drivers; the test's own driver list has none for workbooks.
class ExcelProbe : public CDB_API {
 public:
  using CDB_API::UseOdbcForExcel;
};

TEST(Connection, FindsNoExcelOdbcDriver) {
  ExcelProbe probe;
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  CONN_INFO info;
  EXPECT_EQ(probe.UseOdbcForExcel(db.get(), &info, L"/tmp/book.xlsx", 1), 0);
  EXPECT_EQ(probe.LastError(), L"ODBC driver (64 bit) not found.");
}

// Access files and workbooks are read by the file provider; what it cannot read is named.
TEST(Connection, OpenNamesFilesItCannotRead) {
  const std::wstring folder = testsupport::ScratchFolder();
  CDB_API source;
  EXPECT_EQ(source.Open(folder + L"/missing.xlsx", CDB_API::kExcelFile, 1), 0);
  EXPECT_EQ(source.LastError().rfind(kFileProviderMissingFile, 0), 0u) << Utf8(source.LastError());
  EXPECT_EQ(source.Kind(), CDB_API::kExcelFile);
  EXPECT_EQ(source.Open(folder + L"/missing.mdb", CDB_API::kAccessFile, 1), 0);
  EXPECT_EQ(source.LastError().rfind(kFileProviderMissingFile, 0), 0u) << Utf8(source.LastError());

  const std::wstring binary = testsupport::NewScratchPath(L"book.xlsb");
  std::ofstream(Utf8(binary)) << "PK\x03\x04 not really";
  EXPECT_EQ(source.Open(binary, CDB_API::kExcelFile, 1), 0);
  EXPECT_NE(source.LastError().find(kFileProviderUnsupportedFormat), std::wstring::npos)
      << Utf8(source.LastError());

  // No provider reads it and no ODBC driver stands in: one message, the provider's, naming the
  // file and what it is not.
  const std::wstring text = testsupport::NewScratchPath(L"notes.xls");
  std::ofstream(Utf8(text)) << "just some notes\n";
  EXPECT_EQ(source.Open(text, CDB_API::kExcelFile, 1), 0);
  EXPECT_EQ(source.LastError().rfind(kFileProviderUnknownFormat, 0), 0u)
      << Utf8(source.LastError());
  EXPECT_NE(source.LastError().find(text), std::wstring::npos) << Utf8(source.LastError());
  EXPECT_TRUE(platform::EndsWith(source.LastError(), L"(.mdb, .accdb)")) << Utf8(source.LastError());
  EXPECT_EQ(source.LastError().find(L"ODBC driver"), std::wstring::npos)
      << Utf8(source.LastError());
  EXPECT_FALSE(source.IsConnected());
}

TEST(Postgres, ReadsThroughADsn) {
  REQUIRE_POSTGRES();
  CDB_API source;
  ASSERT_EQ(source.Connect(testsupport::kPostgresDsn, testsupport::PostgresUser(), L""), 0)
      << Utf8(source.LastError());
  Values values;
  ASSERT_EQ(source.GetQuery(L"select v from (values (2, 'b'), (1, NULL), (3, 'c')) as t(k, v)"
                            L" order by k",
                            &values),
            0)
      << Utf8(source.LastError());
  EXPECT_EQ(values, (Values{L"NULL", L"b", L"c"}));
  Columns columns;
  ASSERT_EQ(source.GetQuery(L"select k, v from (values (2, 'b'), (1, NULL)) as t(k, v)"
                            L" order by k",
                            &columns),
            0);
  EXPECT_EQ(columns, (Columns{{L"1", L"2"}, {L"NULL", L"b"}}));
  EXPECT_EQ(source.GetQuery(L"select * from no_such_table", &columns), 1);
  EXPECT_NE(source.LastError().find(L"no_such_table"), std::wstring::npos);
  EXPECT_EQ(source.LastError().find(L": 'select"), std::wstring::npos);
  source.Close();
}

TEST(Postgres, EngineConnectsBySetConnection) {
  REQUIRE_POSTGRES();
  DSynthor engine;
  ASSERT_EQ(engine.Initialize(L"", 7, nullptr), 1);
  engine.SetConnection(testsupport::kPostgresDsn, testsupport::PostgresUser(), L"");
  ASSERT_TRUE(engine.CurrentConnection()->IsConnected())
      << Utf8(engine.CurrentConnection()->LastError());
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"$query(select 'pg' || (1 + 1),1)", &v, nullptr), 1)
      << Utf8(engine.Error());
  EXPECT_EQ(v.value, L"pg2");
  ASSERT_EQ(engine.Value(-1, L"$table(pg_catalog.pg_namespace,nspname,1,nspname = 'public')", &v,
                         nullptr),
            1)
      << Utf8(engine.Error());
  EXPECT_EQ(v.value, L"public");
  engine.Terminate();
}

// A value read that fails must not abort the worker's transaction on the server, which would
// fail every later statement of the caller's script.
TEST(Postgres, AnEnginesFailedReadLeavesTheCallersTransactionAlone) {
  REQUIRE_POSTGRES();
  std::unique_ptr<CDB> db = CallerConnection(testsupport::PostgresConnString(), true);
  ASSERT_TRUE(db && db->IsConnected());
  const std::wstring table = L"caller_work_" + platform::FromInt(getpid());
  ASSERT_EQ(db->Execute(L"create table " + table + L" (v integer)"), 0) << Utf8(db->ErrorText);
  ASSERT_EQ(db->EndTransaction(0), 0);
  ASSERT_EQ(db->Execute(L"insert into " + table + L" values (1)"), 0) << Utf8(db->ErrorText);

  DSynthor engine;
  ASSERT_EQ(engine.Initialize(L"", 7, nullptr), 1);
  engine.SetConnection(db.get());
  DGValue v;
  EXPECT_EQ(engine.Value(-1, L"$query(select nosuch from nowhere_at_all)", &v, nullptr), 0);
  EXPECT_NE(engine.Error().find(L"nowhere_at_all"), std::wstring::npos) << Utf8(engine.Error());
  // The caller's open work is not the engine's to see.
  ASSERT_EQ(engine.Value(-1, L"$query(select count(*) from " + table + L")", &v, nullptr), 1)
      << Utf8(engine.Error());
  EXPECT_EQ(v.value, L"0");
  ASSERT_EQ(engine.Value(-1, L"$query(select pg_backend_pid())", &v, nullptr), 1)
      << Utf8(engine.Error());
  ASSERT_EQ(db->Execute(L"select pg_backend_pid()"), 0);
  ASSERT_EQ(db->Fetch(), 0);
  std::wstring callerPid;
  int size = 0;
  ASSERT_EQ(db->GetColumnText(1, &callerPid, &size), 0);
  db->CloseCursor();
  EXPECT_NE(v.value, callerPid);

  EXPECT_EQ(db->Execute(L"insert into " + table + L" values (2)"), 0) << Utf8(db->ErrorText);
  EXPECT_EQ(db->EndTransaction(0), 0) << Utf8(db->ErrorText);
  engine.Terminate();
  ASSERT_EQ(db->Execute(L"select count(*) from " + table), 0);
  ASSERT_EQ(db->Fetch(), 0);
  std::wstring count;
  ASSERT_EQ(db->GetColumnText(1, &count, &size), 0);
  db->CloseCursor();
  EXPECT_EQ(count, L"2");
  db->Execute(L"drop table " + table);
  db->EndTransaction(0);
}

}  // namespace
