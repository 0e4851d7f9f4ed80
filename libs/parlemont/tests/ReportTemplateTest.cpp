#include <gtest/gtest.h>

#include <map>
#include <string>

#include "parlemont/ReportTemplate.h"
#include "parlemont/tests/HtmlValidation.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using parlemont::FindTemplate;
using parlemont::MergeTemplate;

TEST(ReportTemplate, MergeReplacesPlaceholdersInOnePass) {
  struct Case {
    const wchar_t* templ;
    std::map<std::wstring, std::wstring> values;
    const wchar_t* merged;
  };
  const Case cases[] = {
      {L"<title>%TITLE%</title>%BODY%", {{L"TITLE", L"Run"}}, L"<title>Run</title>[body]"},
      // A value holding a placeholder name stays as it is.
      {L"%TITLE%|%BODY%", {{L"TITLE", L"%BODY%"}}, L"%BODY%|[body]"},
      // The standard placeholders never show when not given; unknown ones stay.
      {L"%AUTHOR%%LANGUAGE%%CHARSET%%DESCRIPTION%%OTHER%%BODY%", {}, L"%OTHER%[body]"},
      {L"%OTHER% %BODY%", {{L"OTHER", L"x"}}, L"x [body]"},
      // Percent signs of a style sheet are not placeholders.
      {L"width: 100%; %% 5%TITLE% %lower% %BODY%", {{L"TITLE", L"T"}},
       L"width: 100%; %% 5T %lower% [body]"},
      {L"%", {}, L"%[body]"},
      {L"%TITLE", {}, L"%TITLE[body]"},
      // Without %BODY% the content goes before </body>, or at the end.
      {L"<body>\n</BODY></html>", {}, L"<body>\n[body]</BODY></html>"},
      {L"no body here", {}, L"no body here[body]"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MergeTemplate(c.templ, c.values, L"[body]"), c.merged) << platform::ToUtf8(c.templ);
}

TEST(ReportTemplate, FoundByAbsoluteNameOrNextToTheReport) {
  const std::wstring report = testsupport::NewScratchPath(L"report.html");
  const std::wstring folder = platform::FolderPart(report);
  EXPECT_EQ(FindTemplate(L"own.htm", report), L"");
  EXPECT_EQ(FindTemplate(L"", report), L"");  // the test program's folder holds no head.htm

  ASSERT_TRUE(platform::WriteTextFileUtf8(folder + L"/own.htm", L"%BODY%"));
  ASSERT_TRUE(platform::WriteTextFileUtf8(folder + L"/head.htm", L"%BODY%"));
  EXPECT_EQ(FindTemplate(L"own.htm", report), folder + L"/own.htm");
  EXPECT_EQ(FindTemplate(L"", report), folder + L"/head.htm");
  EXPECT_EQ(FindTemplate(folder + L"/own.htm", L"/elsewhere/r.html"), folder + L"/own.htm");
  EXPECT_EQ(FindTemplate(folder + L"/missing.htm", report), L"");
}

TEST(ShippedTemplate, IsCleanAsciiHtmlWithEveryPlaceholder) {
  std::string bytes;
  ASSERT_TRUE(platform::ReadFileBytes(platform::FromUtf8(PARLEMONT_TEMPLATE_FILE), bytes));
  for (const char c : bytes) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
  const std::wstring text = platform::FromUtf8(bytes);
  for (const wchar_t* name : {L"%TITLE%", L"%LANGUAGE%", L"%CHARSET%", L"%AUTHOR%",
                              L"%DESCRIPTION%", L"%BODY%"}) {
    EXPECT_NE(text.find(name), std::wstring::npos) << platform::ToUtf8(name);
  }
  // Exactly one body: the comment in the template must not mention the placeholder itself.
  EXPECT_EQ(text.find(L"%BODY%"), text.rfind(L"%BODY%"));

  const std::string merged = platform::ToUtf8(MergeTemplate(
      text, {{L"TITLE", L"T"}, {L"CHARSET", L"UTF-8"}, {L"LANGUAGE", L"en"}}, L"<p>x</p>"));
  EXPECT_TRUE(parlemont_test::HtmlProblems(merged).empty());
  // The charset is declared early enough for a browser to find it.
  EXPECT_LT(merged.find("charset=UTF-8"), 1024u);
}

}  // namespace
