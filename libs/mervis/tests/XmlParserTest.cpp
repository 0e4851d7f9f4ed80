// XPath selections over documents in several encodings, with namespaces, and the reader's errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mervis/XmlParser.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

using std::string_literals::operator""s;

class XmlParserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = platform::MakePrivateTempFolder(L"xmlparser");
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(platform::NativePath(folder), ignored);
  }
  std::wstring Write(std::string_view bytes) {
    const std::wstring path = platform::JoinPath(folder, L"doc.xml");
    EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
    return path;
  }
  std::vector<std::wstring> Select(const std::wstring& xpath) {
    std::vector<std::wstring> values;
    const int n = parser.NodesByPath(xpath);
    EXPECT_GE(n, 0) << platform::ToUtf8(parser.ErrorText());
    for (int i = 0; i < n; ++i) values.push_back(parser.Value(i));
    return values;
  }

  std::wstring folder;
  XmlParser parser;
};

TEST_F(XmlParserTest, ElementsAttributesAndNamespaces) {
  const std::string doc =
      "<?xml version=\"1.0\"?>\n"
      "<shop xmlns=\"urn:shop\" xmlns:p=\"urn:price\">\n"
      "  <item id=\"1\"><name>Pen</name><p:cost cur=\"EUR\">2.5</p:cost></item>\n"
      "  <item id=\"2\"><name>Ink &amp; <![CDATA[<nib>]]></name></item>\n"
      "  <item id=\"3\"><name>Pad</name></item>\n"
      "</shop>\n";
  ASSERT_EQ(parser.LoadFile(Write(doc)), 0) << platform::ToUtf8(parser.ErrorText());
  EXPECT_EQ(Select(L"/_:shop/_:item/_:name"),
            (std::vector<std::wstring>{L"Pen", L"Ink & <nib>", L"Pad"}));
  EXPECT_EQ(Select(L"//_:item/@id"), (std::vector<std::wstring>{L"1", L"2", L"3"}));
  EXPECT_EQ(Select(L"//p:cost/@cur"), std::vector<std::wstring>{L"EUR"});
  EXPECT_EQ(Select(L"//_:item[@id='1']"), std::vector<std::wstring>{L"Pen2.5"});
  EXPECT_EQ(Select(L"count(//_:item)"), std::vector<std::wstring>{L"3"});
  EXPECT_TRUE(Select(L"//item").empty());  // unprefixed names are in no namespace

  ASSERT_EQ(parser.NodesByPath(L"//_:item"), 3);
  EXPECT_EQ(parser.AttributeValue(1, L"id"), L"2");
  EXPECT_EQ(parser.AttributeValue(1, L"missing"), L"");
  EXPECT_EQ(parser.AttributeValue(3, L"id"), L"");  // outside the list
  EXPECT_EQ(parser.Value(-1), L"");
}

TEST_F(XmlParserTest, PrefixesAreTheFirstDeclaredAndBelongToTheirDocument) {
  ASSERT_EQ(parser.LoadString(L"<r xmlns:a=\"urn:one\"><x xmlns=\"urn:d1\" xmlns:a=\"urn:two\">"
                              L"<a:v>1</a:v><y xmlns=\"urn:d2\">2</y></x></r>"),
            0)
      << platform::ToUtf8(parser.ErrorText());
  // A second round of selections sees the same bindings.
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_TRUE(Select(L"//a:v").empty());  // a: is urn:one, the v is in urn:two
    EXPECT_EQ(Select(L"count(//*[namespace-uri()='urn:two'])"), std::vector<std::wstring>{L"1"});
    EXPECT_EQ(Select(L"//_:x"), std::vector<std::wstring>{L"12"});
    EXPECT_TRUE(Select(L"//_:y").empty());  // _: is the first default namespace only
  }

  // A default namespace takes `_` even from a declared prefix of that name.
  ASSERT_EQ(parser.LoadString(L"<r xmlns:_=\"urn:u\"><s xmlns=\"urn:d\"/></r>"), 0);
  EXPECT_EQ(Select(L"count(//_:s)"), std::vector<std::wstring>{L"1"});

  ASSERT_EQ(parser.LoadString(L"<r xmlns:b=\"urn:b\"><b:v>3</b:v></r>"), 0);
  EXPECT_EQ(Select(L"//b:v"), std::vector<std::wstring>{L"3"});
  EXPECT_EQ(parser.NodesByPath(L"//a:v"), -1);  // the earlier document's prefix is gone
  parser.Free();
  EXPECT_EQ(parser.NodesByPath(L"//b:v"), -1);
}

