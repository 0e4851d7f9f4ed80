#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "parlemont/MultiReport.h"
#include "parlemont/tests/HtmlValidation.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/tests/OpenDescriptors.h"
#include "testsupport/TestEnv.h"

namespace {

using parlemont_test::ExpectValidHtml;
using parlemont_test::HtmlSelect;
using Strings = std::vector<std::string>;

const std::wstring kTemplate = platform::FromUtf8(PARLEMONT_TEMPLATE_FILE);
// User data as it reaches a report: statements, names, notes and paths.
const std::wstring kUserText = L"select * from t where a<5 & b>'x' and c=\"y\" -- caf\u00e9 \u4e2d \U0001F600";
const std::string kUserTextUtf8 = platform::ToUtf8(kUserText);

std::string Bytes(const std::wstring& path) {
  std::string bytes;
  platform::ReadFileBytes(path, bytes);
  return bytes;
}

// Opens a report on the shipped template with the given charset.
void OpenReport(MultiReport& report, const std::wstring& path, const std::wstring& charset) {
  ASSERT_EQ(report.AddReport(RF_HTML, path, kTemplate), RE_OK);
  report.AddProperty(L"%TITLE%", kUserText);
  report.AddProperty(L"%LANGUAGE%", L"en-us");
  report.AddProperty(L"%CHARSET%", charset);
  report.AddProperty(L"%AUTHOR%", L"Ann \"O'Brien\" <ann@example.org>");
  report.AddProperty(L"%DESCRIPTION%", L"two\nlines");
  ASSERT_EQ(report.Open(), RE_OK);
}

// The calls the project description report makes, with user data in every place it can be.
void WriteDescription(MultiReport& report) {
  report.Text(L"Project Report", PT_TITLE);
  report.TocEntry(L"P0", L"Summary");
  report.TocEntry(L"P1", L"Task #1");
  report.Anchor(L"P0");
  report.Text(L"Summary", PT_REPORT_TITLE);
  report.BeginTable();
  report.AttributeRowHeader();
  report.ReportCreated();
  report.ProductRow(L"Brunox 0.1");
  report.Row2NotEmptyWithQuote(L"Project Description", kUserText);
  report.Row2NotEmptyWithQuote(L"Project Author", L"");
  report.EndTable();
  report.Anchor(L"P1");
  report.Text(Markup::Escaped(L"Task #1 ") + Markup::Link(L"#", L"top"), PT_REPORT_TITLE);
  report.Text(kUserText, PT_NAME);
  report.BeginTable(nullptr, nullptr);
  report.Row2(L"Task Property", L"Value", 1, nullptr, nullptr);
  report.Row2(L"SQL Script", L"select 1\r\nfrom t");
  report.Row2(L"Parameter generators", Markup::Escaped(L"$int(1,5)") + Markup(L"<br>") +
                                           Markup::Escaped(L"$name()"));
  report.Row2(L"Parameters file value separator", Markup(L"&lt;tab&gt;"));
  report.EndTable(nullptr);
}

TEST(MultiReport, WritesAWellFormedReportWithEveryKindOfContent) {
  const std::wstring path = testsupport::NewScratchPath(L"description.html");
  {
    MultiReport report;
    OpenReport(report, path, L"UTF-8");
    WriteDescription(report);
    report.Text(L"Counters", PT_HEADING);
    report.BeginTable();
    report.BeginRow(0, 0, 0);
    report.Cell(L"Point No", 1, L" width=\"80\"");
    report.Cell(L"Timestamp", 1, L" width=5%");
    report.EndRow(0);
    report.BeginRow(0, 0, 0);
    report.Cell(L"1", 0, L" align=right");
    report.Cell(Markup::NonBreakingSpace());
    report.EndRow(0);
    report.EndTable();
    report.Text(L"plain <paragraph>");
    ASSERT_EQ(report.Close(), RE_OK);
    EXPECT_EQ(report.WrittenCharset(), L"UTF-8");
  }
  ExpectValidHtml(path);
  const std::string page = Bytes(path);

  // Head: every property merged, escaped for its place.
  EXPECT_EQ(HtmlSelect(page, "/html/head/title"), Strings{kUserTextUtf8});
  EXPECT_EQ(HtmlSelect(page, "/html/@lang"), Strings{"en-us"});
  EXPECT_EQ(HtmlSelect(page, "//meta[@name='author']/@content"),
            Strings{"Ann \"O'Brien\" <ann@example.org>"});
  EXPECT_EQ(HtmlSelect(page, "//meta[@name='description']/@content"), Strings{"two\nlines"});
  EXPECT_EQ(HtmlSelect(page, "//meta[@http-equiv='Content-Type']/@content"),
            Strings{"text/html; charset=UTF-8"});

  // Headings by paragraph type, the link inside one, the name paragraph.
  EXPECT_EQ(HtmlSelect(page, "//h1"), Strings{"Project Report"});
  EXPECT_EQ(HtmlSelect(page, "//h2"), (Strings{"Summary", "Task #1 top"}));
  EXPECT_EQ(HtmlSelect(page, "//h2/a/@href"), Strings{"#"});
  EXPECT_EQ(HtmlSelect(page, "//h3"), Strings{"Counters"});
  EXPECT_EQ(HtmlSelect(page, "//p[@class='name']"), Strings{kUserTextUtf8});
  EXPECT_EQ(HtmlSelect(page, "//body/p[not(@class)]"), Strings{"plain <paragraph>"});

  // Table of contents pointing at the anchors, which come before their sections.
  EXPECT_EQ(HtmlSelect(page, "//ul[@class='toc']/li/a/@href"), (Strings{"#P0", "#P1"}));
  EXPECT_EQ(HtmlSelect(page, "//ul[@class='toc']/li"), (Strings{"Summary", "Task #1"}));
  EXPECT_EQ(HtmlSelect(page, "//a[@id='P0']/following-sibling::h2[1]"), Strings{"Summary"});
  EXPECT_EQ(HtmlSelect(page, "//a[@id='P1']/following-sibling::h2[1]"), Strings{"Task #1 top"});

  // Tables: header rows, Row2 rows, the empty Row2NotEmptyWithQuote row left out.
  EXPECT_EQ(HtmlSelect(page, "//table").size(), 3u);
  EXPECT_EQ(HtmlSelect(page, "(//table)[1]/tr[1]/th"), (Strings{"Attribute", "Value"}));
  EXPECT_EQ(HtmlSelect(page, "(//table)[1]/tr[2]/td[1]"), Strings{"Report created"});
  EXPECT_EQ(HtmlSelect(page, "(//table)[1]/tr[2]/td[2]")[0].size(), 20u);
  EXPECT_EQ(HtmlSelect(page, "(//table)[1]/tr[3]/td"), (Strings{"Product", "Brunox 0.1"}));
  EXPECT_EQ(HtmlSelect(page, "(//table)[1]/tr[4]/td"),
            (Strings{"Project Description", kUserTextUtf8}));
  EXPECT_EQ(HtmlSelect(page, "(//table)[1]/tr").size(), 4u);
  EXPECT_EQ(HtmlSelect(page, "(//table)[2]/tr[1]/th"), (Strings{"Task Property", "Value"}));
  EXPECT_EQ(HtmlSelect(page, "(//table)[2]/tr[2]/td[2]/br").size(), 1u);  // CR LF of a script
  EXPECT_EQ(HtmlSelect(page, "(//table)[2]/tr[3]/td[2]/br").size(), 1u);  // the <br> markup
  EXPECT_EQ(HtmlSelect(page, "(//table)[2]/tr[3]/td[2]"), Strings{"$int(1,5)$name()"});
  EXPECT_EQ(HtmlSelect(page, "(//table)[2]/tr[4]/td[2]"), Strings{"<tab>"});
  EXPECT_EQ(HtmlSelect(page, "(//table)[3]/tr[1]/th/@width"), (Strings{"80", "5%"}));
  EXPECT_EQ(HtmlSelect(page, "(//table)[3]/tr[2]/td[1]/@align"), Strings{"right"});
  EXPECT_EQ(HtmlSelect(page, "(//table)[3]/tr[2]/td[2]"), Strings{"\xC2\xA0"});
}

TEST(MultiReport, Latin1PageCarriesEveryCharacter) {
  const std::wstring path = testsupport::NewScratchPath(L"latin1.html");
  MultiReport report;
  OpenReport(report, path, L"iso-8859-1");
  WriteDescription(report);
  ASSERT_EQ(report.Close(), RE_OK);
  EXPECT_EQ(report.WrittenCharset(), L"iso-8859-1");

  ExpectValidHtml(path);
  const std::string page = Bytes(path);
  // Latin-1 bytes, not UTF-8: é is one byte, the rest are references.
  EXPECT_FALSE(platform::IsValidUtf8(page));
  EXPECT_NE(page.find("caf\xE9 &#20013; &#128512;"), std::string::npos);
  EXPECT_EQ(page.find("\xC3\xA9"), std::string::npos);
  for (const char c : page) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      EXPECT_EQ(static_cast<unsigned char>(c), 0xE9);
    }
  }
  EXPECT_EQ(HtmlSelect(page, "//meta[@http-equiv='Content-Type']/@content"),
            Strings{"text/html; charset=iso-8859-1"});
  // A reader sees the original texts.
  EXPECT_EQ(HtmlSelect(page, "/html/head/title"), Strings{kUserTextUtf8});
  EXPECT_EQ(HtmlSelect(page, "//p[@class='name']"), Strings{kUserTextUtf8});
}

