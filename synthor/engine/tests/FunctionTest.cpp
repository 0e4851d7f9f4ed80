// The built-in functions wired so far, and how call arguments are split on the way to them.
#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "synthor/engine/NamedGen.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

// ---- Argument splitting, seen through functions that echo their arguments ----

struct RenderCase {
  const wchar_t* pattern;
  const wchar_t* value;
};

const RenderCase kArgumentCases[] = {
    // A comma-ended argument loses one outer pair of parentheses; the last one keeps it.
    {L"$first((x,y),9)", L"x,y"}, {L"$pattern((x,y))", L"x,y"},  // the kept parentheses are block
                                                                 // marks: nothing visible
    {L"$quote(x,,[)", L"[x["},    {L"$quote( x , , | )", L"|x|"}, {L"$format(xy,[%s])", L"[xy]"},
    {L"$ up per (x)", L"X"},      {L"$UPPER(xy)", L"XY"},
};

class Arguments : public EngineFixture, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(Arguments, ReachTheFunction) {
  EXPECT_EQ(Render(GetParam().pattern), GetParam().value) << platform::ToUtf8(GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Calls, Arguments, ::testing::ValuesIn(kArgumentCases),
                         testsupport::NameBy<&RenderCase::pattern>());

struct ErrorCase {
  const wchar_t* pattern;
  int code;
};

const ErrorCase kArgumentErrors[] = {
    {L"$upper((a),(b))", 3500},  // two arguments
    {L"$upper(,x)", 3500},       // an empty first argument counts
    {L"$upper()", 3500},         // an empty last one does not
    {L"$lower(a,b)", 3400},     {L"$pattern()", 3700},      {L"$first(x)", 5200},
    {L"$last(xyz,)", 5300},  // an empty last argument is no argument
    {L"$last(x,1,2)", 5300},    {L"$format(x)", 3300},      {L"$quote()", 3600},
    {L"$truncate(x)", 106},     {L"$truncate(x,0)", 107},   {L"$truncate(x,2a)", 107},
    {L"$vars()", 108},          {L"$call()", 600},          {L"$call(x)", 601},
    {L"$geometry(0)", 401},     {L"$geometry(1,2,3)", 400}, {L"$geography(1,2)", 500},
    {L"$rstring(3)", 3000},     {L"$rint(1,10,%s)", 5500},  {L"$rfloat(0,1,2,%d%d)", 5600},
    {L"$format(N,%n)", 3301},
};

class ArgumentErrors : public EngineFixture, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ArgumentErrors, FailTheCompilation) {
  EXPECT_EQ(RenderError(GetParam().pattern), GetParam().code)
      << platform::ToUtf8(GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Calls, ArgumentErrors, ::testing::ValuesIn(kArgumentErrors),
                         testsupport::NameBy<&ErrorCase::pattern>());

// ---- Nested values ----

const RenderCase kNestedCases[] = {
    {L"$truncate(xy,5)", L"xy"},      {L"$truncate(wxyz,2)", L"wx"},
    {L"$first(wxyz,2)", L"wx"},       {L"$last(wxyz,2)", L"yz"},
    {L"$last(xyz,10)", L"xyz"},       {L"$upper(x1y)", L"X1Y"},
    {L"$lower($upper(xy))", L"xy"},   {L"$format(7,%03d)", L"007"},
    {L"$format(1.5,%.2f)", L"1.50"},  {L"$format(xy,plain)", L"plain"},
    {L"$quote(xy,INTEGER)", L"xy"},   {L"$quote(xy,integer)", L"xy"},
    {L"$quote(xy,varchar)", L"'xy'"}, {L"$quote(xy,4)", L"xy"},
    {L"$quote(xy,12)", L"'xy'"},      {L"$quote(xy,93)", L"xy"},
    {L"$quote(x'y)", L"'x'y'"},       {L"$quote(x'y,,',1)", L"'x''y'"},
    {L"$pattern(<xy>)", L"xy"},       {L"$old()", L""},
};

class Nested : public EngineFixture, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(Nested, Render) {
  EXPECT_EQ(Render(GetParam().pattern), GetParam().value) << platform::ToUtf8(GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Functions, Nested, ::testing::ValuesIn(kNestedCases),
                         testsupport::NameBy<&RenderCase::pattern>());

TEST_F(EngineFixture, BracketsKeepCommasInsideOneArgument) {
  // The first argument is the optional block "[x,y]".
  EXPECT_EQ(Distinct(L"$quote([x,y],,|)", 100), (std::set<std::wstring>{L"|x,y|", L"||"}));
}

TEST_F(EngineFixture, OldRendersTheCallersText) {
  const std::wstring old = L"before";
  engine.SetOldValues(nullptr, &old);
  EXPECT_EQ(Render(L"$old()-"), L"before-");
}

TEST_F(EngineFixture, NamedGeneratorsAreCalledByName) {
  NamedGen digits{L"Digits", L"N{=2}"};
  std::vector<NamedGen*> named{&digits};
  engine.SetNamedGenerators(&named);
  EXPECT_TRUE(Matches(Render(L"$call(digits)"), "[0-9]{2}"));
  EXPECT_EQ(RenderError(L"$call(letters)"), 602);
  EXPECT_EQ(engine.Error(), L"Call: named generator 'letters' not found.");
}

DGValue Lookup(const std::wstring& name, int* status) {
  DGValue v;
  *status = 0;
  if (name == L"#city")
    v.value = L"Oslo";
  else if (name == L"#bad")
    *status = 1;
  else
    *status = 2;
  return v;
}

TEST_F(EngineFixture, VariablesSubstituteColumnsAndNames) {
  engine.AddColumnName(L"[P1]");
  const std::wstring first = Render(L"N{=4}", 0);
  // Without a callback variable names are dropped.
  EXPECT_EQ(Render(L"$vars(@1/@'P1'/#city/x)"), first + L"/" + first + L"//x");
  engine.Initialize(L"", kSeed, &Lookup);
  EXPECT_EQ(Render(L"$vars(#city-@1)"), L"Oslo-" + first);
  EXPECT_EQ(RenderError(L"$vars(#bad)"), 109);
  EXPECT_EQ(engine.Error(), L"Variable access: incorrect modifier for '#bad'.");
  EXPECT_EQ(RenderError(L"$vars(#nope)"), 110);
  // An unknown column name fails the value, as an unknown reference in an expression does.
  EXPECT_EQ(RenderError(L"x$vars(@'P9')y"), 705);
  EXPECT_EQ(engine.Error(), L"Specified column 'P9' not found or forward reference.");
  EXPECT_EQ(engine.ResolveVars(L"#city"), L"Oslo");
  engine.Initialize(L"", kSeed, nullptr);
  EXPECT_EQ(engine.ResolveVars(L"#city"), L"#city");
}

// ---- Random functions ----

TEST_F(EngineFixture, RandomIntegersStayBelowTheMaximum) {
  std::set<std::wstring> seen = Distinct(L"$rint(0,10)", 1000);
  EXPECT_EQ(seen.size(), 10u);
  EXPECT_EQ(seen.count(L"10"), 0u);
  EXPECT_EQ(Distinct(L"$rint(5,5)", 20), (std::set<std::wstring>{L"5"}));
  EXPECT_EQ(Distinct(L"$rint(5,1)", 20), (std::set<std::wstring>{L"5"}));
  for (int i = 0; i < 300; ++i) {
    const long long v = platform::ToInt64(Render(L"$rint()"));
    ASSERT_TRUE(v >= 0 && v < 32000) << v;
    const long long nested = platform::ToInt64(Render(L"$rint(1,$rint(5,10))"));
    ASSERT_TRUE(nested >= 1 && nested < 9) << nested;
    const long long wide = platform::ToInt64(Render(L"$rint(-5000000000,5000000000)"));
    ASSERT_TRUE(wide >= -5000000000LL && wide < 5000000000LL) << wide;
    ASSERT_TRUE(Matches(Render(L"$rint(0,1000,%05d)"), "0[0-9]{4}"));
  }
}

TEST_F(EngineFixture, RandomNumbersKeepBoundsAndDecimals) {
  for (const wchar_t* pattern : {L"$rfloat(0,1,3)", L"$rfloat(0,1,3,,N)", L"$rfloat(0,1,3,,L)"}) {
    for (int i = 0; i < 300; ++i) {
      const std::wstring v = Render(pattern);
      const double d = platform::ToDouble(v);
      ASSERT_TRUE(d >= 0.0 && d <= 1.0) << platform::ToUtf8(v);
      ASSERT_TRUE(Matches(v, "[01]\\.[0-9]{6}")) << platform::ToUtf8(v);
    }
  }
  EXPECT_TRUE(Matches(Render(L"$rfloat(1,9,2,%.2f)"), "[1-9]\\.[0-9]{2}"));
}

TEST_F(EngineFixture, RandomStrings) {
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(Render(L"$rstring(3,3)").size(), 3u);
    const std::wstring v = Render(L"$rstring(2,6,0,0)");
    ASSERT_TRUE(Matches(v, "[a-z]{2,6}")) << platform::ToUtf8(v);
    const std::wstring greek = Render(L"$rstring(4,4,0,0,0,Greek)");
    for (const wchar_t c : greek) ASSERT_TRUE(c >= 913 && c < 1011) << int(c);
  }
}

TEST_F(EngineFixture, GuidsAndSpatialLiterals) {
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(Matches(Render(L"$guid()"),
                        "[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"));
    ASSERT_TRUE(Matches(Render(L"$guid(true,true)"), "[0-9A-F]{32}"));
    const char* pair = "-?[0-9]+\\.[0-9]{3} -?[0-9]+\\.[0-9]{3}";
    const std::string geography = std::string("POINT\\(") + pair + "\\)|LINESTRING\\(" + pair +
                                  "," + pair + "\\)|POLYGON\\(\\((" + pair + ",){3}" + pair +
                                  "\\)\\)";
    ASSERT_TRUE(Matches(Render(L"$geography()"), geography.c_str()));
  }
  EXPECT_NE(Render(L"$guid()"), Render(L"$guid()"));
  std::set<std::wstring> shapes;
  for (int i = 0; i < 100; ++i) {
    const std::wstring one = Render(L"$geometry(1)");
    const std::wstring two = Render(L"$geometry(2)");
    ASSERT_TRUE(
        Matches(one,
                "POINT\\([0-9]+ [0-9]+\\)|LINESTRING\\([0-9]+ [0-9]+, [0-9]+ [0-9]+\\)|"
                "POLYGON\\(\\([0-9]+ [0-9]+, [0-9]+ [0-9]+,[0-9]+ [0-9]+, [0-9]+ [0-9]+\\)\\)"))
        << platform::ToUtf8(one);
    if (Matches(two, "MULTIPOINT\\(\\([0-9]+ [0-9]+\\), \\([0-9]+ [0-9]+\\)\\)"))
      shapes.insert(L"p");
    if (Matches(two, "MULTILINESTRING\\(.*\\)")) shapes.insert(L"l");
    if (Matches(two, "MULTIPOLYGON\\(.*\\)")) shapes.insert(L"g");
  }
  EXPECT_EQ(shapes.size(), 3u);
}

