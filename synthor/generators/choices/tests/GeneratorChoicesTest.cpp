// $ifr, $if, $case/$switch, $list, $listpattern and $const through the engine.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct CodeCase {
  const wchar_t* pattern;
  int code;
};

// The engine's error code after rendering `pattern` three times: value-time failures of these
// generators give an empty text and leave their code, and nested exhaustion needs a few values.
int CodeAfterRenders(DSynthor& engine, const std::wstring& pattern) {
  DGValue v;
  for (int i = 0; i < 3; ++i) engine.Value(-1, pattern, &v, nullptr);
  return engine.ErrorCode();
}

const CodeCase kErrorCases[] = {
    {L"$ifr(50, a)", 2000},
    {L"$ifr(101, a, b)", 2001},
    {L"$ifr(-1, a, b)", 2001},
    {L"$ifr(50, $nosuch(1), b)", 2002},
    {L"$ifr(50, a, $nosuch(1))", 2003},
    {L"$ifr(100, $unique(x), b)", 2004},  // the branch runs out of values
    {L"$if(1, a, b, c)", 2000},
    {L"$if(1, $nosuch(1), b)", 2002},
    {L"$if(0, a, $nosuch(1))", 2003},
    {L"$case(x, a)", 4000},
    {L"$case($unique(k), k:a, d)", 4001},
    {L"$switch(k, k:$unique(x), d)", 4002},
    {L"$list(S)", 2200},
    {L"$list(R, x, 70, y)", 2201},
    {L"$list(R, x, 0, y, 100)", 2202},
    {L"$list(R, x, -5, y, 100)", 2202},
    {L"$list(S, $nosuch(1))", 2204},
    {L"$listpattern(3)", 2800},
    {L"$listpattern(0, a)", 2801},
    {L"$listpattern(many, a)", 2801},
    {L"$listpattern(3, $rint(1,2))", 2802},
    {L"$listpattern(2, $nosuch(1))", 2803},
    {L"$const(A,B)", 5400},
};

class ChoiceErrors : public EngineFixture, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(ChoiceErrors, ReportTheirCode) {
  EXPECT_EQ(CodeAfterRenders(engine, GetParam().pattern), GetParam().code)
      << platform::ToUtf8(GetParam().pattern) << ": " << platform::ToUtf8(engine.Error());
}

INSTANTIATE_TEST_SUITE_P(Generators, ChoiceErrors, ::testing::ValuesIn(kErrorCases),
                         testsupport::NameBy<&CodeCase::pattern>());

using ChoiceGenerators = EngineFixture;

TEST_F(ChoiceGenerators, ErrorTextsNameWhatWasGiven) {
  EXPECT_EQ(RenderError(L"$list(R, x, 0, y, 100)"), 2202);
  EXPECT_EQ(engine.Error(), L"ListData: wrong probability value '0'.");
  EXPECT_EQ(RenderError(L"$ifr(5, $nosuch(1), b)"), 2002);
  EXPECT_TRUE(platform::StartsWith(engine.Error(),
                                   L"IfData: could not compile the first pattern '$nosuch(1)': "))
      << platform::ToUtf8(engine.Error());
  CodeAfterRenders(engine, L"$list(S, $nosuch(2))");
  EXPECT_TRUE(platform::StartsWith(
      engine.Error(), L"ListData: could not calculate item '$nosuch(2)' of the list: "));
}

// Patterns whose values are fixed, rendered in turn.
struct SequenceCase {
  const wchar_t* pattern;
  std::vector<std::wstring> values;
};

const SequenceCase kSequences[] = {
    {L"$ifr(0, yes, no)", {L"no", L"no", L"no", L"no"}},
    {L"$ifr(100, yes, no)", {L"yes", L"yes", L"yes", L"yes"}},
    {L"$if(1 > 2, yes, no)", {L"no", L"no"}},
    {L"$if(2 > 1, yes, no)", {L"yes", L"yes"}},
    {L"$if('a' = 'a', $rint(7,7), no)", {L"7"}},
    // The engine's dry run rewinds, so a sequential list starts with its first item.
    {L"$list(SN, red, green, blue)", {L"red", L"green", L"blue", L"red"}},
    {L"$list(true, $rint(5,5), b)", {L"5", L"b", L"5"}},
    {L"$list(SN, $rint(5,5))", {L"$rint(5,5)"}},
    // An N in the first position alone does not make the items literal.
    {L"$list(N, $rint(4,4), 100)", {L"4", L"4"}},
    {L"$list(RN, $rint(4,4), 100)", {L"$rint(4,4)"}},
    {L"$const($rint(1,9))", {L"$rint(1,9)", L"$rint(1,9)"}},
};

class ChoiceSequences : public EngineFixture, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(ChoiceSequences, GiveTheirValuesInOrder) {
  for (const std::wstring& expected : GetParam().values)
    EXPECT_EQ(Render(GetParam().pattern), expected) << platform::ToUtf8(GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Generators, ChoiceSequences, ::testing::ValuesIn(kSequences),
                         testsupport::NameBy<&SequenceCase::pattern>());

TEST_F(ChoiceGenerators, CaseChoosesByTheSelectorsExactText) {
  engine.AddColumnName(L"Kind");
  engine.AddColumnName(L"Out");
  const std::map<std::wstring, std::wstring> expected = {
      {L"1", L"one"}, {L"2", L"two"}, {L"3", L"other"}, {L"", L"other"}};
  for (const auto& [kind, out] : expected) {
    Render(kind, 0);
    // The parameter after the default is never read.
    EXPECT_EQ(Render(L"$case(@'Kind', 1:one, 2:two, other, 3:three)", 1), out)
        << platform::ToUtf8(kind);
    // Without a default an unmatched selector gives the empty text.
    EXPECT_EQ(Render(L"$switch(@'Kind', 1:one, 3:three)", 1), kind == L"1"   ? L"one"
                                                              : kind == L"3" ? L"three"
                                                                             : L"");
  }
}

TEST_F(ChoiceGenerators, ChancesAndWeightsSplitTheDraws) {
  EXPECT_EQ(Distinct(L"$ifr(50, yes, no)", 200), (std::set<std::wstring>{L"yes", L"no"}));
  std::map<std::wstring, int> counts;
  for (int i = 0; i < 1000; ++i) ++counts[Render(L"$list(RN, x, 50, y, 50)")];
  EXPECT_GT(counts[L"x"], 400);
  EXPECT_GT(counts[L"y"], 400);
  // Empty weights share the 100 draws equally.
  counts.clear();
  for (int i = 0; i < 1000; ++i) ++counts[Render(L"$list(RN, x, , y, , z, 34)")];
  EXPECT_GT(counts[L"y"], 250);
  EXPECT_GT(counts[L"z"], 250);
}

TEST_F(ChoiceGenerators, ListPatternHoldsDistinctValues) {
  EXPECT_EQ(Distinct(L"$listpattern(3, $rint(1,4))", 200),
            (std::set<std::wstring>{L"1", L"2", L"3"}));
  EXPECT_EQ(engine.nValues(L"$listpattern(3, $rint(1,4))"), 3);
  EXPECT_EQ(engine.nValues(L"$list(SN, a, b, c, d)"), 4);
  // A count far beyond what can be held is cut, not allocated.
  EXPECT_EQ(RenderError(L"$listpattern(99999999999, $rint(1,6))"), 2802);
}

}  // namespace
}  // namespace engine_test