TEST(MultiReport, UnknownCharsetIsWrittenAndDeclaredAsUtf8) {
  const std::wstring path = testsupport::NewScratchPath(L"unknown.html");
  MultiReport report;
  OpenReport(report, path, L"klingon-1");
  WriteDescription(report);
  ASSERT_EQ(report.Close(), RE_OK);
  EXPECT_EQ(report.WrittenCharset(), L"UTF-8");

  ExpectValidHtml(path);
  const std::string page = Bytes(path);
  EXPECT_TRUE(platform::IsValidUtf8(page));
  EXPECT_EQ(page.find("klingon"), std::string::npos);
  EXPECT_EQ(HtmlSelect(page, "//meta[@http-equiv='Content-Type']/@content"),
            Strings{"text/html; charset=UTF-8"});
  EXPECT_EQ(HtmlSelect(page, "//p[@class='name']"), Strings{kUserTextUtf8});
}

// Calls in an order no report code should use still give a well-formed page.
TEST(MultiReport, CallsInAnyOrderGiveAWellFormedPage) {
  const std::wstring path = testsupport::NewScratchPath(L"odd.html");
  MultiReport report;
  OpenReport(report, path, L"UTF-8");
  report.EndTable();                      // nothing open
  report.EndRow();                        // nothing open
  report.Cell(L"cell without a table");   // opens table and row
  report.Text(L"paragraph inside table");  // ends them
  report.BeginRow();
  report.BeginRow();  // an open row is ended first
  report.Cell(L"a");
  report.EndRow(3);   // padded to three cells
  report.TocEntry(L"A", L"level 0");
  report.TocEntry(L"B", L"level 3", 3);  // at most one level deeper
  report.TocEntry(L"C", L"level 1", 1);
  report.TocEntry(L"D", L"level 0 again");
  report.TocEntry(L"E", L"level -1", -1);
  report.BeginTable(L"A caption <1>", L"wide");
  report.Row2(L"name", L"value");  // the table is left open
  ASSERT_EQ(report.Close(), RE_OK);

  ExpectValidHtml(path);
  const std::string page = Bytes(path);
  EXPECT_EQ(HtmlSelect(page, "//table").size(), 3u);
  EXPECT_EQ(HtmlSelect(page, "(//table)[1]/tr/td"), Strings{"cell without a table"});
  EXPECT_EQ(HtmlSelect(page, "(//table)[2]/tr").size(), 2u);
  EXPECT_EQ(HtmlSelect(page, "(//table)[2]/tr[2]/td").size(), 3u);
  EXPECT_EQ(HtmlSelect(page, "//body/ul/li/a"), (Strings{"level 0", "level 0 again", "level -1"}));
  EXPECT_EQ(HtmlSelect(page, "//body/ul/li[1]/ul/li/a"), (Strings{"level 3", "level 1"}));
  EXPECT_EQ(HtmlSelect(page, "//table[@class='report wide']/caption"), Strings{"A caption <1>"});
  EXPECT_EQ(HtmlSelect(page, "(//table)[3]/tr/td"), (Strings{"name", "value"}));
}

