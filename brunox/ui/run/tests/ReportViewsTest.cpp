// The report pages after real runs in the window (execution and counters reports, names with
// date and time macros), the project report written afresh at every showing, links in a report,
// and the log page.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextTable>

#include "brunox/engine/reports/ExReport.h"
#include "brunox/ui/run/LastWrittenFile.h"
#include "brunox/ui/run/PgLogView.h"
#include "brunox/ui/run/PgReportView.h"
#include "brunox/ui/run/ReportBrowser.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/run/tests/ReportPagesFixture.h"
#include "mervis/Log.h"
#include "mervis/Macros.h"
#include "testsupport/Screenshot.h"

namespace {

class ReportViewsTest : public ReportPagesTest {
 protected:
  template <typename Page, typename... Args>
  Page& Install(int index, Args&&... args) {
    auto page = std::make_unique<Page>(std::forward<Args>(args)...);
    Page& ref = *page;
    window->InstallPage(index, std::move(page));
    return ref;
  }
  PgReportView& InstallReportView(int index, PgReportView::Kind kind) {
    return Install<PgReportView>(index, kind, [this] { return pageFolder; }, &window->Reports());
  }
  void ShowPage(int index) {
    window->Tree()->SelectPage(index);
    Settle();
    ASSERT_EQ(index, window->CurrentPage());
  }
  static QString Shown(const PgReportView& page) { return page.Browser()->toPlainText(); }
  void ExpectNotCreatedMessage(size_t count) {
    ASSERT_EQ(count, ui.messages.size());
    for (const auto& message : ui.messages) {
      EXPECT_EQ(L"Requested report is not created yet.", message.text);
      EXPECT_EQ(L"Warning", message.caption);
      EXPECT_EQ(platform::MsgIcon::Error, message.icon);
    }
  }
};

TEST_F(ReportViewsTest, ExecutionAndCountersReportsOfARealRun) {
  OpenConnectedWindow();
  PgReportView& execution =
      InstallReportView(PageIndex::PgReportViewExecution, PgReportView::kExecutionReport);
  PgReportView& counters =
      InstallReportView(PageIndex::PgReportViewCounters, PgReportView::kCountersReport);
  const std::wstring folder = platform::FolderPart(ScratchFile(L"reports"));
  g_project.ReportFile = folder + L"/run.html";
  g_project.CountersReport = folder + L"/counters.html";

  // Before the first run neither report is there.
  ShowPage(PageIndex::PgReportViewExecution);
  ShowPage(PageIndex::PgReportViewCounters);
  ExpectNotCreatedMessage(2);
  ui.messages.clear();

  Run({NamedTask(L"inventory", L"SELECT 1", 2, 3)});
  ShowPage(PageIndex::PgReportViewExecution);
  EXPECT_EQ(QStringLiteral("Execution Report"), execution.Caption());
  EXPECT_TRUE(Shown(execution).contains(QStringLiteral("inventory")))
      << Shown(execution).toStdString();
  EXPECT_TRUE(testsupport::SaveScreenshot(*window, QStringLiteral("report_view")).size() > 0);
  ShowPage(PageIndex::PgReportViewCounters);
  EXPECT_EQ(QStringLiteral("Counters Report"), counters.Caption());
  EXPECT_TRUE(Shown(counters).contains(QStringLiteral("Point No")))
      << Shown(counters).toStdString();
  EXPECT_TRUE(ui.messages.empty());

  // The report of the next run replaces the one on the page.
  Run({NamedTask(L"shipping", L"SELECT 2", 1, 2)});
  ShowPage(PageIndex::PgReportViewExecution);
  EXPECT_TRUE(Shown(execution).contains(QStringLiteral("shipping")));
  EXPECT_FALSE(Shown(execution).contains(QStringLiteral("inventory")));

  // A report removed since is not shown from memory.
  ASSERT_TRUE(platform::RemoveFile(folder + L"/run.html"));
  ShowPage(PageIndex::PgReportViewCounters);
  ShowPage(PageIndex::PgReportViewExecution);
  ExpectNotCreatedMessage(1);
  EXPECT_TRUE(Shown(execution).isEmpty());
}

TEST_F(ReportViewsTest, ReportNamedWithMacrosIsTheOneTheRunWrote) {
  OpenConnectedWindow();
  PgReportView& execution =
      InstallReportView(PageIndex::PgReportViewExecution, PgReportView::kExecutionReport);
  const std::wstring folder = platform::FolderPart(ScratchFile(L"dated"));
  g_project.ReportFile = folder + L"/run_$DATE$_$TIME$.html";
  Run({NamedTask(L"dated", L"SELECT 1", 1, 1)});
  const std::wstring written = window->Reports().execution->HtmlName();
  EXPECT_EQ(0u, written.rfind(folder + L"/run_2", 0)) << platform::ToUtf8(written);
  // Long after the run $TIME$ would expand to another name.
  EXPECT_EQ(written, execution.ReportPath());
  ShowPage(PageIndex::PgReportViewExecution);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(Shown(execution).contains(QStringLiteral("dated")));

  // Another name in the project: the page no longer shows this run's report.
  g_project.ReportFile = folder + L"/other_$DATE$.html";
  EXPECT_EQ(DateAndTimeMacros(g_project.ReportFile), execution.ReportPath());
}

TEST_F(ReportViewsTest, WithoutAReportOfThisWindowTheNameIsExpandedAsTheRunDoes) {
  const std::wstring folder = platform::FolderPart(ScratchFile(L"today"));
  g_project.CountersReport = folder + L"/counters_$DATE$.html";
  const std::wstring today = DateAndTimeMacros(g_project.CountersReport);
  ASSERT_NE(g_project.CountersReport, today);
  ASSERT_TRUE(platform::WriteTextFileUtf8(today, L"<html><body>counted today</body></html>"));
  PgReportView page(PgReportView::kCountersReport, {}, nullptr);
  EXPECT_EQ(today, page.ReportPath());
  page.Activate();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(QStringLiteral("counted today"), Shown(page).trimmed());
}

TEST(LastWrittenFileTest, OnlyANameOfThePatternIsTakenForTheWrittenFile) {
  EXPECT_TRUE(IsExpansionOf(L"/r/run_$DATE$.html", L"/r/run_2031-12-24.html"));
  EXPECT_TRUE(IsExpansionOf(L"/r/7/$TIME$x", L"/r/7/23-59-01x"));
  EXPECT_TRUE(IsExpansionOf(L"/r/plain.html", L"/r/plain.html"));
  // Digits of the name itself must stay as they are.
  EXPECT_FALSE(IsExpansionOf(L"/r/run1_$DATE$.html", L"/r/run2_2031-12-24.html"));
  EXPECT_FALSE(IsExpansionOf(L"/r/run1.html", L"/r/run2.html"));
  EXPECT_FALSE(IsExpansionOf(L"/r/run_$DATE$.html", L"/r/run_2031-12-2x.html"));
  EXPECT_FALSE(IsExpansionOf(L"/r/run_$DATE$.html", L"/r/run_2031-12-245.html"));
  EXPECT_EQ(L"/r/run_2031-12-24.html",
            LastWrittenFile(L"/r/run_$DATE$.html", L"/r/run_2031-12-24.html"));
  EXPECT_EQ(DateAndTimeMacros(L"/r/a_$DATE$"), LastWrittenFile(L"/r/a_$DATE$", L"/r/b_2031-12-24"));
  EXPECT_EQ(DateAndTimeMacros(L"/r/a_$DATE$"), LastWrittenFile(L"/r/a_$DATE$", L""));
}

TEST_F(ReportViewsTest, ProjectReportIsWrittenAfreshEachTimeItIsShown) {
  OpenConnectedWindow();
  PgReportView& report =
      InstallReportView(PageIndex::PgReportViewProject, PgReportView::kProjectReport);
  g_project.Tasks = {NamedTask(L"alpha", L"SELECT 1", 1, 1)};
  ShowPage(PageIndex::PgReportViewProject);
  EXPECT_EQ(QStringLiteral("Project Report"), report.Caption());
  EXPECT_EQ(pageFolder + L"/report.html", report.ReportPath());
  EXPECT_TRUE(Shown(report).contains(QStringLiteral("alpha"))) << Shown(report).toStdString();
  EXPECT_EQ(g_mainDB, g_project.MainDB);

  g_project.Tasks[0].Name = L"renamed";
  ShowPage(PageIndex::PagePackage);
  ShowPage(PageIndex::PgReportViewProject);
  EXPECT_TRUE(Shown(report).contains(QStringLiteral("renamed")));
  EXPECT_FALSE(Shown(report).contains(QStringLiteral("alpha")));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReportViewsTest, LinksWithinAReportMoveAndOthersOpenWithTheDesktop) {
  const std::wstring path = ScratchFile(L"links.html");
  ASSERT_TRUE(platform::WriteTextFileUtf8(
      path,
      L"<html><body><a href=\"#end\">down</a><p>text</p><a name=\"end\">end</a>"
      L"<a href=\"other.txt\">other</a></body></html>"));
  ReportBrowser browser;
  browser.ShowFile(path);
  browser.Follow(QUrl(QStringLiteral("#end")));
  EXPECT_TRUE(ui.started.empty());
  browser.Follow(QUrl(QStringLiteral("other.txt")));
  browser.Follow(QUrl(QStringLiteral("https://example.org/help")));
  ASSERT_EQ(2u, ui.started.size());
  EXPECT_EQ(std::vector<std::wstring>{platform::FolderPart(path) + L"/other.txt"},
            ui.started[0].second);
  EXPECT_EQ(std::vector<std::wstring>{L"https://example.org/help"}, ui.started[1].second);
}

TEST_F(ReportViewsTest, LogPageShowsTheLastRowsWithTheNewestInView) {
  OpenWindow();
  window->resize(1000, 680);
  auto& page = Install<PgLogView>(PageIndex::PgLogView);
  const int level = CLog::Level();
  CLog::SetLevel(0);
  for (int i = 1; i <= 200; ++i) CLog::State2(L"log page row " + std::to_wstring(i));
  CLog::SetLevel(level);
  ShowPage(PageIndex::PgLogView);
  EXPECT_EQ(QStringLiteral("Log File"), page.Caption());
  const QString text = page.Text()->toPlainText();
  EXPECT_TRUE(text.trimmed().endsWith(QStringLiteral("log page row 200")))
      << text.right(200).toStdString();
  EXPECT_TRUE(page.Text()->textCursor().atEnd());
  // Scrolled so that the caret, after the newest row, is in view.
  EXPECT_GT(page.Text()->verticalScrollBar()->value(), 0);
  const QRect caret = page.Text()->cursorRect();
  EXPECT_TRUE(page.Text()->viewport()->rect().contains(caret))
      << caret.top() << " " << caret.bottom() << " " << page.Text()->viewport()->height();
  EXPECT_TRUE(testsupport::SaveScreenshot(*window, QStringLiteral("log_view")).size() > 0);
}

}  // namespace

