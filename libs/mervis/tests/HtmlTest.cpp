#include <gtest/gtest.h>

#include <string>

#include "mervis/Html.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

TEST(Html, WritesNestedElements) {
  const std::wstring path = testsupport::NewScratchPath(L"out.xml");
  HTML x;
  ASSERT_TRUE(x.Open(path));
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

TEST(Html, OpenFailsForAMissingFolder) {
  HTML x;
  EXPECT_FALSE(x.Open(testsupport::ScratchFolder() + L"/none/out.xml"));
  x.OpenTag(L"ignored");  // writing without a file does no harm
  EXPECT_FALSE(x.Close());
}

TEST(Html, Quoting) {
  EXPECT_EQ(HTML::Quoting(L"<a href=\"x\">'&'</a>", 0),
            L"&lt;a href=&quot;x&quot;&gt;&apos;&amp;&apos;&lt;/a&gt;");
  EXPECT_EQ(HTML::Quoting(L"<a href=\"x\">'&'</a>", 1), L"&lt;a href=\"x\"&gt;'&amp;'&lt;/a&gt;");
  EXPECT_EQ(HTML::Quoting(L"tab\tnl\ncr\r", 1), L"tab\tnl\ncr\r");
  EXPECT_EQ(HTML::Quoting(std::wstring(L"nul\0bell\x07", 9), 1), L"nul\uFFFDbell\uFFFD");
}

}  // namespace
