// $cvt: the XML and JSON documents are parsed back (libxml2, nlohmann-json) and must give every
// value unchanged, whatever characters the values and the element name hold; failures of the
// pattern behind a conversion reach the caller with their own code and text.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "synthor/engine/NamedGen.h"
#include "synthor/engine/items/CvtDocument.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

// Values that break naive writers: markup, quotes, escapes, control characters, line ends,
// characters beyond the first plane.
const std::vector<std::wstring> kValues = {
    L"plain",
    L"",
    L"<tag attr=\"1\">&amp;</tag>",
    L"it's \"quoted\" \\ back\\slash",
    L"line\r\nbreak\ttab",
    std::wstring(L"ctl") + L'\x01' + L'\x1f',
    L"\x00e9t\x00e9 \x4e2d\x6587 \x1f600",
    L"]]> end of CDATA",
};

struct XmlDoc {
  explicit XmlDoc(const std::wstring& text) {
    const std::string bytes = platform::ToUtf8(text);
    doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "cvt.xml", "UTF-8",
                        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  }
  ~XmlDoc() {
    if (doc) xmlFreeDoc(doc);
  }
  xmlDocPtr doc = nullptr;
};

// The element names and texts of the children of the root element.
std::vector<std::pair<std::wstring, std::wstring>> XmlEntries(const XmlDoc& xml) {
  std::vector<std::pair<std::wstring, std::wstring>> entries;
  const xmlNode* root = xmlDocGetRootElement(xml.doc);
  for (const xmlNode* n = root ? root->children : nullptr; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    xmlChar* content = xmlNodeGetContent(n);
    entries.emplace_back(platform::FromUtf8(reinterpret_cast<const char*>(n->name)),
                         platform::FromUtf8(content ? reinterpret_cast<const char*>(content) : ""));
    xmlFree(content);
  }
  return entries;
}

// Control characters XML cannot carry arrive as U+FFFD; everything else unchanged.
std::wstring AsXmlCarriesIt(const std::wstring& value) {
  std::wstring out;
  for (const wchar_t c : value) {
    const bool allowed = c == L'\t' || c == L'\n' || c == L'\r' || c >= 0x20;
    out += allowed ? c : L'\xfffd';
  }
  return out;
}

TEST(CvtDocument, XmlGivesBackEveryValue) {
  for (const wchar_t* name : {L"item", L"City Name", L"1st", L"a<b>&\"c", L"", L"Straße", L"x:y"}) {
    const std::wstring text = WriteCvtDocument(kValues, name, CvtTarget::Xml);
    XmlDoc xml(text);
    ASSERT_NE(xml.doc, nullptr) << "not well-formed:\n" << platform::ToUtf8(text);
    ASSERT_STREQ(reinterpret_cast<const char*>(xmlDocGetRootElement(xml.doc)->name), "data");
    const auto entries = XmlEntries(xml);
    ASSERT_EQ(entries.size(), kValues.size());
    for (std::size_t i = 0; i < kValues.size(); ++i) {
      EXPECT_EQ(entries[i].first, XmlElementName(name));
      EXPECT_EQ(entries[i].second, AsXmlCarriesIt(kValues[i])) << i;
    }
  }
}

TEST(CvtDocument, XmlLayout) {
  EXPECT_EQ(
      WriteCvtDocument({L"a", L"b&c"}, L"v", CvtTarget::Xml),
      L"<?xml version=\"1.0\" ?>\r\n <data>\r\n  <v>a</v>\r\n  <v>b&amp;c</v>\r\n </data>\r\n");
}

TEST(CvtDocument, ElementNamesAreMadeValid) {
  EXPECT_EQ(XmlElementName(L"City"), L"City");
  EXPECT_EQ(XmlElementName(L"City Name"), L"City_Name");
  EXPECT_EQ(XmlElementName(L"1st"), L"_1st");
  EXPECT_EQ(XmlElementName(L"-x"), L"_-x");
  EXPECT_EQ(XmlElementName(L"a<b>"), L"a_b_");
  EXPECT_EQ(XmlElementName(L"x:y"), L"x_y");
  EXPECT_EQ(XmlElementName(L"Straße"), L"Straße");
  EXPECT_EQ(XmlElementName(L""), L"item");
}

// Collects every member of the one object, also members that repeat a name (which a DOM parser
// would fold into one).
struct Members : nlohmann::json_sax<nlohmann::json> {
  std::vector<std::pair<std::string, std::string>> members;
  std::string lastKey;
  int objects = 0;
  bool other = false;

