// The generators that read through SQL ($query, $querygroup, $table, $tablegroup, $tablegroupc)
// through the engine, as a pattern uses them: on the engine's connection to a real SQLite file,
// on a connection of their own by DSN, and with bad arguments.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kavra/CDB.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/TestEnv.h"

namespace engine_test {
namespace {

using Values = std::vector<std::wstring>;

// A connection to an SQLite file through ODBC.
std::unique_ptr<CDB> OpenSqlite(const std::wstring& file) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(file);
  EXPECT_TRUE(db && db->OpenConnection(&info) == 0) << (db ? platform::ToUtf8(db->ErrorText) : "");
  return db;
}

void Exec(CDB* db, const std::wstring& sql) {
  ASSERT_EQ(db->Execute(sql), 0) << platform::ToUtf8(sql) << ": "
                                 << platform::ToUtf8(db->ErrorText);
}

class SqlGenerators : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    db = OpenSqlite(testsupport::NewScratchPath(L"generators.db"));
    ASSERT_TRUE(db);
    Exec(db.get(), L"create table t (id integer, name text, city text)");
    Exec(db.get(),
         L"insert into t values (1, 'a', 'Oslo'), (2, 'b', 'Rome'), (3, 'c', NULL),"
         L" (4, 'a', 'Oslo')");
    engine.SetConnection(db.get());
  }
  void TearDown() override {
    EngineFixture::TearDown();
    db.reset();
  }

  Values Draw(const std::wstring& pattern, std::size_t n) {
    Values out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(Render(pattern));
    return out;
  }

  std::unique_ptr<CDB> db;
};