// ---- The clock ----

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

TEST_F(EngineFixture, TodayWritesTheLocalDate) {
  const std::tm t = LocalNow();
  const std::wstring expected =
      platform::Format(L"%02d.%02d.%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
  const std::wstring today = Render(L"$today()");
  if (today != expected) GTEST_SKIP() << "the date changed during the test";
  static const wchar_t* const kMonths[] = {L"JAN", L"FEB", L"MAR", L"APR", L"MAY", L"JUN",
                                           L"JUL", L"AUG", L"SEP", L"OCT", L"NOV", L"DEC"};
  EXPECT_EQ(Render(L"$today(YYYY-MON)"),
            platform::Format(L"%04d-%ls", t.tm_year + 1900, kMonths[t.tm_mon]));
  EXPECT_EQ(Render(L"$today(mon/YY)"),
            platform::ToLower(kMonths[t.tm_mon]) + platform::Format(L"/%02d", t.tm_year % 100));
}

TEST_F(EngineFixture, NowWritesTheLocalTime) {
  EXPECT_TRUE(Matches(Render(L"$now()"), "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]"));
  EXPECT_TRUE(
      Matches(Render(L"$now(HH:mm:SS.sss)"), "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\.[0-9]{3}"));
  EXPECT_TRUE(Matches(Render(L"$now(HH AM)"), "(0[1-9]|1[0-2]) (AM|PM)"));
  EXPECT_TRUE(Matches(Render(L"$now(zz)"), "[+-][0-9]{2}:[0-9]{2}"));
  const std::tm t = LocalNow();
  const long offset = std::labs(t.tm_gmtoff);
  const std::wstring zone = (t.tm_gmtoff < 0 ? L"-" : L"+") +
                            platform::Format(L"%02ld:%02ld", offset / 3600, offset % 3600 / 60);
  EXPECT_EQ(Render(L"$now(zz)"), zone);
}

}  // namespace
}  // namespace engine_test
