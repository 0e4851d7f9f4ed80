// Random numbers, texts, GUIDs and spatial literals: bounds (also beyond 32 bits), defaults,
// formats and shapes over many draws.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>

#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct IntRange {
  const wchar_t* pattern;
  long long low;    // inclusive
  long long high;   // exclusive, as the maximum itself is never drawn
  long long reach;  // some draw must be at least this far up
};

const IntRange kIntRanges[] = {
    {L"$rint()", 0, 32000, 30000},
    {L"$rint(,10)", 0, 10, 9},
    {L"$rint(-5,5)", -5, 5, 4},
    {L"$rint(0,5000000000)", 0, 5000000000LL, 4000000000LL},
    {L"$rint(-9000000000000000000,9000000000000000000)", -9000000000000000000LL,
     9000000000000000000LL, 8000000000000000000LL},
    // A bound made for each value is read at full width as well.
    {L"$rint($pattern(4000000000),$pattern(4000000010))", 4000000000LL, 4000000010LL, 4000000009LL},
    {L"$rint(1,$rint(5,10))", 1, 9, 8},
    // A long maximum below the minimum stands for the largest 32-bit number.
    {L"$rint(5,-123456789)", 5, INT_MAX, 1000000000},
};

class DrawnIntegers : public EngineFixture, public ::testing::WithParamInterface<IntRange> {};

TEST_P(DrawnIntegers, StayBelowTheMaximum) {
  const IntRange& r = GetParam();
  long long highest = LLONG_MIN;
  for (int i = 0; i < 2000; ++i) {
    const std::wstring v = Render(r.pattern);
    long long n = 0;
    ASSERT_TRUE(platform::ParseInt64(v, n)) << platform::ToUtf8(v);
    ASSERT_TRUE(n >= r.low && n < r.high) << n;
    highest = std::max(highest, n);
  }
  EXPECT_GE(highest, r.reach);
}

INSTANTIATE_TEST_SUITE_P(Integers, DrawnIntegers, ::testing::ValuesIn(kIntRanges),
                         testsupport::NameBy<&IntRange::pattern>());

struct Shape {
  const wchar_t* pattern;
  const char* shape;
};

const Shape kShapes[] = {
    {L"$rint(1,10,%05d)", "0000[1-9]"},
    {L"$rint(1,10,%d)", "[1-9]"},
    {L"$rint(10,16,%x)", "[a-f]"},
    {L"$rint(10,16,%#X)", "0X[A-F]"},
    {L"$rint(1,10,[%lld%%])", "\\[[1-9]%\\]"},
    {L"$rint(5000000000,5000000001,%I64d)", "5000000000"},
    {L"$rfloat(0,1,3,,N)", "[01]\\.[0-9]{6}"},
    {L"$rfloat(0,1,3,,Normal,0.1)", "[01]\\.[0-9]{6}"},
    {L"$rfloat(0,1,3,,L)", "[01]\\.[0-9]{6}"},
    {L"$rfloat(0,10,2,%.4f)", "([0-9]|10)\\.[0-9]{2}00"},
    {L"$rfloat(1,2,2,%e)", "[12]\\.[0-9]{6}e\\+00"},
    {L"$rfloat(1,2,1,%g)", "[12](\\.[0-9])?"},
    // Decimals are clamped to 0..10.
    {L"$rfloat(0,1,50,%.12f)", "[01]\\.[0-9]{10}00"},
    {L"$rfloat(0,5,-3,%.2f)", "[0-5]\\.00"},
    {L"$rstring(3,3)", ".{3}"},
    {L"$rstring(2,6,0,0)", "[a-z]{2,6}"},
    {L"$rstring(4,4,100,0)", "[A-Z]{4}"},
    {L"$rstring(5,2,0,0)", "[a-z]{5}"},     // a maximum below the minimum is the minimum
    {L"$rstring(-3,2,0,0)", "[a-z]{0,2}"},  // a negative minimum is 0
    {L"$rstring(20,20,0,0,100)", "[.,?!]{20}"},
    // Huge percentages saturate and add up without overflowing (found by fuzzing).
    {L"$rstring(3,3,0,144444444444444444,144444444444444444)", "[.,?!]{3}"},
    {L"$guid()", "[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"},
    {L"$guid(true)", "[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}"},
    {L"$guid(false,true)", "[0-9a-f]{12}4[0-9a-f]{3}[89ab][0-9a-f]{15}"},
    {L"$guid(true,true)", "[0-9A-F]{32}"},
    {L"$guid(TRUE,True)", "[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"},
    {L"$geometry()",
     "POINT\\([0-9]+ [0-9]+\\)|LINESTRING\\([0-9]+ [0-9]+, [0-9]+ [0-9]+\\)|"
     "POLYGON\\(\\(([0-9]+ [0-9]+, ){1}[0-9]+ [0-9]+,[0-9]+ [0-9]+, [0-9]+ [0-9]+\\)\\)"},
    {L"$geometry(3)",
     "MULTI(POINT\\((\\([0-9]+ [0-9]+\\)(, )?){3}\\)|"
     "LINESTRING\\((\\([0-9]+ [0-9]+, [0-9]+ [0-9]+\\)(, )?){3}\\)|"
     "POLYGON\\((\\(\\([0-9]+ [0-9]+, [0-9]+ [0-9]+,[0-9]+ [0-9]+, [0-9]+ [0-9]+\\)\\)(, "
     ")?){3}\\))"},
    {L"$geography()",
     "POINT\\(-?[0-9]+\\.[0-9]{3} -?[0-9]+\\.[0-9]{3}\\)|"
     "LINESTRING\\((-?[0-9]+\\.[0-9]{3} -?[0-9]+\\.[0-9]{3},?){2}\\)|"
     "POLYGON\\(\\((-?[0-9]+\\.[0-9]{3} -?[0-9]+\\.[0-9]{3},?){4}\\)\\)"},
};

