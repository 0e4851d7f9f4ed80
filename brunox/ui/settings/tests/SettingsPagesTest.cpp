// The three settings pages in the window: what they show comes from the settings stores, what is
// edited on them reaches the stores and the settings file when the page is left, and survives an
// export and import of the settings.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <cstdlib>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/project/Task.h"
#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/settings/SettingsPageMain.h"
#include "brunox/ui/settings/SettingsPageReport.h"
#include "brunox/ui/settings/SettingsPageTask.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/HistCBox.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

class SettingsPagesTest : public WindowTest {
 protected:
  // The window with the three settings pages in place of its placeholders.
  void OpenWithPages() {
    OpenWindow();
    auto mainPage = std::make_unique<SettingsPageMain>();
    auto reportPage = std::make_unique<SettingsPageReport>();
    auto taskPage = std::make_unique<SettingsPageTask>();
    general = mainPage.get();
    report = reportPage.get();
    task = taskPage.get();
    window->InstallPage(PageIndex::PageSettingsMain, std::move(mainPage));
    window->InstallPage(PageIndex::PageSettingsReport, std::move(reportPage));
    window->InstallPage(PageIndex::PageSettingsTask, std::move(taskPage));
  }
  void Show(int page) { window->Tree()->SelectPage(page); }
  void LeaveToProjectPage() { window->Tree()->SelectPage(PageIndex::PagePackage); }

  // What a later program start reads from the settings file.
  static std::wstring Stored(int store, const std::wstring& key) {
    CSettings later;
    later.LoadData();
    return later.getStr(store, key);
  }

  // What the window does around an export and an import of the settings.
  void ExportSettings(const std::wstring& file) {
    for (CTitledPage* page : {static_cast<CTitledPage*>(general), static_cast<CTitledPage*>(report),
                              static_cast<CTitledPage*>(task)})
      page->StoreToProject();
    ui.fileChoices = {file};
    window->OnCommand(kCmdExportSettings);
  }
  void ImportSettings(const std::wstring& file) {
    ui.fileChoices = {file};
    window->OnCommand(kCmdImportSettings);
    for (CTitledPage* page : {static_cast<CTitledPage*>(general), static_cast<CTitledPage*>(report),
                              static_cast<CTitledPage*>(task)})
      page->LoadFromProject();
  }

  SettingsPageMain* general = nullptr;
  SettingsPageReport* report = nullptr;
  SettingsPageTask* task = nullptr;
};

TEST_F(SettingsPagesTest, GeneralPageShowsTheStoreAndSavesEditsWhenLeft) {
  g_settings->setStr(kStoreMain, L"Library", L"/srv/sql library");
  g_settings->setInt(kStoreMain, L"LogLevel", 1);
  OpenWithPages();
  Show(PageIndex::PageSettingsMain);
  EXPECT_EQ(15, general->StatPeriodBox()->value());
  EXPECT_TRUE(general->ByTaskRadio()->isChecked());
  EXPECT_TRUE(general->PerPeriodRadio()->isChecked());
  EXPECT_TRUE(general->StopOnErrorBox()->isChecked());
  EXPECT_EQ(QStringLiteral("/srv/sql library"), general->LibraryEdit()->text());
  EXPECT_EQ(QStringLiteral("Full log"), general->LogLevelCombo()->currentText());
  EXPECT_EQ((QStringList{"Core (default)", "Full log", "None (disable)"}),
            Items(general->LogLevelCombo()));

  general->StatPeriodBox()->setValue(0);
  general->ByThreadRadio()->setChecked(true);
  general->PerSecondRadio()->setChecked(true);
  general->StopOnErrorBox()->setChecked(false);
  general->LibraryEdit()->setText(QStringLiteral("/srv/other"));
  general->LogFileEdit()->setText(QStringLiteral("/var/log/brunox/run.log"));
  general->LogLevelCombo()->setCurrentIndex(2);
  LeaveToProjectPage();

  // In the store and, without any further save, in the settings file.
  for (const auto& [key, value] : std::vector<std::pair<std::wstring, std::wstring>>{
           {L"StatPeriod", L"0"},
           {L"StatByTask", L"0"},
           {L"StatPerPeriod", L"0"},
           {L"StopOnError", L"0"},
           {L"Library", L"/srv/other"},
           {L"LogFilePath", L"/var/log/brunox/run.log"},
           {L"LogLevel", L"2"}}) {
    EXPECT_EQ(value, g_settings->getStr(kStoreMain, key)) << key;
    EXPECT_EQ(value, Stored(kStoreMain, key)) << key;
  }

  // Values changed elsewhere while the page was hidden show when it comes back.
  g_settings->setInt(kStoreMain, L"StatByTask", 1);
  Show(PageIndex::PageSettingsMain);
  EXPECT_TRUE(general->ByTaskRadio()->isChecked());
  EXPECT_TRUE(general->PerSecondRadio()->isChecked());
  EXPECT_FALSE(general->StopOnErrorBox()->isChecked());
  EXPECT_EQ(QStringLiteral("/var/log/brunox/run.log"), general->LogFileEdit()->text());
  EXPECT_EQ(2, general->LogLevelCombo()->currentIndex());
}

