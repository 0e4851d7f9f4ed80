// $regexp through the engine: the dialect's own rules, agreement with ordinary regular
// expressions where the dialect means the same, distributions, and the bounds on counts, value
// length and nesting.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/recognition/ByRegExp.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

std::wstring Call(const std::wstring& expression) { return L"$regexp(" + expression + L")"; }

// Expressions that mean the same in the dialect as in an ECMAScript regular expression: every
// value must match the expression itself.
struct AgreeCase {
  const wchar_t* expression;
};

const AgreeCase kAgreeCases[] = {
    {L"^\\d{3}-\\d{4}$"},
    {L"[A-Z]{2,5}_\\d+"},
    {L"(AB|CD|EF)+X?"},
    {L"\\w{1,8}@\\w+\\.(COM|ORG|NET)"},
    {L"[0-9A-F]{8}-[0-9A-F]{4}"},
    {L"(A|B(C|D)*)E{2,}"},
    {L"((X|Y)Z)\\1\\2"},  // groups numbered by where they begin
    {L"(R|G|B)[0-9]{0,3}|NONE"},
    {L"[_A-Z]\\w*.{3,6}"},
    {L"\\s*[\\dA-C-]+\\s?"},  // a "-" before "]" is a character
    {L"A{1}B{1,1}C{3,}D*"},
    {L"(Q|)(|W)\\+\\?\\*"},  // empty alternatives, escaped quantifier characters
};

class RegexpAgrees : public EngineFixture, public ::testing::WithParamInterface<AgreeCase> {};

TEST_P(RegexpAgrees, EveryValueMatchesTheExpression) {
  const std::wstring expression = GetParam().expression;
  const std::wregex shape(expression);
  for (int i = 0; i < 10000; ++i) {
    const std::wstring value = Render(Call(expression));
    ASSERT_TRUE(std::regex_match(value, shape))
        << platform::ToUtf8(expression) << " gave " << platform::ToUtf8(value);
  }
}

INSTANTIATE_TEST_SUITE_P(Generators, RegexpAgrees, ::testing::ValuesIn(kAgreeCases),
                         testsupport::NameBy<&AgreeCase::expression>());

// Expressions whose every value is one of a known, small set, and all of which appear.
struct ValuesCase {
  const wchar_t* expression;
  std::set<std::wstring> values;
};

const ValuesCase kValuesCases[] = {
    {L"(ab|cd)\\1", {L"abab", L"cdcd"}},
    {L"(ab)\\2", {L"ab"}},        // no second group: the reference gives nothing
    {L"\\1(a|b)", {L"a", L"b"}},  // not produced yet
    {L"(a\\1)", {L"a"}},          // not ended yet
    {L"x{3}", {L"xxx"}},
    {L"x{0}", {L"x"}},     // a count of 0 or 1 keeps the one occurrence
    {L"x{5,2}", {L"xx"}},  // a maximum below the minimum is the count
    {L"x{2,4}", {L"xx", L"xxx", L"xxxx"}},
    {L"{3}y", {L"y"}},  // nothing to repeat
    {L"?x", {L"?x"}},   // a leading "?" is a character
    {L"a|?b", {L"a", L"?b"}},
    {L"a,b", {L"a,b"}},  // the whole argument is the expression
    {L"\\0\\.\\[", {L"0.["}},
    {L"[^a]", {L"^", L"a"}},  // no negation
    {L"[z-x]", {L"z"}},       // a backward range gives its first character
    {L"(a|)", {L"a", L""}},
    // Malformed expressions still give values.
    {L"", {L""}},
    {L"[ab", {L"a", L"b"}},
    {L"[", {L""}},
    {L"a{2", {L"aa"}},
    {L"a\\", {L"a\\"}},
    {L"[a\\", {L"a", L"\\"}},
    {L"a\\{2}", {L"a{2}"}},
};

class RegexpValues : public EngineFixture, public ::testing::WithParamInterface<ValuesCase> {};

TEST_P(RegexpValues, GiveExactlyTheirValues) {
  EXPECT_EQ(Distinct(Call(GetParam().expression), 200), GetParam().values)
      << platform::ToUtf8(GetParam().expression);
}

INSTANTIATE_TEST_SUITE_P(Generators, RegexpValues, ::testing::ValuesIn(kValuesCases),
                         testsupport::NameBy<&ValuesCase::expression>());

class RegexpGenerator : public EngineFixture {
 protected:
  // The lengths of 2000 values of `pattern`.
  std::set<std::size_t> Lengths(const std::wstring& pattern) {
    std::set<std::size_t> lengths;
    for (int i = 0; i < 2000; ++i) lengths.insert(Render(pattern).size());
    return lengths;
  }
};