namespace {

// How many lines each table cell of `browser`'s document takes, once laid out.
std::vector<int> CellLineCounts(QTextBrowser& browser) {
  browser.document()->documentLayout()->documentSize();  // lays the document out
  std::vector<int> counts;
  for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
    QTextCursor at(block);
    if (!at.currentTable() || block.text().isEmpty()) continue;
    counts.push_back(block.layout() ? block.layout()->lineCount() : 0);
  }
  return counts;
}

TEST(ReportBrowserTest, CellsKeepWordsAndNumbersOnOneLineAndTheTableScrollsSideways) {
  const std::wstring file = testsupport::NewScratchPath(L"wide.html");
  std::string html = "<html><body><p>A paragraph long enough to need more than one line in a "
                     "narrow view wraps as it always has.</p><table border=1><tr>";
  for (int column = 0; column < 6; ++column)
    html += "<th>Average execution time</th><td>1234567.891</td>";
  html += "</tr></table></body></html>";
  ASSERT_TRUE(platform::WriteFileBytes(file, html));
  ReportBrowser browser;
  browser.resize(300, 200);
  browser.show();
  browser.ShowFile(file);
  QApplication::processEvents();
  const std::vector<int> lines = CellLineCounts(browser);
  ASSERT_EQ(12u, lines.size());
  for (int count : lines) EXPECT_EQ(1, count);
  EXPECT_GT(browser.horizontalScrollBar()->maximum(), 0) << "the table is wider than the view";
  // Text outside tables still wraps to the view.
  const QTextBlock paragraph = browser.document()->find(QStringLiteral("A paragraph")).block();
  ASSERT_TRUE(paragraph.isValid());
  EXPECT_GT(paragraph.layout()->lineCount(), 1);
}

}  // namespace
