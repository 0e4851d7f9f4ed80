#pragma once
// The help pages' one source: a topic file per page, in a small Markdown-like markup, turned
// into the HTML pages shipped next to the program and into the README's lists of topics, so the
// two never say different things.
//
// A topic file starts with header lines ("key: value") up to the first empty line:
//   page: console.html        the HTML file name the program asks for
//   title: Execution Console  (a title starting with '$' is shown as code)
//   group: window             the README list and the index section the topic belongs to
//   summary: ...              one paragraph, used in the README and at the top of the page
// The body follows: paragraphs, "## " headings, "- " lists (indented lines continue an item),
// "|" tables (the first row is the header; a "|---|" row is skipped) and ``` code blocks.
// Inline: `code`, **strong** and [text](target).
#include <map>
#include <string>
#include <vector>

namespace help {

struct Topic {
  std::string file;  // where it was read from, for messages
  std::string page, title, group, summary;
  std::vector<std::string> body;  // the lines after the header
};

// Reads a topic; false with `error` naming the file and the line when it is malformed.
bool ParseTopic(const std::string& file, const std::string& text, Topic* topic,
                std::string* error);

// Inline markup of one line of text, HTML-escaped.
std::string InlineHtml(const std::string& text);
// Block markup of body lines.
std::string BodyHtml(const std::vector<std::string>& lines);
// A whole page. `index` is the index topic (its page is the link back); `topics` are listed
// by group when the page is the index itself.
std::string PageHtml(const Topic& topic, const std::vector<Topic>& topics);

// The README list of a group: one "- title: summary" line per topic, in page-name order.
std::string ReadmeList(const std::vector<Topic>& topics, const std::string& group);
// `readme` with every region "<!-- help:GROUP -->" ... "<!-- /help:GROUP -->" filled with the
// group's list. Unknown groups and unclosed regions are errors.
bool FillReadme(const std::string& readme, const std::vector<Topic>& topics, std::string* out,
                std::string* error);

}  // namespace help
