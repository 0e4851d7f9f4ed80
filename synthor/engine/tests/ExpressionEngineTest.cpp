// Expressions inside the engine: `$$(...)` in patterns, nested calls and column references as
// operands, and the dates, times and date-times read from the values they give.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "synthor/engine/expressions/MExpression.h"
#include "synthor/engine/NamedGen.h"
#include "synthor/engine/tests/EngineFixture.h"

namespace engine_test {
namespace {

class ExpressionEngine : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    engine.AddColumnName(L"P1");
    engine.AddColumnName(L"[P2]");
    engine.DisableDepCheck();  // every value set below is recorded
  }
  void SetColumn(int column, const std::wstring& value, const std::wstring& format) {
    DGValue v;
    v.value = value;
    v.format = format;
    engine.SetValue(column, &v);
  }
};

struct DateCase {
  const wchar_t* value;   // column P1
  const wchar_t* format;  // its format ("" : read by the value's look)
  const wchar_t* expression;
  const wchar_t* result;
};

TEST_F(ExpressionEngine, DateArithmeticFollowsTheCalendar) {
  const DateCase cases[] = {
      {L"28.02.2001", L"DD.MM.YYYY", L"@1 + 1", L"01.03.2001"},
      {L"28.02.2004", L"DD.MM.YYYY", L"@1 + 1", L"29.02.2004"},
      {L"29.02.2004", L"DD.MM.YYYY", L"@1 + 1", L"01.03.2004"},
      {L"28.02.1900", L"DD.MM.YYYY", L"@1 + 1", L"01.03.1900"},
      {L"28.02.2000", L"DD.MM.YYYY", L"@1 + 1", L"29.02.2000"},
      {L"01.03.2004", L"DD.MM.YYYY", L"@1 - 1", L"29.02.2004"},
      {L"01.03.2001", L"DD.MM.YYYY", L"@1 - 1", L"28.02.2001"},
      {L"31.12.2001", L"DD.MM.YYYY", L"@1 + 1", L"01.01.2002"},
      {L"01.01.2002", L"DD.MM.YYYY", L"@1 - 1", L"31.12.2001"},
      {L"01.01.2002", L"DD.MM.YYYY", L"@1 + -1", L"31.12.2001"},
      {L"01.01.2002", L"DD.MM.YYYY", L"@1 - -31", L"01.02.2002"},
      {L"15.06.2001", L"DD.MM.YYYY", L"@1 + 366", L"16.06.2002"},
      {L"15.06.2001", L"DD.MM.YYYY", L"@1 - 3652", L"16.06.1991"},
      {L"10.05.2001", L"DD.MM.YYYY", L"@1 + 0", L"10.05.2001"},
      {L"31.02.2001", L"DD.MM.YYYY", L"@1 + 0", L"03.03.2001"},  // normalised on the way
      {L"28.02.2001", L"DD.MM.YYYY", L"1 + @1", L"01.03.2001"},
      {L"28-FEB-2001", L"DD-MON-YYYY", L"@1 + 1", L"01-MAR-2001"},
      {L"2001/12/31", L"YYYY/MM/DD", L"@1 + 1", L"2002/01/01"},
      // Read by the value's look.
      {L"1.3.2001", L"", L"@1 + 0", L"01.03.2001"},
      {L"31.12.99", L"", L"@1 + 1", L"01.01.00"},
      {L"12/25/2001", L"", L"@1 + 7", L"01/01/2002"},  // 25 is no month: month first
      {L"25/12/2001", L"", L"@1 + 7", L"01/01/2002"},
      {L"2004-02-28", L"", L"@1 + 1", L"2004-02-29"},
      {L"05-mar-99", L"", L"@1 - 5", L"28-feb-99"},
      {L"28.02.2001", L"%d", L"@1 + 1", L"01.03.2001"},  // a printf format says nothing
      // Date-times keep their time; days move the date.
      {L"28.02.2001 23:30:15", L"", L"@1 + 1", L"01.03.2001 23:30:15"},
      {L"28.02.2001 23:30", L"", L"@1 + 1", L"01.03.2001 23:30"},
      {L"2001-12-31 08:05:00", L"YYYY-MM-DD HH:MM:SS", L"@1 + 1", L"2002-01-01 08:05:00"},
      // Times move by seconds around the clock.
      {L"23:59:30", L"", L"@1 + 45", L"00:00:15"},
      {L"00:00:10", L"", L"@1 - 20", L"23:59:50"},
      {L"10:30", L"", L"@1 + 90", L"10:31"},
      {L"12:00:00", L"", L"@1 + 86400", L"12:00:00"},
      {L"10:00:00.250", L"HH:MM:SS.sss", L"@1 + 61", L"10:01:01.250"},
      {L"1:30:00", L"", L"@1 + 0", L"01:30:00"},
  };
  for (const DateCase& c : cases) {
    SetColumn(0, c.value, c.format);
    EXPECT_EQ(Render(std::wstring(L"$$(") + c.expression + L")"), c.result)
        << platform::ToUtf8(c.value) << " " << platform::ToUtf8(c.expression);
  }
}

