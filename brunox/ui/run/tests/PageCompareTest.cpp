// The report comparison page: internal reports of real runs compared, saved and handed to the
// visualizer; the engine's refusal of reports of different task counts; editing the list and
// when that marks the project modified.
#include <QListWidget>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/ui/run/PageCompare.h"
#include "brunox/ui/run/ReportBrowser.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/run/tests/ReportPagesFixture.h"
#include "testsupport/Screenshot.h"

namespace {

class PageCompareTest : public ReportPagesTest {
 protected:
  void SetUp() override {
    ReportPagesTest::SetUp();
    folder = platform::FolderPart(ScratchFile(L"internal"));
  }

  // The page in the window, counting the modifications it reports.
  PageCompare& InstallComparePage() {
    auto page = std::make_unique<PageCompare>([this] { return pageFolder; }, [this] { ++modifications; });
    PageCompare& ref = *page;
    window->InstallPage(PageIndex::PageCompare, std::move(page));
    return ref;
  }
  void ShowPage(int index) {
    window->Tree()->SelectPage(index);
    Settle();
    ASSERT_EQ(index, window->CurrentPage());
  }
  // A real run of `tasks` that writes its internal report as `name` in the test's folder.
  std::wstring RunWithInternalReport(const std::wstring& name, std::vector<Task> tasks) {
    g_project.ReportIniFile = folder + L"/" + name;
    Run(std::move(tasks));
    EXPECT_TRUE(platform::FileExists(g_project.ReportIniFile));
    return g_project.ReportIniFile;
  }
  void Add(PageCompare& page, const std::wstring& path) {
    ui.fileChoices.push_back(path);
    page.OnAddReport();
  }
  static QString Shown(const PageCompare& page) { return page.Browser()->toPlainText(); }
  void ExpectOnlyMessage(const std::wstring& text, const std::wstring& caption) {
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ(text, ui.messages[0].text);
    EXPECT_EQ(caption, ui.messages[0].caption);
    EXPECT_EQ(platform::MsgIcon::Error, ui.messages[0].icon);
    ui.messages.clear();
  }

