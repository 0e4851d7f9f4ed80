// $makejson, $makejsonarray, $makejsonobject and $makejsonitem through the engine; whatever is
// meant to be a JSON document is checked by parsing it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>

#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

using nlohmann::json;

class JsonGenerators : public EngineFixture {
 protected:
  // Renders `pattern` and parses it; a parse failure fails the test with the text.
  json Document(const std::wstring& pattern) {
    const std::string text = platform::ToUtf8(Render(pattern));
    json doc = json::parse(text, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << platform::ToUtf8(pattern) << " gave " << text;
    return doc;
  }
};

TEST_F(JsonGenerators, ArrayOfDigitsIsWrittenBare) {
  const json doc = Document(L"$makejson([1,,0,N,=3])");
  ASSERT_TRUE(doc.is_array());
  ASSERT_EQ(doc.size(), 3u);
  for (const json& e : doc) EXPECT_TRUE(e.is_number_integer() && e >= 0 && e <= 9) << e;
}

TEST_F(JsonGenerators, NestedItemsAreReachedThroughTheirNumbers) {
  const json doc = Document(
      L"$makejson((1,person,0,[2,3]), @(2,age,0,$rint(10,99),1,0), "
      L"@(3,city,0,$rstring(4,8),1,0))");
  ASSERT_TRUE(doc.contains("person")) << doc;
  EXPECT_EQ(doc.size(), 1u);  // nested items are not written at the top level
  const json& person = doc["person"];
  EXPECT_TRUE(person["age"].is_number_integer()) << doc;
  ASSERT_TRUE(person["city"].is_string()) << doc;
  const std::size_t length = person["city"].get<std::string>().size();
  EXPECT_TRUE(length >= 4 && length <= 8) << doc;
}

TEST_F(JsonGenerators, ObjectBracesFollowTheParameter) {
  const json doc = Document(L"$makejson((1,name,0,$rstring(3,5),1,0))");
  ASSERT_TRUE(doc["name"].is_string()) << doc;
  // Braces on (the default) still give JSON: a pattern's value is a string member.
  EXPECT_EQ(Render(L"$makejson((1,name,0,xyz))"), L"{\"name\":\"xyz\"}");
  EXPECT_EQ(Document(L"$makejson((1,name,0,eig))"), json::parse(R"({"name":"eig"})"));
  EXPECT_EQ(Document(L"$makejson((1,n,0,NN,1))")["n"].is_number_integer(), true);
  // An item list of one object keeps its braces: it is an object inside the member.
  EXPECT_EQ(Document(L"$makejson((1,p,0,[2]), @(2,a,0,x,1,0))"), json::parse(R"({"p":{"a":"x"}})"));
  EXPECT_EQ(Render(L"$makejsonobject(1,n,0,x,=2,false)"), L"\"n\":\"x\",\"n\":\"x\"");
}

TEST_F(JsonGenerators, CountRangeIncludesBothEnds) {
  std::set<std::size_t> sizes;
  for (int i = 0; i < 200; ++i) sizes.insert(Document(L"$makejson([1,,0,N,2:4])").size());
  EXPECT_EQ(sizes, (std::set<std::size_t>{2, 3, 4}));
  EXPECT_EQ(Document(L"$makejson([1,,0,N,5:])").size(), 5u);
  EXPECT_EQ(Document(L"$makejson([1,,0,N,4:1])").size(), 4u);  // maximum raised to the minimum
  EXPECT_EQ(Document(L"$makejson([1,,0,N,=99999999999])").size(), 10000u);
}

struct ValueCase {
  const wchar_t* item;
  const wchar_t* expected;  // the array's text
};

// Only what JSON reads unchanged is written bare; everything else is an escaped string.
const ValueCase kValueCases[] = {
    {L"true", L"[true]"},      {L"True", L"[\"True\"]"},
    {L"null", L"[null]"},      {L"-12", L"[-12]"},
    {L"3.25", L"[3.25]"},      {L"1e5", L"[\"1e5\"]"},
    {L"007", L"[\"007\"]"},    {L"+5", L"[\"+5\"]"},
    {L"", L"[\"\"]"},          {L"q\\\"\\\\b", L"[\"q\\\"\\\\b\"]"},
    {L"x\ty", L"[\"x\\ty\"]"},
};

class JsonValues : public EngineFixture, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(JsonValues, AreQuotedOnlyWhenNeeded) {
  DGValue v;
  const std::wstring pattern = std::wstring(L"$makejsonarray(1,,0,") + GetParam().item + L",1)";
  ASSERT_EQ(engine.Value(-1, pattern, &v, nullptr), 1) << platform::ToUtf8(engine.Error());
  EXPECT_EQ(v.value, GetParam().expected);
  EXPECT_FALSE(json::parse(platform::ToUtf8(v.value), nullptr, false).is_discarded());
}

INSTANTIATE_TEST_SUITE_P(Generators, JsonValues, ::testing::ValuesIn(kValueCases),
                         testsupport::NameBy<&ValueCase::item>());

TEST_F(JsonGenerators, KeysAreEscapedAndMayBePatterns) {
  const json doc = Document(L"$makejson([1,$rstring(2,2),1,N,1])");
  ASSERT_TRUE(doc.is_object() && doc.size() == 1u) << doc;
  EXPECT_EQ(doc.begin().key().size(), 2u);
  EXPECT_EQ(Document(L"$makejson([1,q\"\\b,0,N,=0])"), json::parse(R"({"q\"\\b":[]})"));
}

TEST_F(JsonGenerators, ItemIsShorthandForArrayOrMember) {
  EXPECT_EQ(Document(L"$makejsonitem(1,,0,7,=2)"), json::parse("[7,7]"));
  EXPECT_EQ(Render(L"$makejsonitem(1,k,0,7)"), L"\"k\":7");
  // Outside a $makejson a list of item numbers has nothing to refer to.
  EXPECT_EQ(Render(L"$makejsonarray(1,,0,[2],=2)"), L"[\"\",\"\"]");
}

TEST_F(JsonGenerators, SelfReferenceStopsWithoutCrashing) {
  DGValue v;
  engine.Value(-1, L"$makejson((1,a,0,[1]))", &v, nullptr);
  EXPECT_NE(engine.ErrorCode(), 0) << platform::ToUtf8(v.value);
}

struct CodeCase {
  const wchar_t* pattern;
  int code;
};

const CodeCase kErrorCases[] = {
    {L"$makejsonarray(1,,0,N)", 4900},
    {L"$makejsonarray(0,,0,N,1)", 4901},
    {L"$makejsonarray(1,,0,$nosuch(1),1)", 4902},
    {L"$makejsonarray(1,$nosuch(1),1,N,1)", 4902},
    {L"$makejsonobject(1,k,0)", 5000},
    {L"$makejsonobject(x,k,0,N)", 5001},
    {L"$makejsonobject(1,k,0,$nosuch(1))", 5002},
    {L"$makejsonitem(1,k,0)", 5100},
    {L"$makejsonitem(1,k,0,$nosuch(1))", 5101},
    {L"$makejsonitem(0,,0,N)", 5101},
    {L"$makejson((1,k,0,$nosuch(1)))", 5102},
    // Items that contain themselves, directly or through another: found by fuzzing, where
    // "[1,1]" doubled the work at every level down to the depth limit.
    {L"$makejson((1,person,0,[1,1]))", 5103},
    {L"$makejson((1,a,0,[2]), @(2,b,0,[1,1]))", 5103},
};

class JsonErrors : public EngineFixture, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(JsonErrors, ReportTheirCode) {
  EXPECT_EQ(RenderError(GetParam().pattern), GetParam().code)
      << platform::ToUtf8(GetParam().pattern) << ": " << platform::ToUtf8(engine.Error());
}

INSTANTIATE_TEST_SUITE_P(Generators, JsonErrors, ::testing::ValuesIn(kErrorCases),
                         testsupport::NameBy<&CodeCase::pattern>());

TEST_F(JsonGenerators, SubitemErrorNamesTheBuiltCall) {
  RenderError(L"$makejson([0,,0,N,1])");
  EXPECT_EQ(engine.Error(), L"Could not compile subitem '$MakeJSONArray(0,,0,N,1)'");
}

}  // namespace
}  // namespace engine_test