struct PairCase {
  const wchar_t* first;
  const wchar_t* second;
  const wchar_t* expression;
  const wchar_t* result;
};

TEST_F(ExpressionEngine, DatesAndTimesCompareAndSubtract) {
  // Dates read the same in either date order of the user's locale (LocaleDateOrder.h).
  const PairCase cases[] = {
      // The days between two dates, by the calendar.
      {L"15.03.2001", L"15.02.2001", L"@1 - @2", L"28"},
      {L"15.02.2001", L"15.03.2001", L"@1 - @2", L"-28"},
      {L"2004-03-01", L"28.02.2004", L"@1 - @2", L"2"},
      {L"01.01.2002", L"31.12.2001", L"@1 - @2", L"1"},
      {L"01.01.2002", L"01.01.2001", L"@1 - @2", L"365"},
      {L"01.01.2001", L"01.01.2000", L"@1 - @2", L"366"},
      {L"2001-04-10", L"01.01.2001", L"@1 - @2", L"99"},
      {L"2001-03-01 10:00", L"28.02.2001 23:00", L"@1 - @2", L"1"},
      // Adding the difference back gives the later date again.
      {L"31.01.2001", L"31.07.1999", L"@2 + (@1 - @2)", L"31.01.2001"},
      {L"29.02.2004", L"31.12.2003", L"@2 + (@1 - @2)", L"29.02.2004"},
      {L"01.03.2001", L"01.02.2001", L"@1 > @2", L"1"},
      {L"01.03.2001", L"01.02.2001", L"@1 < @2", L"0"},
      {L"01.03.2001", L"01.03.2001", L"@1 == @2", L"1"},
      {L"01.03.2001", L"01.03.2001", L"@1 >= @2", L"1"},
      {L"15.03.2001", L"2001-03-15", L"@1 == @2", L"1"},  // fields, not texts
      {L"01.03.2001 10:00", L"01.03.2001 09:59", L"@1 > @2", L"1"},
      {L"01.03.2001 10:00", L"01.03.2001 10:00", L"@1 != @2", L"0"},
      {L"10:00:01", L"10:00:00", L"@1 > @2", L"1"},
      {L"10:00:00", L"10:00:00", L"@1 <= @2", L"1"},
      {L"09:00", L"10:00", L"@1 < @2", L"1"},
      // Other values are numbers or texts.
      {L"12", L"30", L"@1 + @2", L"42"},
      {L"2.5", L"4", L"@1 * @2", L"10"},
      {L"abc", L"abd", L"@1 < @2", L"1"},
      {L"hello", L"", L"@1 + ' world'", L"hello world"},
      {L"e.g.", L"", L"@1 == 'e.g.'", L"1"},
      {L"e.g.", L"", L"@1 == 'x.y'", L"0"},  // a word is no number 0
  };
  for (const PairCase& c : cases) {
    SetColumn(0, c.first, L"");
    SetColumn(1, c.second, L"");
    EXPECT_EQ(Render(std::wstring(L"$$(") + c.expression + L")"), c.result)
        << platform::ToUtf8(c.first) << " " << platform::ToUtf8(c.expression) << " "
        << platform::ToUtf8(c.second);
  }
}

