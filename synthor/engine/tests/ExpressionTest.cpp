// The expression evaluator on its own: operator levels and order, numbers, texts, the operator
// table by operand kind, every error, and independence of the process locale.
#include <gtest/gtest.h>

#include <langinfo.h>
#include <locale.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/Text.h"
#include "synthor/engine/expressions/ExpressionOperand.h"
#include "synthor/engine/expressions/ExpressionProgram.h"
#include "synthor/engine/expressions/LocaleDateOrder.h"
#include "synthor/engine/expressions/MExpression.h"

namespace {

struct Case {
  const wchar_t* expression;
  const wchar_t* value;
};

std::string Show(const std::wstring& s) { return platform::ToUtf8(s); }

void ExpectValues(const Case* cases, std::size_t count) {
  MExpression expression;
  for (std::size_t i = 0; i < count; ++i) {
    const DGValue v = expression.calc(cases[i].expression, nullptr);
    EXPECT_EQ(expression.ErrorCode(), 0)
        << Show(cases[i].expression) << ": " << Show(expression.ErrorText());
    EXPECT_EQ(v.value, cases[i].value) << Show(cases[i].expression);
  }
}

TEST(ExpressionLevels, TwoLevelsEachLeftToRight) {
  const Case cases[] = {
      {L"1 + 2 * 3", L"7"},
      {L"(1 + 2) * 3", L"9"},
      {L"2 * 3 + 4 * 5", L"26"},
      // Comparisons share the level of + and -: (1 < 2) + 5.
      {L"1 < 2 + 5", L"6"},
      {L"5 + 1 < 2", L"0"},
      {L"10 - 4 - 3", L"3"},
      {L"100 / 10 / 5", L"2"},
      {L"1 + 1 == 2", L"1"},
      {L"3 == 1 + 2", L"2"},  // (3 == 1) + 2
      // && and || belong to the level of * and /.
      {L"1 + 0 && 0", L"1"},
      {L"(1 + 0) && 0", L"0"},
      {L"((((7))))", L"7"},
      {L"\t1 +\t2", L"3"},
  };
  ExpectValues(cases, std::size(cases));
}

TEST(ExpressionNumbers, IntegersDoublesAndSigns) {
  const Case cases[] = {
      {L"7 / 2", L"3"},        {L"-7 / 2", L"-3"},     {L"7.0 / 2", L"3.5"},
      {L"7 / 2.0", L"3.5"},    {L"5.5 - 2", L"3.5"},   {L"2 - 0.5", L"1.5"},
      {L"3 * 0.5", L"1.5"},    {L"0.1 + 0.2", L"0.3"}, {L"1 / 3.0", L"0.333333"},
      {L"+5", L"5"},           {L"-5", L"-5"},         {L"3 - -2", L"5"},
      {L"1E5", L"100000"},     {L"1e5", L"100000"},    {L"2.5e-1", L"0.25"},
      {L"1.5E+2 + 1", L"151"}, {L"1e6 + 1", L"1e+06"}, {L"007", L"7"},
  };
  ExpectValues(cases, std::size(cases));
}

TEST(ExpressionNumbers, IntegerArithmeticIs64Bit) {
  const Case cases[] = {
      {L"2147483647 + 1", L"2147483648"},
      {L"-2147483647 - 2", L"-2147483649"},
      {L"65536 * 65536", L"4294967296"},
      {L"(2147483647 + 1) / -1", L"-2147483648"},
      {L"(2147483647 + 1) * -1", L"-2147483648"},
      {L"99999999999", L"99999999999"},
  };
  ExpectValues(cases, std::size(cases));
}

// A sign before a parenthesis applies to its value (it used to read "(" as a text); signs in a
// row combine, however many there are.
TEST(ExpressionNumbers, SignsApplyToParenthesesAndCombine) {
  const Case cases[] = {
      {L"-(5)", L"-5"},   {L"-(2 + 3) * 2", L"-10"}, {L"-(-5)", L"5"},  {L"+(5)", L"5"},
      {L"--5", L"5"},     {L"-+5", L"-5"},           {L"- -(4)", L"4"}, {L"-(7.5)", L"-7.5"},
      {L"1 - -(2)", L"3"}, {L"-('ab')", L"ab"},
  };
  ExpectValues(cases, std::size(cases));
  MExpression expression;
  expression.calc(L"-(-9223372036854775807 - 1)", nullptr);
  EXPECT_EQ(expression.ErrorCode(), 87);
  EXPECT_EQ(expression.calc(std::wstring(1000000, L'-') + L"5", nullptr).value, L"5");
  EXPECT_EQ(expression.ErrorCode(), 0);
}

TEST(ExpressionComparisons, IntDoubleAndLogic) {
  const Case cases[] = {
      // An int equals only an int; a double compares with the number of either kind.
      {L"1 == 1.0", L"0"}, {L"1.0 == 1", L"1"}, {L"1 != 1.0", L"1"}, {L"2 = 2", L"1"},
      {L"2 ! 3", L"1"},    {L"1 < 2.5", L"1"},  {L"3 < 2.5", L"0"},  {L"2.5 > 2", L"1"},
      {L"3 <= 3", L"1"},   {L"3 >= 4", L"0"},   {L"4 >= 4", L"1"},   {L"1 && 0", L"0"},
      {L"2 && 3", L"1"},   {L"0 || 0", L"0"},   {L"0 || 5", L"1"},   {L"1 & 1", L"1"},
      {L"0 | 1", L"1"},
  };
  ExpectValues(cases, std::size(cases));
}

TEST(ExpressionStrings, JoinCompareAndLeaveAlone) {
  const Case cases[] = {
      {L"'ab' + 'cd'", L"abcd"},
      {L"'a b' + ''", L"a b"},
      {L"'n=' + 5", L"n=5"},
      {L"'n=' + (2 * 3)", L"n=6"},  // the computed value, not the source text "2"
      {L"'x' + -5", L"x-5"},
      {L"'x' - 1", L"x"},
      {L"'x' * 2", L"x"},
      {L"'x' / 2", L"x"},
      {L"'abc' < 'abd'", L"1"},
      {L"'B' < 'a'", L"1"},  // by character code, upper case first
      {L"'abc' == 'ABC'", L"0"},
      {L"'abc' == 'abc'", L"1"},
      {L"'12' == 12", L"1"},
      {L"1 + '5'", L"6"},
  };
  ExpectValues(cases, std::size(cases));
}

struct ErrorCase {
  const wchar_t* expression;
  int code;
  const wchar_t* text;
};

TEST(ExpressionErrors, EveryCodeWithItsText) {
  const ErrorCase cases[] = {
      {L"(1 + 2", 80, L"Expression: factor error: expect ')'"},
      {L"(1 + 2]", 80, L"Expression: factor error: expect ')'"},
      {L"1 + ]", 81, L"Expression: Factor error: expect value instead of ']'"},
      {L"*", 81, L"Expression: Factor error: expect value instead of '*'"},
      {L"2 * .", 81, L"Expression: Factor error: expect value instead of '.'"},
      {L"", 83, L"Expression: unexpected empty factor"},
      {L"   ", 83, L"Expression: unexpected empty factor"},
      {L"1 +", 83, L"Expression: unexpected empty factor"},
      {L"()", 80, L"Expression: factor error: expect ')'"},
      {L"1 2", 84, L"Expression: unexpected operation ot token '2'"},
      {L"1 'abc'", 84, L"Expression: unexpected operation ot token ''abc''"},
      {L"1 ; 2", 84, L"Expression: unexpected operation ot token ';'"},
      // No escapes: a text ends at the next apostrophe.
      {L"'it''s'", 84, L"Expression: unexpected operation ot token ''s''"},
      // The evaluation goes on after an error; the last one is reported.
      {L"(1 2", 80, L"Expression: factor error: expect ')'"},
      {L"(] + 1)", 81, L"Expression: Factor error: expect value instead of ']'"},
      // A division by zero has no value, whether of ints or of floating-point numbers.
      {L"7 / 0", 86, L"Expression: division by zero in '7 / 0'"},
      {L"7.5 / 0", 86, L"Expression: division by zero in '7.5 / 0'"},
      {L"7 / 0.0", 86, L"Expression: division by zero in '7 / 0.0'"},
      {L"1 + 7 / (2 - 2)", 86, L"Expression: division by zero in '1 + 7 / (2 - 2)'"},
      {L"7 / 'x'", 86, L"Expression: division by zero in '7 / 'x''"},  // a text counts as 0
  };
  MExpression expression;
  for (const ErrorCase& c : cases) {
    expression.calc(c.expression, nullptr);
    EXPECT_EQ(expression.ErrorCode(), c.code) << Show(c.expression);
    EXPECT_EQ(expression.ErrorText(), c.text) << Show(c.expression);
  }
  // Each calc starts afresh.
  EXPECT_EQ(expression.calc(L"1", nullptr).value, L"1");
  EXPECT_EQ(expression.ErrorCode(), 0);
  EXPECT_EQ(expression.ErrorText(), L"");
}

TEST(ExpressionErrors, ValueAfterAnErrorIsWhatWasComputed) {
  MExpression expression;
  EXPECT_EQ(expression.calc(L"1 2", nullptr).value, L"1");
  EXPECT_EQ(expression.calc(L"", nullptr).value, L"0");
  EXPECT_EQ(expression.calc(nullptr, nullptr).value, L"0");
  EXPECT_EQ(expression.ErrorCode(), 83);
  // A closing parenthesis at the top ends the expression quietly.
  EXPECT_EQ(expression.calc(L"4) + 1", nullptr).value, L"4");
  EXPECT_EQ(expression.ErrorCode(), 0);
}

TEST(ExpressionErrors, ParenthesesNestAtMost64Deep) {
  MExpression expression;
  const std::wstring deepest = std::wstring(64, L'(') + L"1" + std::wstring(64, L')');
  EXPECT_EQ(expression.calc(deepest, nullptr).value, L"1");
  EXPECT_EQ(expression.ErrorCode(), 0);

  const std::wstring tooDeep = std::wstring(65, L'(') + L"1" + std::wstring(65, L')');
  expression.calc(tooDeep, nullptr);
  EXPECT_EQ(expression.ErrorCode(), 85);
  EXPECT_EQ(expression.ErrorText(), L"Expression: parentheses nest deeper than 64 levels.");

  // Far deeper input neither overflows the stack nor takes long; 85 stays the reported error.
  expression.calc(std::wstring(1000000, L'(') + L")", nullptr);
  EXPECT_EQ(expression.ErrorCode(), 85);
}

TEST(ExpressionErrors, LongTokensAreReadWhole) {
  MExpression expression;
  const std::wstring text(5000, L'x');
  EXPECT_EQ(expression.calc(L"'" + text + L"' + 'y'", nullptr).value, text + L"y");
  const std::wstring digits = std::wstring(300, L'0') + L"42";
  EXPECT_EQ(expression.calc(digits + L" + 1", nullptr).value, L"43");
}

TEST(ExpressionReferences, WithoutAnEngineNothingIsPushed) {
  MExpression expression;
  EXPECT_EQ(expression.calc(L"@1 + 2", nullptr).value, L"2");
  EXPECT_EQ(expression.calc(L"$rint(1, 5) * 3", nullptr).value, L"0");
  EXPECT_EQ(expression.ErrorCode(), 0);
}

// A compiled expression is evaluated again and again with one evaluator, which keeps its operand
// stack between evaluations: nothing of one evaluation may reach the next.
TEST(ExpressionPrograms, EvaluationsLeaveNothingBehind) {
  MExpression expression;
  ExpressionProgram failing(L"(1 2) +");
  ExpressionProgram sum(L"'ab' + 7 * 2 + 'c'");
  ExpressionProgram lonely(L"+ 3 * 4");
  DGValue value;
  value.value = L"a much longer text than any result below";
  value.format = L"DD.MM.YYYY";
  for (int round = 0; round < 3; ++round) {
    expression.Evaluate(failing, nullptr, &value);
    EXPECT_EQ(expression.ErrorCode(), 80);  // 84 at "2", then 80; ")" ends the reading
    EXPECT_EQ(expression.ErrorText(), L"Expression: factor error: expect ')'");
    expression.Evaluate(sum, nullptr, &value);
    EXPECT_EQ(expression.ErrorCode(), 0);
    EXPECT_EQ(expression.ErrorText(), L"");
    EXPECT_EQ(value.value, L"ab14c");  // 7 * 2 is written as text only where a string reads it
    EXPECT_EQ(value.format, L"");
    expression.Evaluate(lonely, nullptr, &value);
    EXPECT_EQ(value.value, L"12");
  }
  EXPECT_EQ(expression.calc(L"'ab' + 7 * 2 + 'c'", nullptr).value, L"ab14c");
}

TEST(ExpressionRows, FieldValueByName) {
  MExpression expression;
  std::wstring dateMask = L"DD.MM.YYYY";
  const std::vector<ExpressionField> fields = {{L"id", 4}, {L"born", 9}, {L"id", 12}};
  std::vector<std::wstring> values = {L"17", L"01.02.2003", L"second"};
  std::wstring format = L"stale";
  EXPECT_EQ(expression.FieldValue(L"@'id'", &format), L"");  // nothing assigned yet
  expression.Assign(&dateMask, &fields, &values);
  EXPECT_EQ(expression.FieldValue(L"@'id'", &format), L"17");
  EXPECT_EQ(format, L"");
  EXPECT_EQ(expression.FieldValue(L"@'born'", &format), L"01.02.2003");
  EXPECT_EQ(format, L"DD.MM.YYYY");
  EXPECT_EQ(expression.FieldValue(L"@'none'", &format), L"");
  EXPECT_EQ(expression.FieldValue(L"@", nullptr), L"");
}

// Sets a locale with a decimal comma for one test and puts "C" back afterwards.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
      if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
        active_ = true;
        return;
      }
    }
    std::setlocale(LC_ALL, "C");
  }
  ~DecimalCommaLocale() { std::setlocale(LC_ALL, "C"); }
  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