TEST(MultiReport, OpenReportsItsErrors) {
  MultiReport report;
  EXPECT_EQ(report.Open(), RE_NO_REPORT);
  EXPECT_EQ(report.Close(), RE_NOT_OPEN);
  EXPECT_EQ(report.AddReport(static_cast<REPORT_FORMAT>(2), L"/tmp/x.rtf", L""),
            RE_UNSUPPORTED_FORMAT);
  EXPECT_EQ(report.Open(), RE_NO_REPORT);

  // A missing template touches no file.
  const std::wstring path = testsupport::NewScratchPath(L"no-template.html");
  ASSERT_EQ(report.AddReport(RF_HTML, path, L"no-such-template.htm"), RE_OK);
  EXPECT_EQ(report.Open(), RE_TEMPLATE_NOT_FOUND);
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_NE(report.ErrorText().find(L"'no-such-template.htm'"), std::wstring::npos)
      << platform::ToUtf8(report.ErrorText());

  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"x"));
  const std::wstring cannotCreate[] = {folder + L"/missing-folder/r.html", folder, L""};
  for (const std::wstring& file : cannotCreate) {
    report.Clear();
    ASSERT_EQ(report.AddReport(RF_HTML, file, kTemplate), RE_OK);
    EXPECT_EQ(report.Open(), RE_CANNOT_CREATE_FILE) << platform::ToUtf8(file);
    EXPECT_FALSE(report.IsOpen());
    EXPECT_NE(report.ErrorText().find(L"report file"), std::wstring::npos);
    EXPECT_NE(report.ErrorText().find(file), std::wstring::npos);
  }
}

