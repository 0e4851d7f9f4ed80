// Projects in the window: the start project, title and connection status, open, recent
// projects, new, save, and the settings export and import.
#include <QAction>
#include <QMenu>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/project/PagePackage.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using apptest::WriteSqliteProject;
using platform::MsgAnswer;

using ProjectCommandsTest = WindowTest;

QString Title(const std::wstring& path, bool modified) {
  return QString::fromStdWString(L" Ovra DB Brunox [" + path + (modified ? L" *]" : L"]"));
}

QStringList MenuTexts(QMenu* menu) {
  QStringList texts;
  for (QAction* action : menu->actions()) texts << action->text();
  return texts;
}

TEST_F(ProjectCommandsTest, TitleAndStatusFollowOpenEditAndSave) {
  OpenWindow();
  EXPECT_EQ(Title(L"untitled", false), window->windowTitle());
  EXPECT_EQ(QStringLiteral("Not connected"), window->ProjectPage()->ConnectionText());
  window->SetModified();
  EXPECT_EQ(Title(L"untitled", true), window->windowTitle());
  ui.answers = {MsgAnswer::No};  // the edit is dropped for the project opened now

  const std::wstring path = WriteSqliteProject(L"title.bxp");
  ASSERT_TRUE(window->OpenProject(path, false));
  EXPECT_EQ(Title(path, false), window->windowTitle());
  // The project's own database was connected on the way.
  EXPECT_TRUE(g_mainDB->IsConnected());
  EXPECT_NE(-1, window->ProjectPage()->ConnectionText().indexOf(QStringLiteral("Driver=SQLite3")));

  window->SetModified();
  EXPECT_EQ(Title(path, true), window->windowTitle());
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdSave));
  EXPECT_EQ(Title(path, false), window->windowTitle());
  EXPECT_EQ(0, ui.fileDialogs);  // a project with a file is saved in place
}

TEST_F(ProjectCommandsTest, StartOpensTheNamedProjectElseTheLastOne) {
  const std::wstring named = WriteSqliteProject(L"named.bxp");
  const std::wstring last = WriteSqliteProject(L"last.bxp");
  g_settings->setStr(kStoreMain, L"LastFile", last);
  app->FileList = {named};
  app->NoConnect = 1;
  OpenWindow();
  EXPECT_EQ(named, g_project.Path);
  EXPECT_FALSE(g_mainDB->IsConnected());  // -x
  EXPECT_EQ(QStringLiteral("Not connected"), window->ProjectPage()->ConnectionText());
  window.reset();

  app->FileList.clear();
  app->NoConnect = 0;
  OpenWindow();
  EXPECT_EQ(last, g_project.Path);
  EXPECT_TRUE(g_mainDB->IsConnected());
}

TEST_F(ProjectCommandsTest, MissingStartProjectGivesAnUntitledWindowWithoutAsking) {
  g_settings->setStr(kStoreMain, L"LastFile", L"/no/such/project.bxp");
  OpenWindow();
  EXPECT_EQ(L"", g_project.Path);
  EXPECT_EQ(0, ui.fileDialogs);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ProjectCommandsTest, StartTimerReconnectsWhenTheLastRunWasConnectedUnlessX) {
  const std::wstring project = WriteSqliteProject(L"conn.bxp");
  Project loaded;
  loaded.Load(project);
  g_settings->setInt(kStoreMain, L"isConnected", 1);
  g_mainDB->Info = loaded.DefConnection;
  app->NoConnect = 1;
  OpenWindow();
  EXPECT_FALSE(g_mainDB->IsConnected());
  window.reset();

  app->NoConnect = 0;
  OpenWindow();
  EXPECT_TRUE(g_mainDB->IsConnected());
  // The untitled project takes over the connection it now has.
  EXPECT_EQ(loaded.DefConnection, g_project.DefConnection);
  EXPECT_EQ(Title(L"untitled", true), window->windowTitle());
  EXPECT_NE(-1, window->ProjectPage()->ConnectionText().indexOf(QStringLiteral("SQLite3")));
}

