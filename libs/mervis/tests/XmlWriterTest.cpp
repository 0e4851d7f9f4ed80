#include "mervis/XmlWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/tests/OpenDescriptors.h"
#include "testsupport/TestEnv.h"

namespace {

TEST(XmlWriter, WritesNestedElements) {
  const std::wstring path = testsupport::NewScratchPath(L"out.xml");
  XmlWriter x;
  ASSERT_TRUE(x.Open(path));
  // A program started meanwhile does not inherit the file.
  EXPECT_TRUE(platform_test::OpenCloseOnExec(platform::NativePath(path)));
  x.HeadXML();
  x.OpenTag(L"data", {{L"name", L"a \"quoted\" & <odd> 'name'"}, {L"n", L"1"}});
  x.OpenTag(L"row");
  x.Text(L"x < y & \"z\" \u00e9");
  x.CloseTag();
  x.OpenTag(L"row");
  x.OpenTag(L"empty");
  x.CloseTag();
  x.CloseTag();
  x.OpenTag(L"mixed");
  x.Text(L"a ");
  x.OpenTag(L"b");
  x.Text(L"bold");
  x.CloseTag();
  x.Text(L" c");
  // "mixed" and "data" are closed by Close().
  ASSERT_TRUE(x.Close());

  std::string bytes;
  ASSERT_TRUE(platform::ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<data name=\"a &quot;quoted&quot; &amp; &lt;odd&gt; &apos;name&apos;\" n=\"1\">\n"
            "  <row>x &lt; y &amp; \"z\" \xC3\xA9</row>\n"
            "  <row>\n"
            "    <empty></empty>\n"
            "  </row>\n"
            "  <mixed>a <b>bold</b> c</mixed>\n"
            "</data>\n");
}

TEST(XmlWriter, OpenFailsForAMissingFolder) {
  XmlWriter x;
  EXPECT_FALSE(x.Open(testsupport::ScratchFolder() + L"/none/out.xml"));
  x.OpenTag(L"ignored");  // writing without a file does no harm
  EXPECT_FALSE(x.Close());
}

TEST(XmlWriter, EscapesForTextAndForAttributes) {
  const std::wstring markup = L"<a href=\"x\">'&'</a>";
  EXPECT_EQ(XmlWriter::EscapeAttribute(markup),
            L"&lt;a href=&quot;x&quot;&gt;&apos;&amp;&apos;&lt;/a&gt;");
  EXPECT_EQ(XmlWriter::EscapeText(markup), L"&lt;a href=\"x\"&gt;'&amp;'&lt;/a&gt;");
  // Line breaks and tabs survive a parser: CR always as a reference, and in attributes also the
  // characters attribute normalisation would turn into blanks.
  EXPECT_EQ(XmlWriter::EscapeText(L"tab\tnl\ncr\r"), L"tab\tnl\ncr&#13;");
  EXPECT_EQ(XmlWriter::EscapeAttribute(L"tab\tnl\ncr\r"), L"tab&#9;nl&#10;cr&#13;");
  EXPECT_EQ(XmlWriter::EscapeText(std::wstring(L"nul\0bell\x07\uFFFE", 10)),
            L"nul\uFFFDbell\uFFFD\uFFFD");
}

}  // namespace