TEST_F(ExpressionEngine, ExpressionItemsInPatterns) {
  EXPECT_EQ(Render(L"$$(1 + 2 * 3)"), L"7");
  EXPECT_EQ(Render(L"x$$(6 / 4)y"), L"x1y");
  EXPECT_EQ(Render(L"$$(2 * $$(3 + 4))"), L"14");
  EXPECT_EQ(Render(L"$$(( 1 + 1 ) * 3)"), L"6");
  EXPECT_EQ(Render(L"$$($rint(5, 6) * 2)"), L"10");  // the upper bound is never drawn
  EXPECT_EQ(Render(L"$$('<' + $upper(bcd) + '>')"), L"<BCD>");

  // The value carries the result's format, a date's mask included.
  SetColumn(0, L"28.02.2001", L"DD.MM.YYYY");
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"$$(@1 + 1)", &v, nullptr), 1);
  EXPECT_EQ(v.value, L"01.03.2001");
  EXPECT_EQ(v.format, L"DD.MM.YYYY");
  ASSERT_EQ(engine.Value(-1, L"$$(@1 - @1)", &v, nullptr), 1);
  EXPECT_EQ(v.value, L"0");
  EXPECT_EQ(v.format, L"");
}

TEST_F(ExpressionEngine, CurrentAndPreviousColumnValues) {
  SetColumn(0, L"5", L"");
  SetColumn(0, L"8", L"");
  EXPECT_EQ(Render(L"$$(@1 - @@1)"), L"3");
  EXPECT_EQ(Render(L"$$(@'P1' * 2)"), L"16");
  EXPECT_EQ(Render(L"$$(@@'P1' * 2)"), L"10");
  EXPECT_EQ(Render(L"xyz", 1), L"xyz");
  EXPECT_EQ(Render(L"$$(@'P2' + @2)"), L"xyzxyz");  // quoting of a column name is ignored
  // A value computed from a column becomes a column value in turn.
  EXPECT_EQ(Render(L"$$(@1 + 1)", 1), L"9");
  EXPECT_EQ(Render(L"$$(@2 * 10)"), L"90");
}

// A nested call whose pattern is a plain integer is read without its text; everything must come
// out as if the text had been written and read back.
TEST_F(ExpressionEngine, NestedNumbersActAsTheirTexts) {
  // Strings read the number's text, signs included.
  EXPECT_EQ(Render(L"$$('x' + $rint(7, 8))"), L"x7");
  EXPECT_EQ(Render(L"$$('n' + $rint(-5, -4) + 'm')"), L"n-5m");
  EXPECT_EQ(Render(L"$$($rint(-2147483648, -2147483647) + 'x')"), L"-2147483648");
  // An int equals only an int, so the nested value must be one.
  EXPECT_EQ(Render(L"$$($rint(3, 4) == 3)"), L"1");
  EXPECT_EQ(Render(L"$$($rint(3, 4) == 3.0)"), L"0");
  // Wider than 32 bits: the number and the text keep every digit.
  EXPECT_EQ(Render(L"$$($rint(5000000000, 5000000001) + 0)"), L"5000000000");
  EXPECT_EQ(Render(L"$$('' + $rint(5000000000, 5000000001))"), L"5000000000");
  EXPECT_EQ(Render(L"$$($rint(-2147483648, -2147483647) - 1)"), L"-2147483649");
  // A printf format makes a text that is read back as usual.
  EXPECT_EQ(Render(L"$$($rint(3, 4, %05d) + 1)"), L"4");
  EXPECT_EQ(Render(L"$$('' + $rint(3, 4, %05d))"), L"00003");
  // Bounds read from a column for every value.
  SetColumn(0, L"21", L"");
  EXPECT_EQ(Render(L"$$($rint(@'P1', @'P1') * 2)"), L"42");
  SetColumn(0, L"-4", L"");
  EXPECT_EQ(Render(L"$$($rint(@'P1', @'P1') * 2)"), L"-8");
  // The result of an int expression carries no format.
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"$$($rint(3, 4) - 1)", &v, nullptr), 1);
  EXPECT_EQ(v.value, L"2");
  EXPECT_EQ(v.format, L"");
}

TEST_F(ExpressionEngine, IntResultsAreWrittenWhole) {
  EXPECT_EQ(Render(L"x$$(-2147483647 - 1)y"), L"x-2147483648y");
  EXPECT_EQ(Render(L"$$(2147483647)"), L"2147483647");
  EXPECT_EQ(Render(L"$$(0)$$(-1)$$(10)"), L"0-110");
}