TEST_F(SettingsPagesTest, SaveButtonSavesWithoutLeavingThePage) {
  OpenWithPages();
  Show(PageIndex::PageSettingsMain);
  general->StatPeriodBox()->setValue(42);
  general->SaveButton()->click();
  EXPECT_EQ(L"42", Stored(kStoreMain, L"StatPeriod"));
  EXPECT_EQ(PageIndex::PageSettingsMain, window->CurrentPage());

  Show(PageIndex::PageSettingsReport);
  report->TitleEdit()->setText(QStringLiteral("Nightly"));
  report->SaveButton()->click();
  EXPECT_EQ(L"Nightly", Stored(kStoreReport, L"ReportTitle"));
}

TEST_F(SettingsPagesTest, ValuesThePageCannotShowAreKept) {
  g_settings->setInt(kStoreMain, L"LogLevel", 7);
  g_settings->setInt(kStoreTask, L"DefPriority", -3);
  OpenWithPages();
  Show(PageIndex::PageSettingsMain);
  Show(PageIndex::PageSettingsTask);
  LeaveToProjectPage();
  EXPECT_EQ(7, g_settings->getInt(kStoreMain, L"LogLevel"));
  EXPECT_EQ(-3, g_settings->getInt(kStoreTask, L"DefPriority"));
}

TEST_F(SettingsPagesTest, APageNeverShownLeavesTheStoreAlone) {
  g_settings->setStr(kStoreMain, L"Library", L"/srv/sql");
  g_settings->setStr(kStoreReport, L"HtmlCharset", L"utf-8");
  g_settings->setInt(kStoreTask, L"DefThreads", 9);
  OpenWithPages();
  // As the window does before saving a project or running it.
  general->StoreToProject();
  report->StoreToProject();
  task->StoreToProject();
  EXPECT_EQ(L"/srv/sql", g_settings->getStr(kStoreMain, L"Library"));
  EXPECT_EQ(L"utf-8", g_settings->getStr(kStoreReport, L"HtmlCharset"));
  EXPECT_EQ(9, g_settings->getInt(kStoreTask, L"DefThreads"));
}

TEST_F(SettingsPagesTest, ReportPageKeepsEveryOptionAndATypedCharset) {
  OpenWithPages();
  Show(PageIndex::PageSettingsReport);
  EXPECT_EQ(QStringLiteral("Brunox Test Execution Report"), report->TitleEdit()->text());
  EXPECT_EQ(QStringLiteral("en-us"), report->LanguageCombo()->currentText());
  EXPECT_EQ(QStringLiteral("iso-8859-1"), report->CharsetCombo()->currentText());
  EXPECT_EQ(11, report->CharsetCombo()->count());
  ASSERT_EQ(11u, report->ContentBoxes().size());
  for (QCheckBox* box : report->ContentBoxes())
    EXPECT_TRUE(box->isChecked()) << box->text().toStdString();

  report->TitleEdit()->setText(QStringLiteral("Night run"));
  report->ProfileEdit()->setText(QStringLiteral("/srv/labels/de.ini"));
  report->ShowSqlBox()->setChecked(false);
  report->ContentBoxes()[1]->setChecked(false);   // average speed
  report->ContentBoxes()[10]->setChecked(false);  // task total duration
  report->LanguageCombo()->setCurrentText(QStringLiteral("ru-ru"));
  report->CharsetCombo()->setEditText(QStringLiteral("utf-8"));
  LeaveToProjectPage();

  const std::vector<std::pair<std::wstring, std::wstring>> expected{
      {L"ReportTitle", L"Night run"}, {L"TextProfile", L"/srv/labels/de.ini"},
      {L"RepShowSQL", L"0"},          {L"rbExecuted", L"1"},
      {L"rbAvgSpeed", L"0"},          {L"rbTaskTotal", L"0"},
      {L"HtmlLanguage", L"ru-ru"},    {L"HtmlCharset", L"utf-8"}};
  for (const auto& [key, value] : expected) {
    EXPECT_EQ(value, g_settings->getStr(kStoreReport, key)) << key;
    EXPECT_EQ(value, Stored(kStoreReport, key)) << key;
  }

  Show(PageIndex::PageSettingsReport);
  EXPECT_EQ(QStringLiteral("utf-8"), report->CharsetCombo()->currentText());
  EXPECT_TRUE(Items(report->CharsetCombo()).contains(QStringLiteral("utf-8")));
  EXPECT_FALSE(report->ContentBoxes()[1]->isChecked());
  EXPECT_FALSE(report->ShowSqlBox()->isChecked());

  // A page made afresh (the next program start) offers the typed charset in its list too.
  SettingsPageReport later;
  later.LoadFromProject();
  EXPECT_EQ(QStringLiteral("utf-8"), later.CharsetCombo()->currentText());
  EXPECT_EQ(12, later.CharsetCombo()->count());
  EXPECT_EQ(QStringLiteral("ru-ru"), later.LanguageCombo()->currentText());
}

