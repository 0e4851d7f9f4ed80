// The help pages' markup: topics are read strictly, text is always escaped, and the README's
// lists come from the same topics as the pages.
#include "HelpMarkup.h"

#include <gtest/gtest.h>

namespace {

help::Topic Parsed(const std::string& text) {
  help::Topic topic;
  std::string error;
  EXPECT_TRUE(help::ParseTopic("t.md", text, &topic, &error)) << error;
  return topic;
}

TEST(HelpMarkup, TopicsNeedEveryHeaderAKnownGroupAndAnHtmlPage) {
  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"page: a.html\ntitle: A\ngroup: window\n\nbody", "\"summary\" is missing"},
      {"page: a.html\ntitle: A\ngroup: nowhere\nsummary: s\n", "unknown group"},
      {"page: a.htm\ntitle: A\ngroup: window\nsummary: s\n", "ending in .html"},
      {"page: ../a.html\ntitle: A\ngroup: window\nsummary: s\n", "ending in .html"},
      {"page: a.html\ntitle A\n", "t.md:2"},
      {"page: a.html\ncolour: red\n", "unknown header"},
  };
  for (const auto& c : bad) {
    help::Topic topic;
    std::string error;
    EXPECT_FALSE(help::ParseTopic("t.md", c.text, &topic, &error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
  const help::Topic ok =
      Parsed("page: $last.html\ntitle: $last(column)\ngroup: patterns\nsummary: S.\n\nBody.\n");
  EXPECT_EQ(ok.page, "$last.html");
  EXPECT_EQ(ok.body, (std::vector<std::string>{"", "Body."}));
}

TEST(HelpMarkup, TextIsEscapedAndOnlyTheMarkupBecomesTags) {
  EXPECT_EQ(help::InlineHtml("a < b & \"c\" > d"), "a &lt; b &amp; &quot;c&quot; &gt; d");
  EXPECT_EQ(help::InlineHtml("`<red|**x**>` and **bold**"),
            "<code>&lt;red|**x**&gt;</code> and <strong>bold</strong>");
  EXPECT_EQ(help::InlineHtml("see [the <index>](index.html)"),
            "see <a href=\"index.html\">the &lt;index&gt;</a>");
  EXPECT_EQ(help::InlineHtml("an unclosed ` and **"), "an unclosed ` and <strong></strong>");
  EXPECT_EQ(help::InlineHtml("[not a link] (x)"), "[not a link] (x)");
}

TEST(HelpMarkup, BlocksBecomeParagraphsListsTablesAndCode) {
  const std::string html = help::BodyHtml({
      "First line", "same paragraph.", "", "## Heading", "- one", "  continued", "- two", "",
      "| key | meaning |", "|---|---|", "| `a|b` | <x> |", "", "```", "$rint(1, <10>)", "```"});
  EXPECT_EQ(html,
            "<p>First line same paragraph.</p>\n"
            "<h2>Heading</h2>\n"
            "<ul>\n<li>one continued</li>\n<li>two</li>\n</ul>\n"
            "<table>\n<tr><th>key</th><th>meaning</th></tr>\n"
            "<tr><td><code>a|b</code></td><td>&lt;x&gt;</td></tr>\n</table>\n"
            "<pre>$rint(1, &lt;10&gt;)\n</pre>\n");
}

TEST(HelpMarkup, TheIndexListsEveryTopicByGroupAndPagesLinkBack) {
  std::vector<help::Topic> topics = {
      Parsed("page: index.html\ntitle: Help\ngroup: window\nsummary: All of it.\n"),
      Parsed("page: rint.html\ntitle: $rint(from, to)\ngroup: patterns\nsummary: A number.\n"),
      Parsed("page: console.html\ntitle: Console\ngroup: window\nsummary: The run.\n")};
  const std::string index = help::PageHtml(topics[0], topics);
  EXPECT_NE(index.find("<a href=\"rint.html\"><code>$rint(from, to)</code></a>: A number."),
            std::string::npos)
      << index;
  EXPECT_LT(index.find("console.html"), index.find("rint.html")) << "window topics first";
  EXPECT_EQ(index.find("Help contents"), std::string::npos);
  const std::string page = help::PageHtml(topics[2], topics);
  EXPECT_NE(page.find("<a href=\"index.html\">Help contents</a>"), std::string::npos);
  EXPECT_EQ(page.find("rint.html"), std::string::npos);
}

TEST(HelpMarkup, ReadmeRegionsAreFilledFromTheTopicsAndChecked) {
  const std::vector<help::Topic> topics = {
      Parsed("page: b.html\ntitle: Beta\ngroup: window\nsummary: Second.\n"),
      Parsed("page: a.html\ntitle: Alpha\ngroup: window\nsummary: First.\n"),
      Parsed("page: rint.html\ntitle: $rint(a, b)\ngroup: patterns\nsummary: N.\n")};
  const std::string readme =
      "# Title\n<!-- help:window -->\nstale text\n<!-- /help:window -->\nmiddle\n"
      "<!-- help:patterns --><!-- /help:patterns -->\nend\n";
  std::string filled, error;
  ASSERT_TRUE(help::FillReadme(readme, topics, &filled, &error)) << error;
  EXPECT_EQ(filled,
            "# Title\n<!-- help:window -->\n"
            "- **Alpha** (`a.html`): First.\n- **Beta** (`b.html`): Second.\n"
            "<!-- /help:window -->\nmiddle\n"
            "<!-- help:patterns -->\n- `$rint(a, b)` (`rint.html`): N.\n<!-- /help:patterns -->\n"
            "end\n");
  std::string again;
  ASSERT_TRUE(help::FillReadme(filled, topics, &again, &error));
  EXPECT_EQ(again, filled) << "filling is stable";

  EXPECT_FALSE(help::FillReadme("<!-- help:window -->\nno end", topics, &filled, &error));
  EXPECT_NE(error.find("<!-- /help:window -->"), std::string::npos);
  EXPECT_FALSE(help::FillReadme("<!-- help:other --><!-- /help:other -->", topics, &filled,
                                &error));
  EXPECT_NE(error.find("unknown help group"), std::string::npos);
}

}  // namespace