TEST_F(ProjectCommandsTest, StartTimerConnectsWithTheProfile) {
  // A project file serves as a connection profile.
  app->Profile = WriteSqliteProject(L"profile.bxp");
  OpenWindow();
  EXPECT_TRUE(g_mainDB->IsConnected());
}

TEST_F(ProjectCommandsTest, RunAtStartPostsTheRunCommand) {
  app->RunAtStart = 1;
  OpenWindow();
  Settle(100);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(L"Your test project is empty"));
}

TEST_F(ProjectCommandsTest, RecentFilesListsTheFilesThatAreThereInOrder) {
  OpenWindow();
  window->FillRecentFiles();
  ASSERT_EQ(1, window->RecentFilesMenu()->actions().size());
  EXPECT_EQ(QStringLiteral("No recent files"), window->RecentFilesMenu()->actions()[0]->text());
  EXPECT_FALSE(window->RecentFilesMenu()->actions()[0]->isEnabled());

  std::vector<std::wstring> files;
  for (int i = 0; i < 12; ++i)
    files.push_back(WriteSqliteProject(platform::Format(L"recent%d.bxp", i)));
  // Saving put every file first in turn: the newest twelfth is first, the two oldest dropped.
  for (int slot = 0; slot < 10; ++slot)
    EXPECT_EQ(files[11 - slot],
              g_settings->getStr(kStoreMain, platform::Format(L"PackageFile%d", slot)));
  platform::RemoveFile(files[9]);  // slot 2
  window->FillRecentFiles();
  QStringList expected;
  for (int i = 11; i >= 2; --i)
    if (i != 9) expected << QString::fromStdWString(files[i]);
  EXPECT_EQ(expected, MenuTexts(window->RecentFilesMenu()));
  for (QAction* item : window->RecentFilesMenu()->actions()) EXPECT_TRUE(item->isEnabled());
}

TEST_F(ProjectCommandsTest, RecentFileOpensLikeOpenWithTheSaveQuestion) {
  OpenWindow();
  const std::wstring older = WriteSqliteProject(L"older.bxp");
  const std::wstring newer = WriteSqliteProject(L"newer.bxp");
  window->SetModified();
  window->FillRecentFiles();
  QAction* olderItem = window->RecentFilesMenu()->actions().at(1);
  ui.answers = {MsgAnswer::Cancel};
  olderItem->trigger();
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"Current project is not saved. Save it?", ui.messages[0].text);
  EXPECT_EQ(L"", g_project.Path);  // Cancel: nothing opened

  ui.answers = {MsgAnswer::No};
  olderItem->trigger();
  EXPECT_EQ(older, g_project.Path);
  EXPECT_TRUE(g_mainDB->IsConnected());  // reconnected to the project's database
  EXPECT_EQ(Title(older, false), window->windowTitle());
  (void)newer;
}

TEST_F(ProjectCommandsTest, NewProjectAsksDisconnectsAndEmpties) {
  const std::wstring path = WriteSqliteProject(L"full.bxp");
  app->FileList = {path};
  OpenWindow();
  ASSERT_TRUE(g_mainDB->IsConnected());
  window->SetModified();

  ui.answers = {MsgAnswer::Cancel};
  window->OnCommand(kCmdNewProject);
  EXPECT_EQ(path, g_project.Path);
  EXPECT_TRUE(g_mainDB->IsConnected());

  ui.answers = {MsgAnswer::No};
  window->OnCommand(kCmdNewProject);
  EXPECT_EQ(L"", g_project.Path);
  EXPECT_FALSE(g_mainDB->IsConnected());
  EXPECT_EQ(Title(L"untitled", false), window->windowTitle());
  EXPECT_EQ(QStringLiteral("Not connected"), window->ProjectPage()->ConnectionText());
}