TEST_F(RegexpGenerator, RepeatsCoverTheirWholeRange) {
  EXPECT_EQ(Lengths(Call(L"x{2,}")), (std::set<std::size_t>{2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Lengths(Call(L"x+")), (std::set<std::size_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Lengths(Call(L"x*")), (std::set<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Lengths(Call(L"x?")), (std::set<std::size_t>{0, 1}));
}

TEST_F(RegexpGenerator, ClassesDrawTheirCharacters) {
  std::set<std::wstring> dots;
  std::set<std::wstring> spaces;
  for (int i = 0; i < 3000; ++i) {
    dots.insert(Render(Call(L".")));
    spaces.insert(Render(Call(L"\\s")));
  }
  EXPECT_EQ(dots.size(), 37u);  // "_", "A"-"Z", "0"-"9"
  for (const std::wstring& d : dots) EXPECT_TRUE(Matches(d, "[_A-Z0-9]")) << platform::ToUtf8(d);
  EXPECT_EQ(spaces, (std::set<std::wstring>{L" ", L"\f", L"\n", L"\r", L"\t", L"\v"}));
}

// Every alternative, and every entry of a set whatever its width, is chosen about equally often.
TEST_F(RegexpGenerator, ChoicesAreEven) {
  constexpr int kDraws = 30000;
  std::map<std::wstring, int> words;
  std::map<char, int> kinds;  // 'l' the range a-c, '0' the literal zero, 'd' other digits
  for (int i = 0; i < kDraws; ++i) {
    ++words[Render(Call(L"red|green|(blue)"))];
    const wchar_t c = Render(Call(L"[a-c0\\d]")).at(0);
    ++kinds[c >= L'a' && c <= L'c' ? 'l' : c == L'0' ? '0' : 'd'];
  }
  ASSERT_EQ(words.size(), 3u);
  for (const auto& [word, n] : words)
    EXPECT_NEAR(n, kDraws / 3, kDraws / 30) << platform::ToUtf8(word);
  // The digit class gives "0" a tenth of its third.
  EXPECT_NEAR(kinds['l'], kDraws / 3, kDraws / 30);
  EXPECT_NEAR(kinds['0'], kDraws / 3 + kDraws / 30, kDraws / 30);
  EXPECT_NEAR(kinds['d'], kDraws * 9 / 30, kDraws / 30);
}

TEST_F(RegexpGenerator, CountsAreClamped) {
  EXPECT_EQ(Render(Call(L"x{99999999999999999999999}")).size(), std::size_t(ByRegExp::kMaxRepeat));
  EXPECT_EQ(Render(Call(L"x{70000,90000}")).size(), std::size_t(ByRegExp::kMaxRepeat));
  const std::size_t open = Render(Call(L"x{99999999999,}")).size();
  EXPECT_GE(open, std::size_t(ByRegExp::kMaxRepeat));
  EXPECT_LE(open, std::size_t(ByRegExp::kMaxRepeat) + 7);
}

TEST_F(RegexpGenerator, ValueLengthLimitFailsTheValue) {
  engine.SetMaxValueLength(100);
  EXPECT_EQ(Render(Call(L"x{100}")).size(), 100u);
  EXPECT_EQ(RenderError(Call(L"x{101}")), 115);
  EXPECT_EQ(engine.Error(), L"Pattern: the value would be longer than 100 characters.");
  EXPECT_EQ(RenderError(Call(L"(ab){30}\\1{30}")), 115);  // back references count too
  // Occurrences that add nothing still cost, so loops over empty groups end as well.
  EXPECT_EQ(RenderError(Call(L"((){99}){99}")), 115);
  EXPECT_EQ(Render(Call(L"x{10}")), L"xxxxxxxxxx");
  EXPECT_EQ(engine.ErrorCode(), 0);
}

// Expressions that ask for far more than any value may hold stop at the limit, a loop over empty
// groups (nothing but work) as well.
TEST_F(RegexpGenerator, HugeExpressionsStopAtTheLimit) {
  engine.SetMaxValueLength(std::size_t(1) << 20);
  EXPECT_EQ(RenderError(Call(L"(((((){65536}){65536}){65536}){65536}){65536}")), 115);
  EXPECT_EQ(RenderError(Call(L"((\\w{65536}){65536}){65536}")), 115);
  // Each group doubles the one before: the ninth would hold 2^24 characters.
  EXPECT_EQ(RenderError(Call(L"(x{65536})(\\1\\1)(\\2\\2)(\\3\\3)(\\4\\4)(\\5\\5)(\\6\\6)(\\7\\7)"
                             L"(\\8\\8)")),
            115);
}

TEST_F(RegexpGenerator, DeepNestingDegradesToCharacters) {
  constexpr std::size_t kDepth = 100000;
  const std::wstring nested = std::wstring(kDepth, L'(') + L"a" + std::wstring(kDepth, L')');
  const std::size_t inner = kDepth - ByRegExp::kMaxGroupDepth;
  EXPECT_EQ(Render(Call(nested)), std::wstring(inner, L'(') + L"a" + std::wstring(inner, L')'));
}

// Texts the engine's call syntax cannot hand over (it balances parentheses), given directly.
TEST_F(RegexpGenerator, UnbalancedParenthesesGiveValues) {
  ByRegExp regexp(&engine);
  EXPECT_EQ(regexp.Compile(L"(ab|cd"), 0);
  const std::wstring v = regexp.Generate();
  EXPECT_TRUE(v == L"ab" || v == L"cd") << platform::ToUtf8(v);
  regexp.Compile(L"a)b(");
  EXPECT_EQ(regexp.Generate(), L"a)b");
  EXPECT_EQ(regexp.Compile(L"x|y|(z|w)"), 2);
  EXPECT_EQ(engine.ErrorCode(), 0);
}

}  // namespace
}  // namespace engine_test