  bool null() override { return other = true, true; }
  bool boolean(bool) override { return other = true, true; }
  bool number_integer(number_integer_t) override { return other = true, true; }
  bool number_unsigned(number_unsigned_t) override { return other = true, true; }
  bool number_float(number_float_t, const string_t&) override { return other = true, true; }
  bool string(string_t& s) override {
    members.emplace_back(lastKey, s);
    return true;
  }
  bool binary(binary_t&) override { return other = true, true; }
  bool start_object(std::size_t) override { return ++objects, true; }
  bool key(string_t& k) override {
    lastKey = k;
    return true;
  }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return other = true, true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }
};

TEST(CvtDocument, JsonGivesBackEveryValue) {
  for (const wchar_t* name : {L"item", L"say \"hi\"", L"back\\slash", L"tab\there", L""}) {
    const std::wstring text = WriteCvtDocument(kValues, name, CvtTarget::Json);
    Members sax;
    ASSERT_TRUE(nlohmann::json::sax_parse(platform::ToUtf8(text), &sax)) << "not valid JSON:\n"
                                                                         << platform::ToUtf8(text);
    EXPECT_EQ(sax.objects, 1);
    EXPECT_FALSE(sax.other);
    ASSERT_EQ(sax.members.size(), kValues.size());
    for (std::size_t i = 0; i < kValues.size(); ++i) {
      EXPECT_EQ(sax.members[i].first, platform::ToUtf8(name));
      EXPECT_EQ(sax.members[i].second, platform::ToUtf8(kValues[i])) << i;
    }
  }
}

TEST(CvtDocument, JsonLayout) {
  EXPECT_EQ(WriteCvtDocument({L"a", L"b\"c"}, L"v", CvtTarget::Json),
            L"{\r\n  \"v\":\"a\",\r\n  \"v\":\"b\\\"c\"\r\n}");
}

TEST(CvtDocument, TargetsInAnyLetterCase) {
  EXPECT_EQ(ParseCvtTarget(L"XML"), CvtTarget::Xml);
  EXPECT_EQ(ParseCvtTarget(L"xml"), CvtTarget::Xml);
  EXPECT_EQ(ParseCvtTarget(L"Json"), CvtTarget::Json);
  EXPECT_FALSE(ParseCvtTarget(L"CSV").has_value());
  EXPECT_FALSE(ParseCvtTarget(L"").has_value());
  EXPECT_FALSE(ParseCvtTarget(L"XMLX").has_value());
}

struct FailCase {
  const wchar_t* pattern;
  int code;
  const wchar_t* text;
};

const FailCase kFailures[] = {
    // The pattern behind the conversion fails: its own reason is reported.
    {L"$cvt($nosuch(1),item,XML)", 100,
     L"Function: could not recognize 'nosuch' as correct function name."},
    {L"$cvt(<a|b,item,JSON)", 112, L"List: <...> list closed incorrectly."},
    {L"$cvt($cvt(x,y,XML),item,XML)", 4401, L"Pattern provides no data."},
    // A pattern that makes no generator has no data to convert.
    {L"$cvt(AAA,item,JSON)", 4401, L"Pattern provides no data."},
    {L"$cvt(,item,XML)", 4401, L"Pattern provides no data."},
};

class CvtFailures : public EngineFixture, public ::testing::WithParamInterface<FailCase> {};

TEST_P(CvtFailures, ReportTheirReason) {
  EXPECT_EQ(RenderError(GetParam().pattern), GetParam().code)
      << platform::ToUtf8(GetParam().pattern);
  EXPECT_EQ(engine.Error(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cvt, CvtFailures, ::testing::ValuesIn(kFailures),
                         testsupport::NameBy<&FailCase::pattern>());

TEST_F(EngineFixture, CvtThatCallsItselfStops) {
  NamedGen loop{L"loop", L"$cvt($call(loop),x,XML)"};
  std::vector<NamedGen*> named{&loop};
  engine.SetNamedGenerators(&named);
  EXPECT_EQ(RenderError(L"$call(loop)"), 4403);
  EXPECT_EQ(engine.Error(), L"$CVT: conversions nest deeper than 4 levels.");
}

TEST_F(EngineFixture, CvtFailuresLeaveNothingBehind) {
  // Each value builds and ends a helper engine; under the leak checker nothing may stay.
  for (int i = 0; i < 50; ++i) EXPECT_EQ(RenderError(L"$cvt(N{3},v,XML)"), 4401);
  EXPECT_EQ(engine.GeneratorCount(), 0u);
}

}  // namespace
}  // namespace engine_test