// A nested date without a format: day and month in the order given, unless a part above 12 shows
// which one is the day; a year that comes first and a month name stay where they are.
TEST(ExpressionDates, ValuesWithoutAFormatReadInTheDateOrder) {
  struct OrderCase {
    const wchar_t* value;
    DateOrder order;
    const wchar_t* format;
    int day, month;
  };
  const OrderCase cases[] = {
      {L"02/03/2001", DateOrder::kMonthFirst, L"MM/DD/YYYY", 3, 2},
      {L"02/03/2001", DateOrder::kDayFirst, L"DD/MM/YYYY", 2, 3},
      {L"2.3.01", DateOrder::kMonthFirst, L"MM.DD.YY", 3, 2},
      {L"13/03/2001", DateOrder::kMonthFirst, L"DD/MM/YYYY", 13, 3},
      {L"03/13/2001", DateOrder::kDayFirst, L"MM/DD/YYYY", 13, 3},
      {L"2001-02-03", DateOrder::kMonthFirst, L"YYYY-MM-DD", 3, 2},
      {L"02-mar-99", DateOrder::kMonthFirst, L"DD-mon-YY", 2, 3},
      {L"02/03/2001 10:30", DateOrder::kMonthFirst, L"MM/DD/YYYY HH:mm", 3, 2},
  };
  for (const OrderCase& c : cases) {
    const ExpOperand date = expression_operand::FromValue(c.value, L"", c.order);
    const std::string at = Show(c.value) + (c.order == DateOrder::kMonthFirst ? " MDY" : " DMY");
    EXPECT_EQ(date.format, c.format) << at;
    EXPECT_EQ(date.day, c.day) << at;
    EXPECT_EQ(date.month, c.month) << at;
  }
}