// Integers are 64-bit wherever they come from; what does not fit fails instead of wrapping.
TEST_F(ExpressionEngine, IntegersAre64BitAndOverflowFails) {
  EXPECT_EQ(Render(L"$$(100000*100000)"), L"10000000000");
  EXPECT_EQ(Render(L"$$(2147483647+1)"), L"2147483648");
  EXPECT_EQ(Render(L"$$(3000000000)"), L"3000000000");
  EXPECT_EQ(Render(L"$$($rint(3000000000,3000000005)+1)").size(), 10u);
  EXPECT_EQ(Render(L"$$(-9223372036854775808)"), L"-9223372036854775808");
  EXPECT_EQ(Render(L"$$(0 - (-4611686018427387904 * 2 + 1))"), L"9223372036854775807");
  EXPECT_EQ(Render(L"$$($rint(-9223372036854775808, -9223372036854775807) / 2)"),
            L"-4611686018427387904");
  EXPECT_EQ(Render(L"$$(3000000000 > 2999999999)"), L"1");
  EXPECT_EQ(Render(L"$$(4294967296 && 1)"), L"1");
  EXPECT_EQ(Render(L"$$(4294967296 + 0.5)"), L"4.29497e+09");
  EXPECT_EQ(Render(L"$$(1 + '4294967296')"), L"4294967297");
  SetColumn(0, L"4294967296", L"");
  EXPECT_EQ(Render(L"$$(@'P1' * 2)"), L"8589934592");
  EXPECT_EQ(Render(L"$$(-@'P1')$$(-$rint(7, 8))"), L"-4294967296-7");  // not the call's text
  // Data wider than 64 bits keeps its digits in a text and counts as the double it is.
  SetColumn(0, L"1234567890123456789012345", L"");
  EXPECT_EQ(Render(L"$$('no ' + @'P1')"), L"no 1234567890123456789012345");
  EXPECT_EQ(Render(L"$$(@'P1' * 2)"), L"2.46914e+24");
  SetColumn(0, L"28.02.2001", L"DD.MM.YYYY");
  EXPECT_EQ(Render(L"$$(@1 + 9000000000000000000)"), L"31.12.1000000");  // bounded
  EXPECT_EQ(Render(L"$$(@1 - -9223372036854775808)"), L"31.12.1000000");
  SetColumn(0, L"10:00:00", L"");
  EXPECT_EQ(Render(L"$$(@1 - -9223372036854775808)"), L"01:30:08");
  const wchar_t* overflows[] = {
      L"9223372036854775807 + 1",   L"-9223372036854775808 - 1",
      L"3037000500 * 3037000500",   L"-9223372036854775808 / -1",
      L"0 - -9223372036854775808",  L"9223372036854775808",
      L"$rint(9223372036854775807, 9223372036854775807) + 1",
  };
  for (const wchar_t* text : overflows) {
    EXPECT_EQ(RenderError(L"$$(" + std::wstring(text) + L")"), 87) << platform::ToUtf8(text);
    EXPECT_EQ(engine.Error(), L"Expression: integer overflow in '" + std::wstring(text) + L"'");
  }
}

// Each nested call draws once per evaluation, in the order of the text, whichever way its value
// is read.
TEST_F(ExpressionEngine, NestedCallsDrawOncePerEvaluation) {
  const int rounds = 200;
  std::vector<std::wstring> direct;
  {
    DSynthor other;
    ASSERT_EQ(other.Initialize(L"", kSeed, nullptr), 1);
    DGValue v;
    // The same compilations (each with its trial draw) as the expression below makes.
    ASSERT_NE(other.Compile(L"$rint(1, 1000)", 1, -1, nullptr), 0u);
    ASSERT_NE(other.Compile(L"$rint(1, 1000, %04d)", 1, -1, nullptr), 0u);
    for (int i = 0; i < 2 * rounds; ++i) {
      ASSERT_EQ(other.Value(-1, i % 2 ? L"$rint(1, 1000, %04d)" : L"$rint(1, 1000)", &v, nullptr),
                1);
      direct.push_back(v.value);
    }
    other.Terminate();
  }
  // Compiling the expression renders it once as a trial, after its nested patterns were compiled
  // with a trial each.
  const std::wstring pattern = L"$$('' + $rint(1, 1000) + ':' + $rint(1, 1000, %04d))";
  ASSERT_NE(engine.Compile(pattern, 1, -1, nullptr), 0u);
  for (int i = 1; i < rounds; ++i)
    EXPECT_EQ(Render(pattern), direct[2 * i] + L":" + direct[2 * i + 1]) << i;
}

