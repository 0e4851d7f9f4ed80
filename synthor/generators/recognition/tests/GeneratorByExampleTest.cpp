// Recognising a pattern from samples (PatRecognizer) and $byexample through the engine.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <regex>
#include <set>

#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/recognition/ByExampleData.h"
#include "synthor/generators/recognition/PatRecognizer.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct Sample {
  const wchar_t* text;
  int count;
};

std::unique_ptr<PatRecognizer> Recognized(std::initializer_list<Sample> samples) {
  auto recognizer = std::make_unique<PatRecognizer>();
  for (const Sample& s : samples) {
    const std::wstring text = s.text;
    recognizer->Add(&text, s.count);
  }
  recognizer->Recognize();
  return recognizer;
}

// ---- Recognised shapes ----

struct ShapeCase {
  const wchar_t* name;
  std::initializer_list<const wchar_t*> samples;
  const wchar_t* pattern;  // ToGenerator(0, 0) of the one item
  const char* shape;       // every value of the pattern matches
};

const ShapeCase kShapeCases[] = {
    // Different lengths: cut into runs; A to D are hex digits.
    {L"runs", {L"12-AB", L"345-CD"}, L"N{2:3}-X{=2}", "[0-9]{2,3}-[0-9A-F]{2}"},
    // Equal lengths: one token per character.
    {L"characters", {L"AB12", L"CD34"}, L"XXNN", "[0-9A-F]{2}[0-9]{2}"},
    {L"lower", {L"abc", L"xyz"}, L"aaa", "[a-z]{3}"},
    {L"constant", {L"hello"}, L"hello", "hello"},
    {L"capitalised", {L"Abc", L"Wxyz"}, L"Aa{2:3}", "[A-Z][a-z]{2,3}"},
    {L"upper", {L"GHI", L"JKLM"}, L"A{3:4}", "[A-Z]{3,4}"},
    {L"mixed", {L"aBc", L"dEfg"}, L"$Rstring(3,4,5,0)", "[A-Za-z]{3,4}"},
    // A letter run that is not hex turns the hex token into letters.
    {L"hexToLetters", {L"ABC1", L"XYZ12"}, L"A{=3}N{1:2}", "[A-Z]{3}[0-9]{1,2}"},
    {L"otherText", {L"a-1", L"a+1"}, L"\\a<-|+>1", "a[-+]1"},
    {L"constantsAround", {L"id-12", L"id-345"}, L"id-N{2:3}", "id-[0-9]{2,3}"},
};

class ByExampleShapes : public EngineFixture, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(ByExampleShapes, RenderAndGiveValuesOfTheShape) {
  PatRecognizer recognizer;
  for (const wchar_t* s : GetParam().samples) {
    const std::wstring text = s;
    recognizer.Add(&text, 1);
  }
  recognizer.Recognize();
  ASSERT_EQ(recognizer.Items().size(), 1u);
  const std::wstring pattern = recognizer.ToGenerator(0, 0);
  EXPECT_EQ(pattern, GetParam().pattern);
  for (int i = 0; i < 50; ++i) {
    const std::wstring value = Render(pattern);
    ASSERT_TRUE(Matches(value, GetParam().shape)) << platform::ToUtf8(value);
  }
}

INSTANTIATE_TEST_SUITE_P(Generators, ByExampleShapes, ::testing::ValuesIn(kShapeCases),
                         testsupport::NameBy<&ShapeCase::name>());

TEST(PatRecognizer, TokenTypes) {
  EXPECT_EQ(PatToken::Classify(L""), PatToken::kDigits);
  EXPECT_EQ(PatToken::Classify(L"0042"), PatToken::kDigits);
  EXPECT_EQ(PatToken::Classify(L"FACE"), PatToken::kHexDigits);
  EXPECT_EQ(PatToken::Classify(L"1F"), PatToken::kHexDigits);
  EXPECT_EQ(PatToken::Classify(L"word"), PatToken::kLowerLetters);
  EXPECT_EQ(PatToken::Classify(L"Word"), PatToken::kCapitalised);
  EXPECT_EQ(PatToken::Classify(L"WORD"), PatToken::kUpperLetters);
  EXPECT_EQ(PatToken::Classify(L"wOrd"), PatToken::kMixedLetters);
  EXPECT_EQ(PatToken::Classify(L"\u00e9t\u00e9"), PatToken::kLowerLetters);
  EXPECT_EQ(PatToken::Classify(L"a1"), PatToken::kOther);
  EXPECT_EQ(PatToken::Classify(L"-"), PatToken::kOther);
}

TEST(PatRecognizer, DifferentShapesStaySeparateItems) {
  const auto r = Recognized({{L"12-34", 1}, {L"abc", 1}, {L"a.b.c", 1}});
  ASSERT_EQ(r->Items().size(), 3u);
  // A sample that only widens an item's lengths is taken in, whatever its types.
  EXPECT_EQ(Recognized({{L"abc", 1}, {L"12345", 1}})->Items().size(), 1u);
}

