// $xml and $json over files, as a pattern uses them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/tests/EngineFixture.h"

namespace {

using engine_test::EngineFixture;
using Values = std::set<std::wstring>;

class GeneratorDocumentsTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    folder = platform::MakePrivateTempFolder(L"gendocs");
    ASSERT_FALSE(folder.empty());
    xml = Write(L"shop.xml",
                "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                "<shop xmlns:p=\"urn:p\"><item id=\"a1\"><p:name>Caf\xE9</p:name></item>"
                "<item id=\"a2\"><p:name>Tea</p:name></item>"
                "<item id=\"a3\"><p:name>O'Hara</p:name></item></shop>");
    json = Write(L"shop.json",
                 R"({"items": [{"name": "Pen", "n": 1}, {"name": "Ink", "n": 2}], "owner": "Ann"})");
  }
  void TearDown() override {
    EngineFixture::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(platform::NativePath(folder), ignored);
  }
  std::wstring Write(const std::wstring& name, std::string_view bytes) {
    const std::wstring path = platform::JoinPath(folder, name);
    EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
    return path;
  }

  std::wstring folder, xml, json;
};

TEST_F(GeneratorDocumentsTest, XmlGivesTheSelectedNodesAtRandom) {
  EXPECT_EQ(Distinct(L"$xml(" + xml + L", //p:name)", 60),
            (Values{L"Caf\u00E9", L"Tea", L"O'Hara"}));
  EXPECT_EQ(Distinct(L"$xml(" + xml + L", /shop/item/@id)", 60), (Values{L"a1", L"a2", L"a3"}));
  EXPECT_EQ(engine.nValues(L"$xml(" + xml + L", //item)"), 3);
  EXPECT_EQ(Render(L"$xml(" + xml + L", //item[@id='a2']/p:name)"), L"Tea");
}

TEST_F(GeneratorDocumentsTest, JsonGivesTheValuesAtAPath) {
  EXPECT_EQ(Distinct(L"$json(" + json + L", items.*.name)", 40), (Values{L"Pen", L"Ink"}));
  EXPECT_EQ(Render(L"$json(" + json + L", $.items.1.n)"), L"2");
  EXPECT_EQ(Render(L"$json(" + json + L", owner)"), L"Ann");
  EXPECT_EQ(engine.nValues(L"$json(" + json + L", items.*)"), 2);
  // Nothing at the path: the pattern compiles and gives empty texts.
  EXPECT_EQ(Render(L"$json(" + json + L", items.7.name)"), L"");
}

TEST_F(GeneratorDocumentsTest, ErrorsAndTheirTexts) {
  const std::wstring bad = Write(L"bad.xml", "<a>\n<b></a>");
  const std::wstring badJson = Write(L"bad.json", "{\"a\": [1,, 2]}");
  const struct {
    std::wstring pattern;
    int code;
  } cases[] = {
      {L"$xml(" + xml + L")", 2500},
      {L"$xml(" + xml + L", //item, 1)", 2500},
      {L"$xml(" + folder + L"/none.xml, //a)", 2501},
      {L"$xml(http://x, //a)", 2501},  // eight characters: too short to be a web source for $xml
      {L"$xml(" + bad + L", //a)", 2502},
      {L"$xml(" + xml + L", //missing)", 2504},
      {L"$xml(" + xml + L", //q:name)", 2504},  // an undeclared prefix
      {L"$json(" + json + L")", 4300},
      {L"$json(" + folder + L"/none.json, a)", 4301},
      {L"$json(" + badJson + L", a)", 4302},
      {L"$json(" + json + L", a..b)", 4302},
      {L"$json(http://127.0.0.1:1/none.json, a)", 3801},  // nothing listens on port 1
  };
  for (const auto& c : cases)
    EXPECT_EQ(RenderError(c.pattern), c.code) << platform::ToUtf8(c.pattern);

  RenderError(L"$xml(" + xml + L", //missing)");
  EXPECT_EQ(engine.Error(), L"XMLData: no data found for path '//missing'");
  RenderError(L"$xml(" + bad + L", //a)");
  EXPECT_TRUE(platform::StartsWith(engine.Error(), L"XMLData: could not load XML file. line 2, "))
      << platform::ToUtf8(engine.Error());
  RenderError(L"$json(" + badJson + L", a)");
  EXPECT_TRUE(platform::StartsWith(engine.Error(),
                                   L"JSONData: could not load JSON file. parse error at line 1"))
      << platform::ToUtf8(engine.Error());
  EXPECT_NE(engine.Error().find(L"(byte 10)"), std::wstring::npos);
  RenderError(L"$json(" + folder + L"/none.json, a)");
  EXPECT_EQ(engine.Error(), L"JSONData: '" + folder + L"/none.json' file inaccessible or does not exist.");
}

}  // namespace