TEST_F(SettingsPagesTest, AnEmptyCharsetStaysEmpty) {
  OpenWithPages();
  Show(PageIndex::PageSettingsReport);
  report->CharsetCombo()->setEditText(QString());
  LeaveToProjectPage();
  EXPECT_EQ(L"", Stored(kStoreReport, L"HtmlCharset"));
  Show(PageIndex::PageSettingsReport);
  EXPECT_EQ(QString(), report->CharsetCombo()->currentText());
  EXPECT_FALSE(Items(report->CharsetCombo()).contains(QString()));
}

TEST_F(SettingsPagesTest, TaskDefaultsReachTheNextNewTask) {
  OpenWithPages();
  Show(PageIndex::PageSettingsTask);
  EXPECT_EQ(QStringLiteral("Normal"), task->PriorityCombo()->currentText());
  EXPECT_EQ((QStringList{"Low", "Normal", "High"}), Items(task->PriorityCombo()));
  EXPECT_EQ(25, task->RowsBox()->value());
  EXPECT_EQ(1024, task->MaxBlobBox()->value());

  task->PriorityCombo()->setCurrentText(QStringLiteral("High"));
  task->ThreadsBox()->setValue(12);
  task->ExecutionsBox()->setValue(300);
  task->DelayFromBox()->setValue(5);
  task->DelayToBox()->setValue(50);
  task->RowsBox()->setValue(100);
  task->InitialDelayBox()->setValue(250);
  task->MaxBlobBox()->setValue(64);
  LeaveToProjectPage();

  EXPECT_EQ(L"2", Stored(kStoreTask, L"DefPriority"));
  EXPECT_EQ(L"64", Stored(kStoreTask, L"MaxBlobSize"));
  const Task created;
  EXPECT_EQ(kPriorityHigh, created.Priority);
  EXPECT_EQ(12, created.Threads);
  EXPECT_EQ(300, created.ExecCntr);
  EXPECT_EQ(5, created.Delay);
  EXPECT_EQ(50, created.DelayMax);
  EXPECT_EQ(100, created.Rows);
  EXPECT_EQ(250, created.SQLDelay);

  Show(PageIndex::PageSettingsTask);
  EXPECT_EQ(2, task->PriorityCombo()->currentIndex());
  EXPECT_EQ(12, task->ThreadsBox()->value());
}

TEST_F(SettingsPagesTest, ExportTakesThePagesAsShownAndImportShowsWhatCameIn) {
  OpenWithPages();
  Show(PageIndex::PageSettingsMain);
  Show(PageIndex::PageSettingsReport);
  Show(PageIndex::PageSettingsTask);
  // Edited values on all three pages; the task page is still shown, nothing stored yet.
  general->StatPeriodBox()->setValue(30);
  general->ByThreadRadio()->setChecked(true);
  report->CharsetCombo()->setEditText(QStringLiteral("koi8-r"));
  task->PriorityCombo()->setCurrentIndex(0);
  task->ThreadsBox()->setValue(4);
  const std::wstring file = testsupport::NewScratchPath(L"settings.ini");
  ExportSettings(file);

  // Changed again, then the export comes back in.
  general->StatPeriodBox()->setValue(60);
  general->ByTaskRadio()->setChecked(true);
  report->CharsetCombo()->setEditText(QStringLiteral("iso-8859-1"));
  task->PriorityCombo()->setCurrentIndex(1);
  task->ThreadsBox()->setValue(1);
  general->StoreToProject();
  report->StoreToProject();
  task->StoreToProject();
  ImportSettings(file);

  EXPECT_EQ(30, general->StatPeriodBox()->value());
  EXPECT_TRUE(general->ByThreadRadio()->isChecked());
  EXPECT_EQ(QStringLiteral("koi8-r"), report->CharsetCombo()->currentText());
  EXPECT_EQ(0, task->PriorityCombo()->currentIndex());
  EXPECT_EQ(4, task->ThreadsBox()->value());
  // Leaving the page shown during the import keeps the imported values.
  LeaveToProjectPage();
  EXPECT_EQ(L"0", Stored(kStoreTask, L"DefPriority"));
  EXPECT_EQ(L"4", Stored(kStoreTask, L"DefThreads"));
  EXPECT_EQ(L"30", Stored(kStoreMain, L"StatPeriod"));
  EXPECT_EQ(L"koi8-r", Stored(kStoreReport, L"HtmlCharset"));
}

