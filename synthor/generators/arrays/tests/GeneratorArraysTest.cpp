// $rintn, $rstringn, $listn and $repeat through the engine.
#include <gtest/gtest.h>

#include <set>

#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/arrays/ArrayData.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct CodeCase {
  const wchar_t* pattern;
  int code;
};

// The code of a pattern that must fail, at compilation or at any later rendering.
int CodeAfterRenders(DSynthor& engine, const std::wstring& pattern) {
  DGValue v;
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(engine.Value(-1, pattern, &v, nullptr), 0) << platform::ToUtf8(pattern);
  return engine.ErrorCode();
}

const CodeCase kErrorCases[] = {
    {L"$rintn(1, 9, %d, 2)", 4500},
    {L"$rintn(1, 9, $nosuch(1), 1, 2)", 4501},
    {L"$rstringn(3, 5, 1)", 4600},
    {L"$listn(1, 2, , )", 4700},
    {L"$listn(1, 2, , , $nosuch(1))", 4701},
    {L"$repeat(1, 2, , , N, extra)", 4800},
    {L"$repeat(1, 2, , )", 4800},
    {L"$repeat(1, 2, , , $nosuch(1))", 4801},
    {L"$repeat(3, 3, , , $unique(x))", 4502},  // the second element finds no new value
};

class ArrayErrors : public EngineFixture, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(ArrayErrors, ReportTheirCode) {
  EXPECT_EQ(CodeAfterRenders(engine, GetParam().pattern), GetParam().code)
      << platform::ToUtf8(GetParam().pattern) << ": " << platform::ToUtf8(engine.Error());
}

INSTANTIATE_TEST_SUITE_P(Generators, ArrayErrors, ::testing::ValuesIn(kErrorCases),
                         testsupport::NameBy<&CodeCase::pattern>());

struct ShapeCase {
  const wchar_t* pattern;
  const char* shape;  // every value must match
};

const ShapeCase kShapeCases[] = {
    {L"$repeat(3, 3, ', ;, N)", "'[0-9]';'[0-9]';'[0-9]'"},
    {L"$listn(1, 3, , , x, y)", "[xy](,[xy])?"},
    {L"$rintn(1, 9, %d, 0, 0)", "[1-9]"},                   // both counts raised to 1
    {L"$repeat(5, 2, , , 7)", "7,7,7,7,7"},                 // maximum raised to minimum
    {L"$rintn(10, 99, %d, 2, 2, -)", "[0-9]{2}-[0-9]{2}"},  // no quote parameter
    {L"$rstringn(3, 3, 2, 2, \", |)", "\"[^\"]{3}\"\\|\"[^\"]{3}\""},
};

class ArrayShapes : public EngineFixture, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(ArrayShapes, EveryValueHasTheShape) {
  for (int i = 0; i < 20; ++i) {
    const std::wstring value = Render(GetParam().pattern);
    ASSERT_TRUE(Matches(value, GetParam().shape))
        << platform::ToUtf8(GetParam().pattern) << " gave " << platform::ToUtf8(value);
  }
}

INSTANTIATE_TEST_SUITE_P(Generators, ArrayShapes, ::testing::ValuesIn(kShapeCases),
                         testsupport::NameBy<&ShapeCase::pattern>());

using ArrayGenerators = EngineFixture;

TEST_F(ArrayGenerators, CountStopsBelowTheMaximum) {
  std::set<std::size_t> lengths;
  for (int i = 0; i < 200; ++i) lengths.insert(Render(L"$repeat(2, 5, , , 7)").size());
  // 2 to 4 elements: "7,7" "7,7,7" "7,7,7,7"
  EXPECT_EQ(lengths, (std::set<std::size_t>{3, 5, 7}));
}

TEST_F(ArrayGenerators, ElementsAreDrawnAfresh) {
  EXPECT_GT(Distinct(L"$listn(4, 4, , , a, b, c)", 50).size(), 10u);
}

TEST_F(ArrayGenerators, HugeCountsAreCapped) {
  EXPECT_EQ(Render(L"$repeat(99999999999, 99999999999, , , 7)").size(),
            std::size_t(2 * ArrayData::kMaxCount - 1));
}

// An array that would outgrow the value limit fails the value with the limit's error, like any
// other construct that outgrows it, instead of giving an empty value as if it had succeeded.
TEST_F(ArrayGenerators, ValueLengthLimitFailsTheValue) {
  DGValue v;
  EXPECT_EQ(engine.Value(-1, L"$repeat(5000,5000,,,a{=5000})", &v, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 115);
  EXPECT_EQ(engine.Error(), L"Pattern: the value would be longer than 16777216 characters.");

  engine.SetMaxValueLength(100);
  for (const wchar_t* pattern : {L"$repeat(200, 200, , , ab)", L"$rintn(100, 999, %d, 200, 200)",
                                 L"$rstringn(5, 5, 200, 200)", L"$listn(200, 200, , , x, y)",
                                 L"before $repeat(60, 60, , , ab) after"}) {
    EXPECT_EQ(CodeAfterRenders(engine, pattern), 115) << platform::ToUtf8(pattern);
    EXPECT_EQ(engine.Error(), L"Pattern: the value would be longer than 100 characters.");
  }
  // Within the limit the same generators still give their values.
  EXPECT_EQ(Render(L"$repeat(10, 10, , , ab)").size(), 29u);
  EXPECT_EQ(engine.ErrorCode(), 0);
}

}  // namespace
}  // namespace engine_test