TEST_F(ProjectCommandsTest, SaveAndSaveAsStoreTheProjectPagesFirst) {
  OpenWindow();
  RecordingPage& compare = Instrument(PageIndex::PageCompare);
  RecordingPage& props = Instrument(PageIndex::PageProps);
  RecordingPage& stat = Instrument(PageIndex::PageStat);
  compare.onStore = [] { g_project.IniReports = {L"/reports/a.ini"}; };
  const std::wstring path = testsupport::NewScratchPath(L"saved.bxp");
  ui.fileChoices = {path};
  window->OnCommand(kCmdSaveAs);
  EXPECT_EQ(1, compare.stores);
  EXPECT_EQ(1, props.stores);
  EXPECT_EQ(0, stat.stores);
  Project reread;
  reread.Load(path);
  EXPECT_EQ(std::vector<std::wstring>{L"/reports/a.ini"}, reread.IniReports);

  compare.onStore = [] { g_project.IniReports = {L"/reports/b.ini"}; };
  window->OnCommand(kCmdSave);
  EXPECT_EQ(2, compare.stores);
  reread.Load(path);
  EXPECT_EQ(std::vector<std::wstring>{L"/reports/b.ini"}, reread.IniReports);
}

TEST_F(ProjectCommandsTest, ExportedSettingsComeBackOnImport) {
  OpenWindow();
  g_settings->setStr(kStoreMain, L"ConsoleSQL", L"select 1\nfrom t");
  g_settings->setStr(kStoreReport, L"ReportTitle", L"Night run");
  g_settings->setInt(kStoreTask, L"DefThreads", 7);
  const std::wstring file = testsupport::NewScratchPath(L"exported.ini");
  ui.fileChoices = {file};
  window->OnCommand(kCmdExportSettings);
  ASSERT_TRUE(platform::FileExists(file));

  g_settings->setStr(kStoreMain, L"ConsoleSQL", L"");
  g_settings->setStr(kStoreReport, L"ReportTitle", L"changed");
  g_settings->setInt(kStoreTask, L"DefThreads", 1);
  ui.fileChoices = {file};
  window->OnCommand(kCmdImportSettings);
  EXPECT_EQ(L"select 1\nfrom t", g_settings->getStr(kStoreMain, L"ConsoleSQL"));
  EXPECT_EQ(L"Night run", g_settings->getStr(kStoreReport, L"ReportTitle"));
  EXPECT_EQ(7, g_settings->getInt(kStoreTask, L"DefThreads"));
  EXPECT_EQ(L"select 1\nfrom t", StoredSetting(L"ConsoleSQL"));  // kept at once
  EXPECT_EQ(2, ui.fileDialogs);
}

TEST_F(ProjectCommandsTest, SettingsFilesThatCannotBeWrittenOrReadAreNamedWithTheReason) {
  OpenWindow();
  g_settings->setStr(kStoreReport, L"ReportTitle", L"Night run");
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"settings"));
  const std::wstring nowhere = folder + L"/no such folder/exported.ini";
  ui.fileChoices = {nowhere};
  window->OnCommand(kCmdExportSettings);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"Export Settings", ui.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Error, ui.messages[0].icon);
  EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(L"'" + nowhere + L"'"))
      << platform::ToUtf8(ui.messages[0].text);
  EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(L"No such file or directory"))
      << platform::ToUtf8(ui.messages[0].text);

  for (const std::wstring& unreadable : {folder + L"/missing.ini", folder}) {
    SCOPED_TRACE(platform::ToUtf8(unreadable));
    ui.messages.clear();
    ui.fileChoices = {unreadable};
    window->OnCommand(kCmdImportSettings);
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ(L"Import Settings", ui.messages[0].caption);
    EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(L"'" + unreadable + L"'"))
        << platform::ToUtf8(ui.messages[0].text);
    EXPECT_EQ(L"Night run", g_settings->getStr(kStoreReport, L"ReportTitle"));
  }
}

}  // namespace
