#pragma once
// Checks of written report pages through libxml2's HTML parser: ExpectValidHtml (the parser, in
// pedantic mode, must report nothing at all, neither errors nor warnings) and HtmlSelect (what a
// reader of the page sees at an XPath). Link the target parlemont_html_validation.
#include <libxml/HTMLparser.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace parlemont_test {

// Every problem the parser reports, as "line N: message"; empty for a clean page. The page's own
// charset declaration decides how its bytes are read.
inline std::vector<std::string> HtmlProblems(const std::string& bytes) {
  std::vector<std::string> problems;
  xmlSetStructuredErrorFunc(&problems, [](void* context, xmlErrorPtr error) {
    std::string message = error->message ? error->message : "?";
    while (!message.empty() && message.back() == '\n') message.pop_back();
    static_cast<std::vector<std::string>*>(context)->push_back(
        "line " + std::to_string(error->line) + ": " + message);
  });
  htmlDocPtr doc = htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "report.html",
                                  nullptr, HTML_PARSE_PEDANTIC | HTML_PARSE_NONET);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  if (!doc)
    problems.push_back("the parser gave no document");
  else
    xmlFreeDoc(doc);
  return problems;
}

inline void ExpectValidHtml(const std::wstring& path) {
  std::string bytes;
  if (!platform::ReadFileBytes(path, bytes)) {
    ADD_FAILURE() << "cannot read " << platform::ToUtf8(path);
    return;
  }
  const std::vector<std::string> problems = HtmlProblems(bytes);
  std::string all;
  for (const std::string& p : problems) all += "\n  " + p;
  EXPECT_TRUE(problems.empty()) << platform::ToUtf8(path) << " is not clean HTML:" << all;
}

// The string values (UTF-8, entities and character references resolved) of the nodes that `xpath`
// selects, in document order; element names are lower case, as the parser writes them.
inline std::vector<std::string> HtmlSelect(const std::string& bytes, const char* xpath) {
  std::vector<std::string> values;
  xmlSetStructuredErrorFunc(nullptr, [](void*, xmlErrorPtr) {});  // ExpectValidHtml reports them
  htmlDocPtr doc = htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "report.html",
                                  nullptr, HTML_PARSE_NONET);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  if (!doc) return values;
  xmlXPathContextPtr context = xmlXPathNewContext(doc);
  xmlXPathObjectPtr result =
      context ? xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath), context) : nullptr;
  if (result && result->nodesetval) {
    for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
      xmlChar* text = xmlNodeGetContent(result->nodesetval->nodeTab[i]);
      values.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
      xmlFree(text);
    }
  }
  xmlXPathFreeObject(result);
  xmlXPathFreeContext(context);
  xmlFreeDoc(doc);
  return values;
}

inline std::vector<std::string> HtmlSelectFile(const std::wstring& path, const char* xpath) {
  std::string bytes;
  platform::ReadFileBytes(path, bytes);
  return HtmlSelect(bytes, xpath);
}

}  // namespace parlemont_test