TEST_F(ExpressionEngine, NestedNumbersKeepTheValueLengthLimit) {
  engine.SetMaxValueLength(3);
  EXPECT_EQ(Render(L"$$($rint(100, 101) - 100)"), L"0");
  DGValue v;
  EXPECT_EQ(engine.Value(-1, L"$$($rint(1000, 1001) - 1000)", &v, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 82);
  EXPECT_EQ(engine.Error(),
            L"Expression: could not evaluate nested call '$rint(1000, 1001)': "
            L"Pattern: the value would be longer than 3 characters.");
}

// `$if` reads its condition once but evaluates it for every value.
TEST_F(ExpressionEngine, IfEvaluatesItsConditionForEveryValue) {
  const std::wstring pattern = L"$if(@1 > 5, yes, no)";
  SetColumn(0, L"3", L"");
  EXPECT_EQ(Render(pattern), L"no");
  SetColumn(0, L"8", L"");
  EXPECT_EQ(Render(pattern), L"yes");
  SetColumn(0, L"5", L"");
  EXPECT_EQ(Render(pattern), L"no");
  // A nested call in the condition draws anew each time: both branches turn up.
  EXPECT_EQ(Distinct(L"$if($rint(0, 2) == 1, one, zero)", 200),
            (std::set<std::wstring>{L"one", L"zero"}));
}

struct EngineErrorCase {
  const wchar_t* pattern;
  int code;
  const wchar_t* text;
};

TEST_F(ExpressionEngine, ErrorsReachTheEngine) {
  const EngineErrorCase cases[] = {
      {L"$$()", 83, L"Expression: unexpected empty factor"},
      {L"$$(1 +)", 83, L"Expression: unexpected empty factor"},
      {L"$$(1 2)", 84, L"Expression: unexpected operation ot token '2'"},
      {L"$$((1)", 91, L"Function: brackets coordination error."},
      {L"$$(@9)", 82,
       L"Expression: could not evaluate nested call '@9': Column: invalid column index."},
      {L"$$(1 + $nosuch(2))", 82,
       L"Expression: could not evaluate nested call '$nosuch(2)': "
       L"Function: could not recognize 'nosuch' as correct function name."},
      {L"$$(1 + $$(2 +))", 82,
       L"Expression: could not evaluate nested call '$$(2 +)': "
       L"Expression: unexpected empty factor"},
      {L"$$(1 + $rint(1, 5)", 91, L"Function: brackets coordination error."},
  };
  for (const EngineErrorCase& c : cases) {
    DGValue v;
    EXPECT_EQ(engine.Value(-1, c.pattern, &v, nullptr), 0) << platform::ToUtf8(c.pattern);
    EXPECT_EQ(engine.ErrorCode(), c.code) << platform::ToUtf8(c.pattern);
    EXPECT_EQ(engine.Error(), c.text) << platform::ToUtf8(c.pattern);
  }
  // Without columns a reference cannot compile.
  DSynthor bare;
  ASSERT_EQ(bare.Initialize(L"", kSeed, nullptr), 1);
  MExpression expression;
  expression.calc(L"@1 + 1", &bare);
  EXPECT_EQ(expression.ErrorCode(), 82);
  EXPECT_EQ(
      expression.ErrorText(),
      L"Expression: could not evaluate nested call '@1': Column: definitions are not present.");
  EXPECT_EQ(bare.ErrorCode(), 82);
  bare.Terminate();
}

TEST_F(ExpressionEngine, ExpressionsCallingThemselvesStop) {
  NamedGen loop{L"loop", L"$$($call(loop) + 1)"};
  std::vector<NamedGen*> named = {&loop};
  engine.SetNamedGenerators(&named);
  DGValue v;
  EXPECT_EQ(engine.Value(-1, L"$call(loop)", &v, nullptr), 0);
  EXPECT_NE(engine.ErrorCode(), 0);
}

}  // namespace
}  // namespace engine_test
