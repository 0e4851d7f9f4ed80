// The counter and sequence generators through the engine: the sequences they give, their
// borders and reuse counts, the calendar and clock carries, the table form on a real SQLite file,
// and every construction error.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kavra/CDB.h"
#include "synthor/generators/counters/CounterSupport.h"
#include "testsupport/TestEnv.h"
#include "synthor/engine/tests/EngineFixture.h"

namespace engine_test {
namespace {

class Counters : public EngineFixture {
 protected:
  // The first `n` values of one pattern, rendered in a row.
  std::vector<std::wstring> Run(const std::wstring& pattern, std::size_t n) {
    std::vector<std::wstring> out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(Render(pattern));
    return out;
  }
};

using Values = std::vector<std::wstring>;

TEST_F(Counters, GiveTheirSequences) {
  const struct {
    const wchar_t* pattern;
    Values expected;
  } cases[] = {
      {L"$inc()", {L"1", L"2", L"3"}},
      {L"$inc(10,5,,20)", {L"10", L"15", L"20", L"10", L"15"}},
      {L"$inc(1,1,,,3)", {L"1", L"1", L"1", L"2", L"2", L"2", L"3"}},
      {L"$inc(5,1,x)", {L"5", L"6"}},
      {L"$inc(7,-3,%05I64d)", {L"00007", L"00004", L"00001", L"-0002"}},
      // Counting down stops at the border from above.
      {L"$inc(10,-1,,5)", {L"10", L"9", L"8", L"7", L"6", L"5", L"10", L"9"}},
      {L"$inc(10,-2,,5)", {L"10", L"8", L"6", L"10"}},
      {L"$inc(0,-1,,-2,2)", {L"0", L"0", L"-1", L"-1", L"-2", L"-2", L"0"}},
      {L"$incfloat(1,-0.25,%.2f,0.5)", {L"1.00", L"0.75", L"0.50", L"1.00"}},
      {L"$inc(9223372036854775806,1)",
       {L"9223372036854775806", L"9223372036854775807", L"9223372036854775806"}},
      {L"$inc($inc(40),2)", {L"40", L"42"}},
      {L"$incfloat()", {L"1.000000", L"2.000000"}},
      {L"$incfloat(0.5,0.25,%.2f,1)", {L"0.50", L"0.75", L"1.00", L"0.50"}},
      {L"$incchar(z,a,-1)", {L"z", L"y", L"x"}},
      {L"$incchar(a,c,1,2)", {L"a", L"a", L"b", L"b", L"c", L"c", L"a"}},
      {L"$incchar(x,b,0)", {L"x", L"x"}},  // last below first: only the first
      {L"$seq($inc(),2)", {L"1", L"1", L"2", L"2", L"3", L"3"}},
      {L"$sequence($incchar(a,b),0)", {L"a", L"b", L"a"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.pattern, c.expected.size()), c.expected)
      << platform::ToUtf8(c.pattern);
}

TEST_F(Counters, CharactersCountDownToTheLastThenWrap) {
  const Values v = Run(L"$incchar(z,a,-1)", 27);
  EXPECT_EQ(v[25], L"a");
  EXPECT_EQ(v[26], L"z");
}

TEST_F(Counters, DatesFollowTheCalendar) {
  const struct {
    const wchar_t* pattern;
    Values expected;
  } cases[] = {
      {L"$incdate()", {L"01.01.1970", L"02.01.1970"}},
      // 2024 is a leap year: 30 February carries one day into March.
      {L"$incdate(DD.MM.YYYY,30.01.2024,1,M)", {L"30.01.2024", L"01.03.2024", L"01.04.2024"}},
      {L"$incdate(DD.MM.YYYY,30.01.2023,1,M)", {L"30.01.2023", L"02.03.2023"}},
      {L"$incdate(MM/YYYY,11/2024,13,M)", {L"11/2024", L"12/2025"}},
      {L"$incdate(DD.MM.YYYY,01.01.2024,-1,D)", {L"01.01.2024", L"31.12.2023"}},
      {L"$incdate(DD.MM.YYYY,28.02.2024,1,D,29.02.2024)",
       {L"28.02.2024", L"29.02.2024", L"28.02.2024"}},
      {L"$incdate(YYYY-MM-DD HH:mm,2024-12-31 23:30,45,m)",
       {L"2024-12-31 23:30", L"2025-01-01 00:15"}},
      {L"$incdate(DD-MON-YY,31-DEC-99,1,D)", {L"31-DEC-99", L"01-JAN-00"}},
      {L"$incdate(DD mon YYYY,15.03.2024,1,Y)", {L"01 jan 1970", L"01 jan 1971"}},
      {L"$incdate(DD.MM.YYYY,01.01.9999,1,Y)", {L"01.01.9999", L"01.01.9999"}},
      {L"$incdate(DD.MM.YYYY,01.01.2024,1,D,,2)",
       {L"01.01.2024", L"01.01.2024", L"02.01.2024"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.pattern, c.expected.size()), c.expected)
      << platform::ToUtf8(c.pattern);
}

TEST_F(Counters, TimesWrapAtMidnightAndShowTwelveHours) {
  const struct {
    const wchar_t* pattern;
    Values expected;
  } cases[] = {
      {L"$inctime()", {L"00:00:00", L"00:00:01"}},
      {L"$inctime(HH:MM:SS,9:5:0)", {L"00:00:00"}},
      {L"$inctime(HH:MM:SS,23:59:30,45)", {L"23:59:30", L"00:00:15"}},
      {L"$inctime(HH:MM:SS,00:00:10,-20)", {L"00:00:10", L"23:59:50"}},
      {L"$inctime(HH:mm AM,00:30 AM,13,H)", {L"12:30 AM", L"01:30 PM", L"02:30 AM"}},
      {L"$inctime(HH:MM,10:00,30,M,11:00)", {L"10:00", L"10:30", L"11:00", L"10:00"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.pattern, c.expected.size()), c.expected)
      << platform::ToUtf8(c.pattern);
}

TEST_F(Counters, DateAndTimeValuesCarryTheirMask) {
  DGValue v;
  ASSERT_EQ(engine.Value(L"$incdate(YYYY/MM/DD)", &v), 1);
  EXPECT_EQ(v.format, L"YYYY/MM/DD");
  ASSERT_EQ(engine.Value(L"$inctime(HH.mm)", &v), 1);
  EXPECT_EQ(v.format, L"HH.mm");
}

TEST_F(Counters, ReportEveryConstructionError) {
  const struct {
    const wchar_t* pattern;
    int code;
  } cases[] = {
      {L"$inc(1,$nosuch())", 3150},       {L"$inc($nosuch())", 3151},
      {L"$inc(orders,id)", 3152},         {L"$inc(1,1,,$nosuch())", 3153},
      {L"$inc(1,1,,,$nosuch())", 3154},   {L"$inc(1,1,%d%d)", 116},
      {L"$incfloat(1,$nosuch())", 3250},  {L"$incfloat(1,1,,$nosuch())", 3251},
      {L"$incfloat(1,1,,,$nosuch())", 3252}, {L"$incfloat(orders,id)", 3253},
      {L"$incfloat($nosuch())", 3254},    {L"$incfloat(1,1,%f%s)", 116},
      {L"$incdate(DD.MM.YYYY,01.01.2024,1,X)", 3100},
      {L"$incdate(DD.MM.YYYY,01.01.2024,$nosuch())", 3101},
      {L"$incdate(DD.MM.YYYY,$nosuch())", 3102}, {L"$incdate(DD.MM.YYYY,orders,day)", 3103},
      {L"$inctime(HH:MM:SS,00:00:00,1,D)", 3200}, {L"$inctime(HH:MM:SS,$nosuch())", 3201},
      {L"$inctime(HH:MM:SS,00:00:00,$nosuch())", 3202},
      {L"$inctime(HH:MM:SS,orders,at)", 3203},
      {L"$seq($inc())", 2300},            {L"$seq($inc(),$nosuch())", 2301},
  };
  for (const auto& c : cases) EXPECT_EQ(RenderError(c.pattern), c.code)
      << platform::ToUtf8(c.pattern) << ": " << platform::ToUtf8(engine.Error());
  EXPECT_EQ(RenderError(L"$inc(1,$nosuch())"), 3150);
  EXPECT_EQ(engine.Error().rfind(L"Inc: incorrect call '$nosuch()' for Step (", 0), 0u);
  EXPECT_EQ(RenderError(L"$incdate(DD.MM.YYYY,01.01.2024,1,X)"), 3100);
  EXPECT_EQ(engine.Error(), L"IncDate: wrong step size: 'D','M','Y','H','m' or 'S' expected");
}

// The table forms continue after the largest value stored in a real SQLite table.
TEST_F(Counters, TableFormsContinueAfterTheLargestStoredValue) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(testsupport::NewScratchPath(L"counters.db"));
  ASSERT_EQ(db->OpenConnection(&info), 0) << platform::ToUtf8(db->ErrorText);
  ASSERT_EQ(db->Execute(L"create table orders (id integer, price real, day text, at text)"), 0);
  ASSERT_EQ(db->Execute(L"insert into orders values (41, 2.5, '2024-02-28', '23:59:50'),"
                        L" (7, 1.0, '2023-01-01', '08:00:00')"),
            0);
  engine.SetConnection(db.get());
  const struct {
    const wchar_t* pattern;
    Values expected;
  } cases[] = {
      {L"$inc(orders,id)", {L"42", L"43"}},
      {L"$inc(orders,id,10,%03d)", {L"051", L"061"}},
      {L"$incfloat(orders,price,0.5)", {L"3.000000", L"3.500000"}},
      {L"$incdate(YYYY-MM-DD,orders,day)", {L"2024-02-29", L"2024-03-01"}},
      {L"$inctime(HH:MM:SS,orders,at,20)", {L"00:00:10", L"00:00:30"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.pattern, c.expected.size()), c.expected)
      << platform::ToUtf8(c.pattern);
  EXPECT_EQ(RenderError(L"$inc(nosuch,id)"), 3152);
  engine.Terminate();
}

// Table and column names reach the statement quoted the way the connection quotes identifiers, so
// that a name holding the quote character stays one name.
TEST_F(Counters, TableNamesAreQuotedWithTheConnectionsOwnQuotes) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(testsupport::NewScratchPath(L"quotes.db"));
  ASSERT_EQ(db->OpenConnection(&info), 0) << platform::ToUtf8(db->ErrorText);
  EXPECT_EQ(db->QuoteOpen, L'"');  // what the SQLite driver reports
  EXPECT_EQ(db->QuoteClose, L'"');
  ASSERT_EQ(db->Execute(L"create table \"my \"\"odd\"\" table\" (\"the id\" integer)"), 0);
  ASSERT_EQ(db->Execute(L"insert into \"my \"\"odd\"\" table\" values (41)"), 0);
  engine.SetConnection(db.get());
  EXPECT_EQ(Run(L"$inc(my \"odd\" table,the id)", 2), (Values{L"42", L"43"}));

  // Other servers quote with backquotes or brackets; SQLite understands both, so the statements
  // built with them run for real here.
  const struct {
    wchar_t open, close;
    const wchar_t* quoted;  // of the name: a"b`c]d
  } styles[] = {
      {L'"', L'"', L"\"a\"\"b`c]d\""},
      {L'`', L'`', L"`a\"b``c]d`"},
      {L'[', L']', L"[a\"b`c]]d]"},
  };
  for (const auto& style : styles) {
    db->QuoteOpen = style.open;
    db->QuoteClose = style.close;
    EXPECT_EQ(counters::QuoteIdentifier(*db, L"a\"b`c]d"), style.quoted);
    engine.Terminate();  // the generator reads the table when it is made
    engine.SetConnection(db.get());
    EXPECT_EQ(Run(L"$inc(my \"odd\" table,the id,2)", 2), (Values{L"43", L"45"}))
        << static_cast<char>(style.open);
  }
  engine.Terminate();
}

}  // namespace
}  // namespace engine_test