TEST_F(SqlGenerators, HandOutValuesInOrderOrAtRandom) {
  const struct {
    const wchar_t* pattern;
    Values expected;
  } cases[] = {
      {L"$query(select name from t order by id,1)", {L"a", L"b", L"c", L"a", L"a", L"b"}},
      {L"$query(select name from t order by id,true)", {L"a", L"b", L"c", L"a", L"a"}},
      {L"$query(select city from t order by id,1)", {L"Oslo", L"Rome", L"NULL", L"Oslo", L"Oslo"}},
      {L"$table(t,name,1)", {L"a", L"b", L"c", L"a"}},
      {L"$table(t,name,1,id > 1 and city is not null)", {L"b", L"a", L"b"}},
      {L"$query(select name from t where 0)", {L"NULL", L"NULL"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Draw(c.pattern, c.expected.size()), c.expected) << platform::ToUtf8(c.pattern);

  for (const wchar_t* random : {L"$query(select name from t)", L"$table(t,city)"}) {
    const std::set<std::wstring> seen = Distinct(random, 200);
    EXPECT_EQ(seen.size(), std::wstring(random).find(L"city") != std::wstring::npos ? 2u : 3u)
        << platform::ToUtf8(random);
    EXPECT_FALSE(seen.count(L"NULL"));
  }
}

TEST_F(SqlGenerators, QueryGivenAsAPatternIsRenderedFirst) {
  EXPECT_EQ(Draw(L"$query($const(select name from t where id = 2),1)", 2), (Values{L"b", L"b"}));
  EXPECT_EQ(RenderError(L"$query($nosuch(1))"), 1104);
  EXPECT_EQ(engine.Error().rfind(L"ByQuery: invalid query or nested expression '$nosuch(1)': ", 0),
            0u)
      << platform::ToUtf8(engine.Error());
  EXPECT_GT(engine.Error().size(), std::wstring(L"ByQuery: invalid query or nested expression "
                                                L"'$nosuch(1)': ")
                                       .size());
}

TEST_F(SqlGenerators, RerunModeAsksTheDatabaseForEveryValue) {
  const std::wstring pattern = L"$query(select max(id) from t where id > 10,2)";
  EXPECT_EQ(Render(pattern), L"NULL");
  Exec(db.get(), L"insert into t values (11, 'k', NULL)");
  EXPECT_EQ(Render(pattern), L"11");
  Exec(db.get(), L"insert into t values (12, 'l', NULL)");
  EXPECT_EQ(Render(pattern), L"12");
  const std::wstring none = L"$query(select name from t where id < 0,2)";
  EXPECT_EQ(Render(none), L"NULL");

  // A re-run that fails marks the item as failed.
  Exec(db.get(), L"create table gone (v text)");
  Exec(db.get(), L"insert into gone values ('here')");
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"$query(select v from gone,2)", &v, nullptr), 1);
  Exec(db.get(), L"drop table gone");
  EXPECT_EQ(engine.Value(-1, L"$query(select v from gone,2)", &v, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 1106);
  EXPECT_NE(engine.Error().find(L"no such table"), std::wstring::npos);
}

// A query given as a pattern is rendered again for every re-run; when that rendering fails, the
// previous query runs and the value is no failure.
TEST_F(SqlGenerators, RerunKeepsThePreviousQueryWhenItsPatternFails) {
  Exec(db.get(), L"create table queries (q text)");
  Exec(db.get(), L"insert into queries values ('select name from t where id = 2')");
  for (const wchar_t* pattern : {L"$query($query(select q from queries,2),2)",
                                 L"$querygroup(1,$query(select q from queries,2),2)"}) {
    EXPECT_EQ(Render(pattern), L"b") << platform::ToUtf8(pattern);
  }
  Exec(db.get(), L"drop table queries");
  Exec(db.get(), L"update t set name = 'B' where id = 2");
  for (const wchar_t* pattern : {L"$query($query(select q from queries,2),2)",
                                 L"$querygroup(1,$query(select q from queries,2),2)"}) {
    EXPECT_EQ(Render(pattern), L"B") << platform::ToUtf8(pattern);
    EXPECT_EQ(engine.ErrorCode(), 0) << platform::ToUtf8(engine.Error());
  }
}

TEST_F(SqlGenerators, GroupsKeepTheirRowsTogether) {
  EXPECT_EQ(
      Draw(L"$querygroup(1,(select id,name,city from t order by id),1)-$group(1,2)-$group(1,3)", 5),
      (Values{L"1-a-Oslo", L"2-b-Rome", L"3-c-NULL", L"4-a-Oslo", L"1-a-Oslo"}));
  EXPECT_EQ(Draw(L"$tablegroup(2,t,id,name,1)/$group(2,2)", 3), (Values{L"1/a", L"2/b", L"3/c"}));
  const std::set<std::wstring> rows = {L"1/a", L"2/b", L"3/c", L"4/a"};
  for (const wchar_t* random : {L"$querygroup(3,(select id,name from t),0)/$group(3,2)",
                                L"$tablegroup(4,t,id,name)/$group(4,2)"}) {
    const std::set<std::wstring> seen = Distinct(random, 200);
    EXPECT_EQ(seen, rows) << platform::ToUtf8(random);
  }
}

TEST_F(SqlGenerators, GroupItemsOutOfRangeAreErrors) {
  DGValue v;
  engine.Value(-1, L"$querygroup(1,select id from t,1)$group(1,2)", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 1706);
  EXPECT_EQ(engine.Error(), L"GroupByQuery: Group item is out of range");
  engine.Value(-1, L"$tablegroup(2,t,id,1)$group(2,0)", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 1610);
  EXPECT_EQ(engine.Error(), L"GroupFromTable: Group item is out of range");
}

// The connection named in the pattern serves alone: the engine needs none of its own, and a
// re-running group keeps its connection for as long as it lives.
TEST(SqlGeneratorsOwnConnection, ReadThroughTheirOwnDsn) {
  auto dsnDb = OpenSqlite(testsupport::SqliteDsnFile());
  ASSERT_TRUE(dsnDb);
  Exec(dsnDb.get(), L"drop table if exists own");
  Exec(dsnDb.get(), L"create table own (id integer, name text)");
  Exec(dsnDb.get(), L"insert into own values (1, 'x'), (2, 'y')");
  DSynthor engine;
  ASSERT_EQ(engine.Initialize(L"", kSeed, nullptr), 1);
  const std::wstring dsn = testsupport::kSqliteDsn;
  const struct {
    std::wstring pattern;
    Values expected;
  } cases[] = {
      {L"$query(select name from own order by id,1," + dsn + L",,)", {L"x", L"y", L"x"}},
      {L"$table(own,name,1,," + dsn + L")", {L"x", L"y", L"x"}},
      {L"$querygroup(1,(select id,name from own order by id),1," + dsn + L")$group(1,2)",
       {L"1x", L"2y"}},
      {L"$tablegroupc(2," + dsn + L",,,own,name,id,1)$group(2,2)", {L"x1", L"y2"}},
  };
  for (const auto& c : cases) {
    Values got;
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      DGValue v;
      EXPECT_EQ(engine.Value(-1, c.pattern, &v, nullptr), 1)
          << platform::ToUtf8(c.pattern) << ": " << platform::ToUtf8(engine.Error());
      got.push_back(v.value);
    }
    EXPECT_EQ(got, c.expected) << platform::ToUtf8(c.pattern);
  }
  const std::wstring rerun = L"$querygroup(3,select max(id) from own,2," + dsn + L")";
  DGValue v;
  ASSERT_EQ(engine.Value(-1, rerun, &v, nullptr), 1) << platform::ToUtf8(engine.Error());
  EXPECT_EQ(v.value, L"2");
  Exec(dsnDb.get(), L"insert into own values (3, 'z')");
  ASSERT_EQ(engine.Value(-1, rerun, &v, nullptr), 1) << platform::ToUtf8(engine.Error());
  EXPECT_EQ(v.value, L"3");
  engine.Terminate();
}