bool HaveLocale(const char* name) {
  const locale_t locale = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return false;
  freelocale(locale);
  return true;
}

// The date order is the locale's own; "./dev test" builds both locales into LOCPATH and then
// requires them.
TEST(ExpressionLocale, DateOrderIsTheLocales) {
  for (const char* name : {"en_US.UTF-8", "de_DE.UTF-8"}) {
    if (HaveLocale(name)) continue;
    const char* required = std::getenv("BRUNOX_TEST_LOCALES_REQUIRED");
    if (required && std::string(required) == "1") FAIL() << "no " << name << " locale (LOCPATH)";
    GTEST_SKIP() << "no " << name << " locale (./dev test provides one through LOCPATH)";
  }
  EXPECT_EQ(DateOrderOfLocale("en_US.UTF-8"), DateOrder::kMonthFirst);
  EXPECT_EQ(DateOrderOfLocale("de_DE.UTF-8"), DateOrder::kDayFirst);
  // No locale of the user's own: the engine's day first.
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOSUCH.UTF-8"})
    EXPECT_EQ(DateOrderOfLocale(name), DateOrder::kDayFirst) << name;
  // The user's locale is the one the environment names, LC_ALL before LC_TIME and LANG.
  const char* was = std::getenv("LC_ALL");
  const std::string saved = was ? was : "";
  setenv("LC_ALL", "en_US.UTF-8", 1);
  EXPECT_EQ(DateOrderOfLocale(""), DateOrder::kMonthFirst);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(DateOrderOfLocale(""), DateOrder::kDayFirst);
  if (was)
    setenv("LC_ALL", saved.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

TEST(ExpressionLocale, NumbersIgnoreTheProcessLocale) {
  DecimalCommaLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma (set LOCPATH)";
  const Case cases[] = {
      {L"7.0 / 2", L"3.5"},    {L"1.5e3 + 0.25", L"1500.25"},
      {L"'x' + 2.5", L"x2.5"}, {L"2.5 == '2.5'", L"1"},  // the text read as a number
      {L"2.5 * 2 == 5", L"1"},
  };
  ExpectValues(cases, std::size(cases));
}

}  // namespace