TEST(MultiReport, ATemplateThatIsNoRegularFileIsRefusedAtOnceWithTheReason) {
  const std::wstring fifo = testsupport::NewScratchPath(L"template.fifo");
  ASSERT_EQ(mkfifo(platform::NativePath(fifo).c_str(), 0600), 0);
  const std::wstring path = testsupport::NewScratchPath(L"fifo-template.html");
  const auto start = std::chrono::steady_clock::now();
  for (const std::wstring& templ : {fifo, std::wstring(L"/dev/zero"), fifo + L".missing"}) {
    MultiReport report;
    ASSERT_EQ(report.AddReport(RF_HTML, path, templ), RE_OK);
    EXPECT_EQ(report.Open(), RE_TEMPLATE_NOT_FOUND);
    EXPECT_NE(report.ErrorText().find(L"'" + templ + L"'"), std::wstring::npos)
        << platform::ToUtf8(report.ErrorText());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_FALSE(platform::FileExists(path));
}

TEST(MultiReport, AnOlderReportStaysUntilTheNewOneIsWhole) {
  const std::wstring path = testsupport::NewScratchPath(L"older.html");
  ASSERT_TRUE(platform::WriteFileBytes(path, "older"));
  MultiReport report;
  OpenReport(report, path, L"UTF-8");
  EXPECT_TRUE(report.ErrorText().empty());
  report.Text(L"newer");
  EXPECT_EQ("older", Bytes(path));
  EXPECT_EQ(-1, platform_test::DescriptorOf(platform::NativePath(path)));
  ASSERT_EQ(report.Close(), RE_OK);
  EXPECT_EQ(HtmlSelect(Bytes(path), "//body/p"), Strings{"newer"});
}

TEST(MultiReport, DefaultTemplateNextToTheReport) {
  const std::wstring path = testsupport::NewScratchPath(L"beside.html");
  std::string templ;
  ASSERT_TRUE(platform::ReadFileBytes(kTemplate, templ));
  ASSERT_TRUE(platform::WriteFileBytes(platform::FolderPart(path) + L"/head.htm", templ));
  MultiReport report;
  ASSERT_EQ(report.AddReport(RF_HTML, path, L"head.htm"), RE_OK);
  ASSERT_EQ(report.Open(), RE_OK);
  report.Text(L"x");
  ASSERT_EQ(report.Close(), RE_OK);
  ExpectValidHtml(path);
}

TEST(MultiReport, ClearStartsAfreshAndEveryOutputGetsThePage) {
  const std::wstring first = testsupport::NewScratchPath(L"first.html");
  const std::wstring second = testsupport::NewScratchPath(L"second.html");
  const std::wstring third = testsupport::NewScratchPath(L"third.html");
  MultiReport report;
  OpenReport(report, first, L"UTF-8");
  report.Text(L"first content");
  ASSERT_EQ(report.Close(), RE_OK);
  EXPECT_EQ(report.Close(), RE_NOT_OPEN);  // written once only

  report.Clear();
  ASSERT_EQ(report.AddReport(RF_HTML, second, kTemplate), RE_OK);
  ASSERT_EQ(report.AddReport(RF_HTML, third, kTemplate), RE_OK);
  ASSERT_EQ(report.Open(), RE_OK);
  report.Text(L"second content");
  ASSERT_EQ(report.Close(), RE_OK);

  for (const std::wstring& path : {second, third}) {
    ExpectValidHtml(path);
    const std::string page = Bytes(path);
    EXPECT_EQ(HtmlSelect(page, "//body/p"), Strings{"second content"});
    EXPECT_EQ(HtmlSelect(page, "/html/head/title"), Strings{""});  // properties were cleared
  }
}

TEST(MultiReport, AnOpenReportIsWrittenWhenDestroyed) {
  const std::wstring path = testsupport::NewScratchPath(L"destroyed.html");
  {
    MultiReport report;
    OpenReport(report, path, L"UTF-8");
    report.BeginTable();
    report.Row2(L"a", L"b");
  }
  ExpectValidHtml(path);
  EXPECT_EQ(parlemont_test::HtmlSelectFile(path, "//td"), (Strings{"a", "b"}));
}

}  // namespace