// ---- One pattern for all items ----

TEST(PatRecognizer, ToGeneratorWeighsItemsByTheirCounts) {
  const auto r = Recognized({{L"12-AB", 2}, {L"345-CD", 1}, {L"hello", 1}, {L"world", 2}});
  ASSERT_EQ(r->Items().size(), 2u);
  EXPECT_EQ(r->Items()[0]->weight, 3);
  EXPECT_EQ(r->ToGenerator(0, 0), L"$List(P,N{2:3}-X{=2},50,a{=5},50)");
}

TEST(PatRecognizer, ToGeneratorLeavesOutRareItems) {
  const auto r = Recognized({{L"12-AB", 6}, {L"hello", 3}, {L"a.b.c", 1}, {L"x+y+z+w", 1}});
  ASSERT_EQ(r->Items().size(), 4u);
  EXPECT_EQ(r->ToGenerator(0, 0), L"$List(P,12-\\AB,66,hello,33)");
  // Below 40 percent: only the first item is left, and it stands alone.
  EXPECT_EQ(r->ToGenerator(40, 0), L"12-\\AB");
  // No item reaches the minimum: no pattern rather than an empty list.
  EXPECT_EQ(r->ToGenerator(90, 0), L"");
  // Every item seen once: nothing to weigh.
  EXPECT_EQ(Recognized({{L"ab", 1}, {L"c.d", 1}})->ToGenerator(0, 0), L"");
}

TEST(PatRecognizer, ToGeneratorWrapsItemsWithCommas) {
  const auto r = Recognized({{L"aBc", 2}, {L"dEfg", 2}, {L"1.2", 2}});
  const std::wstring pattern = r->ToGenerator(0, 0);
  EXPECT_EQ(pattern, L"$List(P,($Rstring(3,4,5,0)),66,1.2,33)");
}

TEST(PatRecognizer, ToGeneratorLimits) {
  auto many = std::make_unique<PatRecognizer>();
  for (int i = 1; i <= 13; ++i) {
    const std::wstring text(static_cast<std::size_t>(i), L'-');
    many->Add(&text, 2);
  }
  many->Recognize();
  ASSERT_EQ(many->Items().size(), 13u);
  EXPECT_EQ(many->ToGenerator(0, 0), L"") << "more than 12 items";

  const std::wstring longText(501, L'x');
  PatRecognizer big;
  big.Add(&longText, 2);
  const std::wstring shortText = L"z.z";
  big.Add(&shortText, 2);
  big.Recognize();
  EXPECT_EQ(big.ToGenerator(0, 0), L"") << "longer than 500 characters";
}

TEST(PatRecognizer, LengthBudgetCapsEveryItem) {
  const auto one = Recognized({{L"12-AB", 1}, {L"345-CD", 1}});
  EXPECT_EQ(one->ToGenerator(0, 4), L"N{2:3}-");
  EXPECT_EQ(one->ToGenerator(0, 2), L"N{=2}");
  EXPECT_EQ(one->ToGenerator(0, 1), L"N");
  // The budget starts afresh for each item of the list; a constant is never cut.
  const auto two = Recognized({{L"abcdef", 2}, {L"1-2-3", 2}});
  EXPECT_EQ(two->ToGenerator(0, 3), L"$List(P,\\abcdef,50,1-2,50)");
}

// ---- Pattern syntax in the samples ----

const wchar_t* const kSyntaxSamples[] = {
    L"$RInt(1,2)", L"a<b|c>",  L"[x]",    L"@col",     L"\\n",       L"{=3}",
    L"a(b",        L"a)b",     L"x]y[",   L"(",        L"#1 (A) #",  L"NaXA",
    L" lead",      L"trail ",  L"a,b",    L"|>",       L"$$(1+1)",   L"\\",
    L"((a)",       L"[a]]",    L"<x>",    L"N{2}",     L"),(",       L"'q\"",
};

class ByExampleSyntax : public EngineFixture, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(ByExampleSyntax, SampleReproducesItself) {
  const std::wstring sample = GetParam();
  PatRecognizer alone;
  alone.Add(&sample, 1);
  alone.Recognize();
  EXPECT_EQ(Render(alone.ToGenerator(0, 0)), sample);

  // Inside a $List, where the item is also a function argument. The other sample has more
  // tokens than any sample here, so the two never merge.
  PatRecognizer listed;
  const std::wstring other = L"=-=-=-=-=-=-=-=-=-=-";
  listed.Add(&sample, 2);
  listed.Add(&other, 2);
  listed.Recognize();
  const std::wstring pattern = listed.ToGenerator(0, 0);
  ASSERT_FALSE(pattern.empty());
  std::set<std::wstring> values;
  for (int i = 0; i < 40; ++i) values.insert(Render(pattern));
  EXPECT_EQ(values, (std::set<std::wstring>{sample, other})) << platform::ToUtf8(pattern);
}