  std::wstring folder;
  int modifications = 0;
};

TEST_F(PageCompareTest, ComparesTheInternalReportsOfRealRunsIntoOneFile) {
  OpenConnectedWindow();
  const std::wstring first =
      RunWithInternalReport(L"first.bnxrep", {NamedTask(L"lookup", L"SELECT 1", 2, 3)});
  const std::wstring second =
      RunWithInternalReport(L"second.bnxrep", {NamedTask(L"lookup", L"SELECT 2", 2, 5)});
  PageCompare& page = InstallComparePage();
  ShowPage(PageIndex::PageCompare);
  EXPECT_EQ(QStringLiteral("Execution Report Comparison"), page.Caption());

  Add(page, first);
  page.OnCompare();
  ExpectOnlyMessage(L"Please add at least two reports to be compared.", L"Warning!");
  EXPECT_TRUE(page.LastReport().empty());

  Add(page, second);
  page.OnCompare();
  EXPECT_TRUE(ui.messages.empty());
  const std::wstring report = page.LastReport();
  EXPECT_EQ(pageFolder + L"/cmpreport.html", report);
  QString shown = Shown(page);
  EXPECT_TRUE(shown.contains(QStringLiteral("Execution Comparison Report")));
  EXPECT_TRUE(shown.contains(QString::fromStdWString(first)));
  EXPECT_TRUE(shown.contains(QString::fromStdWString(second)));
  EXPECT_TRUE(shown.contains(QStringLiteral("lookup")));
  EXPECT_FALSE(shown.contains(QStringLiteral("Report #3")));
  page.List()->setCurrentRow(1);
  EXPECT_FALSE(testsupport::SaveScreenshot(*window, QStringLiteral("compare_page")).isEmpty());

  // Saved under a chosen name: a copy of what the page shows.
  const std::wstring saved = ScratchFile(L"saved.html");
  ui.fileChoices.push_back(saved);
  page.OnSaveReport();
  std::string savedBytes, reportBytes;
  ASSERT_TRUE(platform::ReadFileBytes(saved, savedBytes));
  ASSERT_TRUE(platform::ReadFileBytes(report, reportBytes));
  EXPECT_EQ(reportBytes, savedBytes);

  // A second comparison writes the same file again.
  const std::wstring third =
      RunWithInternalReport(L"third.bnxrep", {NamedTask(L"lookup", L"SELECT 3", 2, 1)});
  ShowPage(PageIndex::PageCompare);
  Add(page, third);
  page.OnCompare();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(report, page.LastReport());
  EXPECT_TRUE(Shown(page).contains(QStringLiteral("Report #3")));
  ASSERT_TRUE(platform::ReadFileBytes(report, reportBytes));
  EXPECT_NE(savedBytes, reportBytes);
}

TEST_F(PageCompareTest, ReportsOfDifferentTaskCountsAreRefusedWithTheEnginesReason) {
  OpenConnectedWindow();
  const std::wstring one =
      RunWithInternalReport(L"one.bnxrep", {NamedTask(L"single", L"SELECT 1", 1, 1)});
  const std::wstring two = RunWithInternalReport(
      L"two.bnxrep",
      {NamedTask(L"single", L"SELECT 1", 1, 1), NamedTask(L"extra", L"SELECT 2", 1, 1)});
  PageCompare& page = InstallComparePage();
  ShowPage(PageIndex::PageCompare);
  Add(page, one);
  Add(page, two);
  page.OnCompare();
  ExpectOnlyMessage(L"The reports have different number of tasks and can't be compared",
                    L"Warning");
  EXPECT_TRUE(page.LastReport().empty());
  EXPECT_FALSE(platform::FileExists(pageFolder + L"/cmpreport.html"));
  EXPECT_TRUE(Shown(page).isEmpty());

  page.OnSaveReport();
  ExpectOnlyMessage(L"The comparison report is not created yet.", L"Nothing to Save");
  EXPECT_EQ(0, ui.fileDialogs - 2);  // no save dialog after the two add dialogs
}

TEST_F(PageCompareTest, AComparisonThatCannotBeWrittenSaysWhereAndWhy) {
  OpenConnectedWindow();
  const std::wstring one =
      RunWithInternalReport(L"one.bnxrep", {NamedTask(L"single", L"SELECT 1", 1, 1)});
  const std::wstring two =
      RunWithInternalReport(L"two.bnxrep", {NamedTask(L"single", L"SELECT 2", 1, 1)});
  PageCompare& page = InstallComparePage();
  ShowPage(PageIndex::PageCompare);
  Add(page, one);
  Add(page, two);
  pageFolder = folder + L"/gone";
  page.OnCompare();
  ASSERT_EQ(1u, ui.messages.size());
  const std::wstring& text = ui.messages[0].text;
  EXPECT_TRUE(platform::StartsWith(text, L"Could not create requested report."))
      << platform::ToUtf8(text);
  EXPECT_NE(std::wstring::npos, text.find(pageFolder + L"/cmpreport.html"))
      << platform::ToUtf8(text);
  EXPECT_NE(std::wstring::npos, text.find(L"No such file or directory")) << platform::ToUtf8(text);
  EXPECT_TRUE(page.LastReport().empty());
}

TEST_F(PageCompareTest, AFileThatIsNotAnInternalReportIsNamedWhenAddedAndWhenCompared) {
  OpenConnectedWindow();
  // The same run writes its text report too: a report of the run, but not one to compare.
  const std::wstring text = folder + L"/run.txt";
  g_project.ReportTxtFile = text;
  const std::wstring internal =
      RunWithInternalReport(L"run.bnxrep", {NamedTask(L"single", L"SELECT 1", 1, 1)});
  ASSERT_TRUE(platform::FileExists(text));
  PageCompare& page = InstallComparePage();
  ShowPage(PageIndex::PageCompare);
  Add(page, internal);
  Add(page, text);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_NE(std::wstring::npos,
            ui.messages[0].text.find(L"'" + text + L"' is not an internal report"))
      << platform::ToUtf8(ui.messages[0].text);
  EXPECT_EQ(std::vector<std::wstring>{internal}, page.Reports());
  ui.messages.clear();

  // A project's list may hold one already.
  ShowPage(PageIndex::PagePackage);
  g_project.IniReports = {internal, text};
  ShowPage(PageIndex::PageCompare);
  page.OnCompare();
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_NE(std::wstring::npos,
            ui.messages[0].text.find(L"'" + text + L"' is not an internal report"))
      << platform::ToUtf8(ui.messages[0].text);
  EXPECT_TRUE(page.LastReport().empty());
}

TEST_F(PageCompareTest, EditingTheListMarksTheProjectModified) {
  OpenWindow();
  const std::wstring r = folder;
  // The one report added anew is checked as an internal report.
  ASSERT_TRUE(platform::WriteFileBytes(r + L"/a.bnxrep", "[Report]\nActiveTasks=1\n"));
  g_project.IniReports = {r + L"/A.bnxrep", L"", r + L"/b.bnxrep"};
  PageCompare& page = InstallComparePage();
  ShowPage(PageIndex::PageCompare);
  EXPECT_EQ((std::vector<std::wstring>{r + L"/A.bnxrep", r + L"/b.bnxrep"}), page.Reports());

  // The same file in another letter case is listed once.
  Add(page, r + L"/a.BNXREP");
  Add(page, r + L"/B.BNXREP");
  ui.fileChoices.push_back(L"");  // a cancelled dialog adds nothing
  page.OnAddReport();
  EXPECT_EQ(2, page.List()->count());
  // Leaving the page with a list that only differs in case keeps the project as it was.
  g_project.IniReports = {r + L"/a.bnxrep", r + L"/B.BNXREP"};
  ShowPage(PageIndex::PagePackage);
  EXPECT_EQ(0, modifications);
  EXPECT_EQ((std::vector<std::wstring>{r + L"/a.bnxrep", r + L"/B.BNXREP"}), g_project.IniReports);

  // Removing and adding again moves a report to the end; leaving the page stores the order.
  ShowPage(PageIndex::PageCompare);
  page.OnRemove();
  ExpectOnlyMessage(L"No report was selected.", L"Warning!");
  EXPECT_EQ(0, modifications);
  page.List()->setCurrentRow(0);
  page.OnRemove();
  EXPECT_EQ(1, modifications);
  Add(page, r + L"/a.bnxrep");
  EXPECT_EQ(1, modifications);
  ShowPage(PageIndex::PagePackage);
  EXPECT_EQ(2, modifications);
  EXPECT_EQ((std::vector<std::wstring>{r + L"/B.BNXREP", r + L"/a.bnxrep"}), g_project.IniReports);

  ShowPage(PageIndex::PageCompare);
  page.OnClearList();
  EXPECT_EQ(3, modifications);
  EXPECT_EQ(0, page.List()->count());
  ShowPage(PageIndex::PagePackage);
  EXPECT_TRUE(g_project.IniReports.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageCompareTest, VisualizerGetsTheListOrSaysItIsNotInstalled) {
  OpenWindow();
  g_project.IniReports = {L"/reports/one.bnxrep", L"/reports/two.bnxrep"};
  PageCompare& page = InstallComparePage();
  ShowPage(PageIndex::PageCompare);
  app->VisualizerPath = L"/no/such/visualizer";
  page.OnVisualize();
  ExpectOnlyMessage(L"The visualizer program '/no/such/visualizer' is not installed.",
                    L"Visualizer");
  EXPECT_TRUE(ui.started.empty());

  app->VisualizerPath = ScratchFile(L"visualizer");  // any existing file stands in for it
  ASSERT_TRUE(platform::WriteFileBytes(app->VisualizerPath, ""));
  page.OnVisualize();
  ASSERT_EQ(1u, ui.started.size());
  EXPECT_EQ(app->VisualizerPath, ui.started[0].first);
  EXPECT_EQ(g_project.IniReports, ui.started[0].second);
}

}  // namespace