class DrawnShapes : public EngineFixture, public ::testing::WithParamInterface<Shape> {};

TEST_P(DrawnShapes, HoldOverManyDraws) {
  for (int i = 0; i < 500; ++i) {
    const std::wstring v = Render(GetParam().pattern);
    ASSERT_TRUE(Matches(v, GetParam().shape))
        << platform::ToUtf8(GetParam().pattern) << " gave " << platform::ToUtf8(v);
  }
}

INSTANTIATE_TEST_SUITE_P(Random, DrawnShapes, ::testing::ValuesIn(kShapes),
                         testsupport::NameBy<&Shape::pattern>());

struct NumberRange {
  const wchar_t* pattern;
  double low, high;
  double reach;  // some draw must be at least this far up
};

const NumberRange kNumberRanges[] = {
    {L"$rfloat()", 0, 1000000, 900000},
    {L"$rfloat(0,1,3,,N)", 0, 1, 0.9},
    {L"$rfloat(0,10000000000,0,%.0f)", 0, 1e10, 5e9},
    {L"$rfloat(-1e300,1e300,0,%e)", -1e300, 1e300, 1e299},
    {L"$rfloat(0,1,10,%.10f)", 0, 1, 0.9},
    {L"$rfloat($pattern(0),$pattern(3000000000))", 0, 3e9, 2.5e9},
};

class DrawnNumbers : public EngineFixture, public ::testing::WithParamInterface<NumberRange> {};

TEST_P(DrawnNumbers, StayWithinTheirBounds) {
  const NumberRange& r = GetParam();
  double highest = -INFINITY;
  for (int i = 0; i < 2000; ++i) {
    const std::wstring v = Render(r.pattern);
    double d = 0;
    ASSERT_TRUE(platform::ParseDouble(v, d)) << platform::ToUtf8(v);
    ASSERT_TRUE(d >= r.low && d <= r.high) << platform::ToUtf8(v);
    highest = std::max(highest, d);
  }
  EXPECT_GE(highest, r.reach);
}

INSTANTIATE_TEST_SUITE_P(Numbers, DrawnNumbers, ::testing::ValuesIn(kNumberRanges),
                         testsupport::NameBy<&NumberRange::pattern>());

TEST_F(EngineFixture, RandomStringsTellAboutTheirCommas) {
  QuoteOptions quotes;
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"$rstring(5,5)", &v, &quotes), 1);
  EXPECT_EQ(quotes.comma, 0);
  ASSERT_EQ(engine.Value(-1, L"$rstring(5,5,0,0,10)", &v, &quotes), 1);
  EXPECT_EQ(quotes.comma, 1);
}

TEST_F(EngineFixture, RandomStringsDrawFromNamedBlocks) {
  for (int i = 0; i < 200; ++i) {
    // Unknown block names are ignored.
    for (const wchar_t c : Render(L"$rstring(8,8,0,0,0,Cyrillic,Klingon)"))
      ASSERT_TRUE(c >= 1025 && c < 1103) << int(c);
    for (const wchar_t c : Render(L"$rstring(8,8,0,0,0,Thai,Hangul)"))
      ASSERT_TRUE((c >= 3584 && c < 3711) || (c >= 44032 && c < 55215)) << int(c);
  }
}

TEST_F(EngineFixture, GuidsAreUnique) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 2000; ++i) seen.insert(Render(L"$guid(true,true)"));
  EXPECT_EQ(seen.size(), 2000u);
}

}  // namespace
}  // namespace engine_test