INSTANTIATE_TEST_SUITE_P(Generators, ByExampleSyntax, ::testing::ValuesIn(kSyntaxSamples),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                           return testsupport::CaseName(info.index, info.param);
                         });

using ByExample = EngineFixture;

TEST_F(ByExample, OtherTextWithListSyntaxStaysWhole) {
  // `|` and `>` cannot stand in a <...> list; the alternatives are drawn another way.
  PatRecognizer r;
  for (const wchar_t* s : {L"a|1", L"a>1", L"a(1", L"a,1"}) {
    const std::wstring text = s;
    r.Add(&text, 1);
  }
  r.Recognize();
  const std::wstring pattern = r.ToGenerator(0, 0);
  std::set<std::wstring> values;
  for (int i = 0; i < 200; ++i) values.insert(Render(pattern));
  EXPECT_EQ(values, (std::set<std::wstring>{L"a|1", L"a>1", L"a(1", L"a,1"}))
      << platform::ToUtf8(pattern);
}

// ---- $byexample through the engine ----

TEST_F(ByExample, ValuesHaveTheSamplesShape) {
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(Matches(Render(L"$byexample(12-AB, 345-CD)"), "[0-9]{2,3}-[0-9A-F]{2}"));
    ASSERT_TRUE(Matches(Render(L"$byexample(abc, xyz)"), "[a-z]{3}"));
  }
  EXPECT_EQ(Render(L"$byexample(hello)"), L"hello");
}

TEST_F(ByExample, SyntaxInSamplesIsLiteral) {
  EXPECT_EQ(Render(L"$byexample($RInt(1,2))"), L"$RInt(1,2)");
  EXPECT_EQ(Render(L"$byexample(a<b|c>)"), L"a<b|c>");
  EXPECT_EQ(Render(L"$byexample([x])"), L"[x]");
  EXPECT_EQ(Render(L"$byexample(@col)"), L"@col");
  EXPECT_EQ(Render(L"$byexample(\\n)"), L"\\n");
  EXPECT_EQ(Render(L"$byexample({=3})"), L"{=3}");
  // A sample in parentheses keeps its commas.
  EXPECT_EQ(Render(L"$byexample((a,b))"), L"a,b");
}

TEST_F(ByExample, EachShapeIsDrawnAboutAThirdOfTheTime) {
  const std::wstring pattern = L"$byexample(abc, xyzw, 12-34, 567-89, a.b.c)";
  std::map<int, int> counts;
  constexpr int kDraws = 3000;
  const std::regex letters("[a-z]{3,4}");
  const std::regex digits("[0-9]{2,3}-[0-9]{2}");
  for (int i = 0; i < kDraws; ++i) {
    const std::wstring v = Render(pattern);
    const std::string text = platform::ToUtf8(v);
    if (std::regex_match(text, letters)) ++counts[0];
    else if (std::regex_match(text, digits)) ++counts[1];
    else if (v == L"a.b.c") ++counts[2];
    else ADD_FAILURE() << platform::ToUtf8(v);
  }
  for (int shape = 0; shape < 3; ++shape) {
    EXPECT_GT(counts[shape], kDraws * 28 / 100) << shape;
    EXPECT_LT(counts[shape], kDraws * 39 / 100) << shape;
  }
}

TEST_F(ByExample, Errors) {
  EXPECT_EQ(RenderError(L"$byexample()"), ByExampleData::kArguments);
  EXPECT_EQ(engine.Error(), ByExampleData::kArgumentsText);
  EXPECT_EQ(RenderError(L"$byexample((abc)"), 91);
}

TEST_F(ByExample, MalformedSamplesGiveAValueOrAClearError) {
  EXPECT_EQ(Render(L"$byexample(,)"), L"");  // one empty sample
  EXPECT_EQ(Render(L"$byexample( , )"), L"");
  EXPECT_EQ(Render(L"$byexample(())"), L"()");  // too short to be unwrapped
  const std::wstring huge(20000, L'7');
  const std::wstring hugeValue = Render(L"$byexample(" + huge + L", 1-2)");
  EXPECT_TRUE(hugeValue == huge || hugeValue == L"1-2");
  // Too long for the engine's value limit: the limit's error, not a crash.
  engine.SetMaxValueLength(1000);
  DGValue v;
  EXPECT_EQ(engine.Value(-1, L"$byexample(" + huge + L")", &v, nullptr), 0);
  EXPECT_NE(engine.ErrorCode(), 0);
}

TEST_F(ByExample, ResetKeepsGivingValues) {
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"$byexample(a-1, b-22)", &v, nullptr), 1);
  for (std::size_t i = 0; i < engine.GeneratorCount(); ++i) engine.Generator(i)->Reset();
  ASSERT_EQ(engine.Value(-1, L"$byexample(a-1, b-22)", &v, nullptr), 1);
  EXPECT_TRUE(Matches(v.value, "[a-z]-[0-9]{1,2}"));
}

}  // namespace
}  // namespace engine_test