TEST_F(XmlParserTest, HonoursTheDocumentsEncoding) {
  const struct {
    std::string bytes;
    const char* what;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a v=\"caf\xC3\xA9\">\xE2\x82\xAC</a>", "UTF-8"},
      {"\xEF\xBB\xBF<a v=\"caf\xC3\xA9\">\xE2\x82\xAC</a>", "UTF-8 with mark"},
      {"\xFF\xFE<\0a\0 \0v\0=\0\"\0c\0a\0f\0\xE9\0\"\0>\0\xAC\x20<\0/\0a\0>\0"s, "UTF-16LE"},
      {"\xFE\xFF\0<\0a\0 \0v\0=\0\"\0c\0a\0f\0\xE9\0\"\0>\x20\xAC\0<\0/\0a\0>"s, "UTF-16BE"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(parser.LoadFile(Write(c.bytes)), 0) << c.what << platform::ToUtf8(parser.ErrorText());
    EXPECT_EQ(Select(L"/a/@v"), std::vector<std::wstring>{L"caf\u00E9"}) << c.what;
    EXPECT_EQ(Select(L"/a"), std::vector<std::wstring>{L"\u20AC"}) << c.what;
  }
  ASSERT_EQ(parser.LoadFile(Write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>")),
            0);
  EXPECT_EQ(Select(L"/a"), std::vector<std::wstring>{L"caf\u00E9"});

  // A text is already decoded: its declaration's encoding does not apply again.
  ASSERT_EQ(parser.LoadString(L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\u20AC\u00E9</a>"),
            0) << platform::ToUtf8(parser.ErrorText());
  EXPECT_EQ(Select(L"/a"), std::vector<std::wstring>{L"\u20AC\u00E9"});
}

TEST_F(XmlParserTest, MalformedInputGivesMessageWithPosition) {
  const struct {
    std::string bytes;
    const char* message;
  } cases[] = {
      {"<a>\n  <b></a>", "line 2, column"},
      {"", "Document is empty"},
      {"<a>caf\xE9</a>", "line 1, column"},  // not UTF-8 and nothing declared
      {"<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a>&e;</a>", ""},
  };
  for (const auto& c : cases) {
    const int loaded = parser.LoadFile(Write(c.bytes));
    if (*c.message == 0) {
      // External entities are never read: the document loads, the entity stays empty.
      if (loaded == 0) {
        EXPECT_EQ(Select(L"/a"), std::vector<std::wstring>{L""});
      }
      continue;
    }
    EXPECT_NE(loaded, 0) << c.bytes;
    EXPECT_NE(platform::ToUtf8(parser.ErrorText()).find(c.message), std::string::npos)
        << platform::ToUtf8(parser.ErrorText());
    EXPECT_EQ(parser.NodesByPath(L"/a"), -1);  // nothing of a failed load is kept
  }
  EXPECT_NE(parser.LoadFile(folder + L"/missing.xml"), 0);
  EXPECT_FALSE(parser.ErrorText().empty());

  ASSERT_EQ(parser.LoadString(L"<a/>"), 0);
  EXPECT_EQ(parser.NodesByPath(L"//a[@"), -1);
  EXPECT_NE(parser.ErrorText().find(L"'//a[@'"), std::wstring::npos);
  EXPECT_EQ(parser.NodesByPath(L"//q:a"), -1);  // a prefix the document does not declare
  EXPECT_EQ(parser.ListSize(), 0);
}

TEST_F(XmlParserTest, EntityExpansionIsBounded) {
  std::string doc = "<!DOCTYPE a [<!ENTITY e0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
  for (int i = 1; i < 12; ++i) {
    const std::string prev = "&e" + std::to_string(i - 1) + ";";
    std::string body;
    for (int k = 0; k < 10; ++k) body += prev;
    doc += "<!ENTITY e" + std::to_string(i) + " \"" + body + "\">";
  }
  doc += "]><a>&e11;</a>";
  // Either the reader refuses the document or the selection stops at its budget.
  if (parser.LoadString(platform::FromUtf8(doc)) == 0) {
    EXPECT_EQ(parser.NodesByPath(L"/a"), -1);
  }
  EXPECT_FALSE(parser.ErrorText().empty());
}

}  // namespace