// The run's reports go to the temporary folder; this keeps them in the test's scratch folder.
class SettingsPagesRunTest : public SettingsPagesTest {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    hadTmp_ = tmp != nullptr;
    if (tmp) oldTmp_ = tmp;
    setenv("TMPDIR",
           platform::ToUtf8(platform::FolderPart(testsupport::NewScratchPath(L"tmp"))).c_str(), 1);
    SettingsPagesTest::SetUp();
  }
  void TearDown() override {
    SettingsPagesTest::TearDown();
    if (hadTmp_)
      setenv("TMPDIR", oldTmp_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  // Runs one thread of a statement that always fails, three rounds; the rounds that failed.
  std::int64_t FailedRoundsOfARun() {
    g_project.Tasks = {apptest::MakeTask(L"SELECT * FROM no_such_table", 1, 3)};
    g_project.DoType = kRunByTaskCounts;
    g_project.Saved = 1;
    EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRun));
    return g_runner->FailedRounds.load();
  }

 private:
  std::string oldTmp_;
  bool hadTmp_ = false;
};

TEST_F(SettingsPagesRunTest, StopOnTheFirstErrorAppliesToTheNextRun) {
  OpenWithPages();
  ConnectSqlite();
  Show(PageIndex::PageSettingsMain);
  general->StopOnErrorBox()->setChecked(false);
  LeaveToProjectPage();
  EXPECT_EQ(3, FailedRoundsOfARun());

  Show(PageIndex::PageSettingsMain);
  general->StopOnErrorBox()->setChecked(true);
  LeaveToProjectPage();
  EXPECT_EQ(1, FailedRoundsOfARun());
}

TEST_F(SettingsPagesTest, BrowseButtonsFillTheEditsOnlyWhenSomethingIsChosen) {
  g_settings->setStr(kStoreMain, L"Library", L"/srv/sql");
  g_settings->setStr(kStoreMain, L"LogFilePath", L"/var/log/a.log");
  OpenWithPages();
  Show(PageIndex::PageSettingsMain);

  general->ChooseLibraryFolder();  // cancelled
  EXPECT_EQ(QStringLiteral("/srv/sql"), general->LibraryEdit()->text());
  ASSERT_EQ(1u, ui.folderTitles.size());
  EXPECT_EQ(L"SQL Library Root Folder", ui.folderTitles[0]);
  ui.folderChoices = {L"/srv/library"};
  general->ChooseLibraryFolder();
  EXPECT_EQ(QStringLiteral("/srv/library"), general->LibraryEdit()->text());

  general->ChooseLogFile();  // cancelled
  EXPECT_EQ(QStringLiteral("/var/log/a.log"), general->LogFileEdit()->text());
  ui.fileChoices = {L"/var/log/b.log"};
  general->ChooseLogFile();
  EXPECT_EQ(QStringLiteral("/var/log/b.log"), general->LogFileEdit()->text());
  EXPECT_EQ(2, ui.fileDialogs);
}

TEST_F(SettingsPagesTest, Screenshots) {
  OpenWithPages();
  window->resize(1000, 640);
  const std::pair<int, QString> shots[] = {{PageIndex::PageSettingsMain, "settings_general"},
                                           {PageIndex::PageSettingsReport, "settings_report"},
                                           {PageIndex::PageSettingsTask, "settings_task"}};
  for (const auto& [page, name] : shots) {
    Show(page);
    Settle();
    EXPECT_FALSE(testsupport::SaveScreenshot(*window, name).isEmpty()) << name.toStdString();
  }
}

}  // namespace