TEST(SqlGeneratorsErrors, ReportEveryConstructionError) {
  DSynthor engine;  // no connection bound
  ASSERT_EQ(engine.Initialize(L"", kSeed, nullptr), 1);
  const struct {
    const wchar_t* pattern;
    int code;
    const wchar_t* text;  // null: only the code is checked
  } cases[] = {
      {L"$query()", 1100, L"ByQuery: no query present."},
      {L"$query( ,1)", 1105, L"ByQuery: empty query provided."},
      {L"$query(select 1)", 1102, L"ByQuery: no default or custom database connection specified."},
      {L"$query(select 1,0,NoSuchDsn)", 1101, nullptr},
      {L"$querygroup(1)", 1700,
       L"GroupByQuery: the function expects at least 2 parameters: group and query."},
      {L"$querygroup(1,select 1)", 1702,
       L"GroupByQuery: no default or custom database connection specified."},
      {L"$querygroup(1,select 1,0,NoSuchDsn)", 1704,
       L"GroupByQuery: could not connect to custom data source."},
      {L"$querygroup(1,$nosuch())", 1705, nullptr},
      {L"$table(t)", 1500, L"FromTable: the function expects at least 2 parameters."},
      {L"$table(t,c)", 1502, L"FromTable: no default or custom database connection specified."},
      {L"$table(t,c,0,,NoSuchDsn)", 1501, L"FromTable: could not connect to custom data source."},
      {L"$tablegroup(1,t)", 1600, L"GroupFromTable: the function expects at least 3 parameters."},
      {L"$tablegroup(1,t,c)", 1608,
       L"GroupFromTable: no default or custom database connection specified."},
      {L"$tablegroupc(1,dsn,u,p,t)", 1602,
       L"GroupFromTable: this call version expects at least 6 parameters."},
      {L"$tablegroupc(1,NoSuchDsn,u,p,t,c)", 1604,
       L"GroupFromTable: could not connect to custom data source."},
  };
  for (const auto& c : cases) {
    DGValue v;
    EXPECT_EQ(engine.Value(-1, c.pattern, &v, nullptr), 0) << platform::ToUtf8(c.pattern);
    EXPECT_EQ(engine.ErrorCode(), c.code) << platform::ToUtf8(c.pattern);
    if (c.text) {
      EXPECT_EQ(engine.Error(), c.text) << platform::ToUtf8(c.pattern);
    }
  }
  engine.Terminate();
}

TEST_F(SqlGenerators, FailedReadsCarryTheDatabasesMessage) {
  EXPECT_EQ(RenderError(L"$query(select v from nowhere)"), 1103);
  EXPECT_NE(engine.Error().find(L"no such table: nowhere"), std::wstring::npos)
      << platform::ToUtf8(engine.Error());
  EXPECT_NE(engine.Error().find(L": 'select v from nowhere'"), std::wstring::npos);
  EXPECT_EQ(RenderError(L"$querygroup(1,select v from nowhere)"), 1701);
  EXPECT_EQ(RenderError(L"$table(nowhere,c)"), 1503);
  EXPECT_EQ(RenderError(L"$tablegroup(1,nowhere,a,b)"), 1601);
}

// SQLite reads an unknown name in double quotes as a string: a misspelt column must fail, not give
// its own name as data.
TEST_F(SqlGenerators, UnknownColumnsAreErrorsNotData) {
  const struct {
    const wchar_t* pattern;
    int code;
  } cases[] = {
      {L"$table(t,nmae)", 1503},
      {L"$table(t,\"nmae\")", 1503},
      {L"$table(t,nmae,1)", 1503},
      {L"$tablegroup(1,t,id,nmae)", 1601},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RenderError(c.pattern), c.code) << platform::ToUtf8(c.pattern);
    EXPECT_NE(engine.Error().find(L"nmae"), std::wstring::npos) << platform::ToUtf8(engine.Error());
  }
  // Names that exist read as before, however they are quoted.
  EXPECT_EQ(Draw(L"$table(t,\"name\",1)", 2), (Values{L"a", L"b"}));
  EXPECT_EQ(Draw(L"$tablegroup(5,\"t\",id,\"name\",1)/$group(5,2)", 2), (Values{L"1/a", L"2/b"}));
}

// Whatever the arguments, the generators fail or succeed without crashing or hanging.
TEST_F(SqlGenerators, GarbageArgumentsFailCleanly) {
  const wchar_t* garbage[] = {
      L"$query(,,,,,,,,)",
      L"$query(\"],[`,`)",
      L"$query(;;;)",
      L"$query($query($query()))",
      L"$querygroup(x,y,z,w,v,u)",
      L"$querygroup(,,,)",
      L"$table(,)",
      L"$table([,],-1,)",
      L"$table(t,name,99999999999)",
      L"$tablegroup(,,,,)",
      L"$tablegroup(-1,t,1)",
      L"$tablegroupc(,,,,,,,)",
      L"$tablegroupc(1,2,3,4,5,6)",
      L"$query(\x7f\x01)",
      L"$table(t,\"name\",1,1=1;drop table t)",
  };
  for (const wchar_t* pattern : garbage) {
    DGValue v;
    engine.Value(-1, pattern, &v, nullptr);
  }
  EXPECT_EQ(Draw(L"$query(select count(*) from t)", 1), (Values{L"4"}));
}

}  // namespace
}  // namespace engine_test
