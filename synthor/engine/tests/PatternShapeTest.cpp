// What rendered values look like: many draws of each pattern with a fixed seed must all have the
// pattern's shape, and the random parts must actually vary.
#include <gtest/gtest.h>

#include <map>

#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct ShapeCase {
  const wchar_t* pattern;
  const char* shape;  // every value matches
};

const ShapeCase kShapes[] = {
    {L"AAA-NN", "[A-Z]{3}-[0-9]{2}"},
    {L"A{=3}", "[A-Z]{3}"},
    {L"N{2:4}", "[0-9]{2,4}"},
    {L"N{2;4}", "[0-9]{2,4}"},
    {L"a{5}", "[a-z]{1,5}"},
    {L"X{=8}", "[0-9A-F]{8}"},
    {L"A{}", "[A-Z]"},
    {L"\\A\\N\\\\", "AN\\\\"},
    {L"x>]|{} 9", "x>\\]\\|\\{\\} 9"},
    {L"\\$\\<\\[\\@", "\\$<\\[@"},
    {L"<red|green|blue>", "red|green|blue"},
    {L"<N|A>-", "([0-9]|[A-Z])-"},
    {L"[x]", "x?"},
    {L"[x\\]y]", "(x\\]y)?"},
    {L"(AA)-#", "([A-Z]{2})-\\1"},
    {L"(N)(AA)##", "[0-9]([A-Z]{2})\\1\\1"},
};

class Shapes : public EngineFixture, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(Shapes, EveryDrawHasTheShape) {
  const ShapeCase& c = GetParam();
  for (int i = 0; i < 300; ++i) {
    const std::wstring value = Render(c.pattern);
    ASSERT_TRUE(Matches(value, c.shape))
        << platform::ToUtf8(c.pattern) << " gave " << platform::ToUtf8(value);
  }
}

INSTANTIATE_TEST_SUITE_P(Patterns, Shapes, ::testing::ValuesIn(kShapes),
                         testsupport::NameBy<&ShapeCase::pattern>());

TEST_F(EngineFixture, RepeaterCountsCoverTheirRange) {
  std::map<std::size_t, int> lengths;
  for (int i = 0; i < 600; ++i) ++lengths[Render(L"N{2:4}").size()];
  EXPECT_EQ(lengths.size(), 3u);
  EXPECT_GT(lengths[2], 100);
  EXPECT_GT(lengths[4], 100);
  std::set<std::size_t> shortRun;
  for (int i = 0; i < 300; ++i) shortRun.insert(Render(L"a{5}").size());
  EXPECT_EQ(shortRun, (std::set<std::size_t>{1, 2, 3, 4, 5}));
}

TEST_F(EngineFixture, ListDrawsEveryAlternative) {
  EXPECT_EQ(Distinct(L"<red|green|blue>", 300),
            (std::set<std::wstring>{L"red", L"green", L"blue"}));
  EXPECT_EQ(Distinct(L"<x|>", 200), (std::set<std::wstring>{L"x", L""}));
}

TEST_F(EngineFixture, OptionalBlockAppearsAboutHalfTheTime) {
  int shown = 0;
  for (int i = 0; i < 2000; ++i) shown += Render(L"[x]") == L"x" ? 1 : 0;
  EXPECT_GT(shown, 850);
  EXPECT_LT(shown, 1150);
}

TEST_F(EngineFixture, RandomPartsVary) {
  EXPECT_GT(Distinct(L"AAA-NN", 200).size(), 190u);
  EXPECT_EQ(Distinct(L"N", 500).size(), 10u);
  EXPECT_EQ(Distinct(L"X", 800).size(), 16u);
}

TEST(EngineSeed, SameSeedSameValues) {
  DSynthor first, second;
  first.Initialize(L"", 77, nullptr);
  second.Initialize(L"", 77, nullptr);
  for (const wchar_t* pattern : {L"AAA-NN", L"<a|b|c>[x]N{1:9}", L"(X{4})#"}) {
    for (int i = 0; i < 50; ++i) {
      DGValue a, b;
      ASSERT_EQ(first.Value(-1, pattern, &a, nullptr), 1);
      ASSERT_EQ(second.Value(-1, pattern, &b, nullptr), 1);
      ASSERT_EQ(a.value, b.value) << platform::ToUtf8(pattern);
    }
  }
}

TEST(EngineSeed, SeedZeroDrawsAFreshSeed) {
  DSynthor first, second;
  first.Initialize(L"", 0, nullptr);
  second.Initialize(L"", 0, nullptr);
  DGValue a, b;
  ASSERT_EQ(first.Value(-1, L"X{=16}", &a, nullptr), 1);
  ASSERT_EQ(second.Value(-1, L"X{=16}", &b, nullptr), 1);
  EXPECT_NE(a.value, b.value);
}

TEST(EngineBlocks, RepeatBeforeAnyBlockEndRepeatsNothing) {
  DSynthor engine;
  engine.Initialize(L"", 5, nullptr);
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"NN#", &v, nullptr), 1);
  EXPECT_EQ(v.value.size(), 2u);
}

}  // namespace
}  // namespace engine_test
