#include <gtest/gtest.h>

#include <string>

#include "parlemont/HtmlAttributes.h"
#include "parlemont/Markup.h"
#include "parlemont/ReportTime.h"

namespace {

TEST(Markup, EscapesEveryTextItIsGiven) {
  struct Case {
    std::wstring text;
    std::wstring html;
  };
  const Case cases[] = {
      {L"select * from t where a<5", L"select * from t where a&lt;5"},
      {L"a > b && c", L"a &gt; b &amp;&amp; c"},
      {L"\"double\" 'single'", L"&quot;double&quot; &#39;single&#39;"},
      {L"&nbsp;", L"&amp;nbsp;"},
      {L"<script>alert(1)</script>", L"&lt;script&gt;alert(1)&lt;/script&gt;"},
      {L"line1\r\nline2\nline3\rline4", L"line1<br>line2<br>line3<br>line4"},
      {L"caf\u00e9 \u4e2d \U0001F600\t", L"caf\u00e9 \u4e2d \U0001F600\t"},
      // Characters no HTML page may hold are replaced, not passed on to break the parser.
      {std::wstring(L"a\0b\x01\x7F\x85", 6) + L"\uFFFE" + wchar_t(0xD800) + wchar_t(0x110000),
       L"a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(Markup::Escaped(c.text).Html(), c.html);
}

TEST(Markup, AttributesTakeLineBreaksAsReferences) {
  EXPECT_EQ(parlemont::EscapeAttribute(L"a\r\nb \"c\" <d>"), L"a&#10;b &quot;c&quot; &lt;d&gt;");
}

TEST(Markup, RawMarkupIsKeptAndJoins) {
  const Markup m = Markup::Escaped(L"Average Duration") + Markup(L",<br>") +
                   Markup::Escaped(L"Seconds & more");
  EXPECT_EQ(m.Html(), L"Average Duration,<br>Seconds &amp; more");
  EXPECT_EQ(Markup::Link(L"#P\"1", L"Task <1>").Html(),
            L"<a href=\"#P&quot;1\">Task &lt;1&gt;</a>");
  EXPECT_EQ(Markup::NonBreakingSpace().Html(), L"&nbsp;");
}

TEST(HtmlAttributes, AreRewrittenQuotedAndSafe) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case cases[] = {
      {L" width=5%", L" width=\"5%\""},
      {L" width=\"80\"", L" width=\"80\""},
      {L" align=right", L" align=\"right\""},
      {L"ALIGN = 'right'  valign=top", L" align=\"right\" valign=\"top\""},
      {L" nowrap", L" nowrap=\"\""},
      {L" title='say \"hi\" & <go>'", L" title=\"say &quot;hi&quot; &amp; &lt;go&gt;\""},
      {L" onclick=\"alert(1)\" width=3", L" width=\"3\""},
      {L" title=\"never closed width=3", L""},
      {L" <b>bold</b> width=4", L" width=\"4\""},
      {L" width\"5\" align=left", L" align=\"left\""},
      {L"", L""},
      {L"   ", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(parlemont::NormalizeAttributes(c.in), c.out) << c.in;
}

TEST(ReportTime, EnglishMonthNamesWhateverTheLocale) {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 5;
  t.tm_hour = 14;
  t.tm_min = 2;
  t.tm_sec = 7;
  EXPECT_EQ(parlemont::FormatReportTime(t), L"05-Mar-2024 14:02:07");
  t.tm_mon = 11;
  t.tm_mday = 31;
  EXPECT_EQ(parlemont::FormatReportTime(t), L"31-Dec-2024 14:02:07");
  EXPECT_EQ(parlemont::ReportTimeNow().size(), 20u);
}

}  // namespace
