// What the window does with files that are not projects, a start project that is missing, a
// project whose database cannot be reached, and New Project after a full project.
#include <sys/stat.h>

#include <QApplication>
#include <QStatusBar>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/ProjectFileCheck.h"
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

using ProjectFilesTest = WindowTest;

std::string Bytes(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadFileBytes(path, bytes)) << platform::ToUtf8(path);
  return bytes;
}

// Files a user may pick by mistake in the open dialog, each with what it holds.
struct NotAProject {
  std::wstring path;
  std::string content;
};

std::vector<NotAProject> FilesThatAreNoProjects() {
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"wrong"));
  std::vector<NotAProject> files = {
      {folder + L"/cities.txt", "Berlin\nParis\nRome\n"},
      {folder + L"/empty.bxp", ""},
      {folder + L"/program.bin", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0\x3e\0", 20)},
  };
  for (const NotAProject& file : files)
    EXPECT_TRUE(platform::WriteFileBytes(file.path, file.content));
  return files;
}

TEST_F(ProjectFilesTest, OpeningAFileThatIsNoProjectIsRefusedAndSaveLeavesItAlone) {
  const std::wstring project = WriteSqliteProject(L"kept.bxp");
  app->FileList = {project};
  OpenWindow();
  std::vector<NotAProject> wrong = FilesThatAreNoProjects();
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"folder"));
  wrong.push_back({folder, ""});

  for (const NotAProject& file : wrong) {
    SCOPED_TRACE(platform::ToUtf8(file.path));
    ui.messages.clear();
    ui.fileChoices = {file.path};
    EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdOpen));
    ASSERT_EQ(1u, ui.messages.size());
    // The words console mode uses for the same file.
    EXPECT_EQ(ProjectFileProblem(file.path), ui.messages[0].text);
    EXPECT_EQ(L"Error", ui.messages[0].caption);
    EXPECT_EQ(project, g_project.Path) << "the open project stays";

    window->OnCommand(kCmdSave);
    if (file.path != folder) {
      EXPECT_EQ(file.content, Bytes(file.path));
    }
  }
  struct stat info {};
  ASSERT_EQ(0, ::stat(platform::NativePath(folder).c_str(), &info));
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(ProjectFilesTest, ARecentFileThatIsNoLongerAProjectIsRefusedAndLeavesTheList) {
  OpenWindow();
  const std::wstring kept = WriteSqliteProject(L"kept.bxp");
  const std::vector<NotAProject> files = FilesThatAreNoProjects();
  std::vector<std::wstring> refused;
  for (const NotAProject& file : files) refused.push_back(file.path);
  refused.push_back(testsupport::NewScratchPath(L"gone.bxp"));
  for (const std::wstring& path : refused) {
    SCOPED_TRACE(platform::ToUtf8(path));
    ui.messages.clear();
    for (int slot = 0; slot < kRecentFileCount; ++slot)
      g_settings->setStr(kStoreMain, platform::Format(L"PackageFile%d", slot), L"");
    g_settings->setStr(kStoreMain, L"PackageFile0", path);
    g_settings->setStr(kStoreMain, L"PackageFile1", kept);
    EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRecentFirst));
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ(ProjectFileProblem(path), ui.messages[0].text);
    EXPECT_EQ(L"", g_project.Path);
    EXPECT_EQ(kept, g_settings->getStr(kStoreMain, L"PackageFile0"));
    EXPECT_EQ(L"", g_settings->getStr(kStoreMain, L"PackageFile1"));
    EXPECT_EQ(kept, StoredSetting(L"PackageFile0"));
  }
  window->SetModified();
  ui.fileChoices = {L""};  // Save of the untitled project asks for a name: cancelled
  window->OnCommand(kCmdSave);
  EXPECT_EQ(files.front().content, Bytes(files.front().path));
}

TEST_F(ProjectFilesTest, NamedStartProjectThatIsMissingGivesAnUntitledProjectNotTheLastOne) {
  const std::wstring last = WriteSqliteProject(L"last.bxp");
  g_settings->setStr(kStoreMain, L"LastFile", last);
  const std::wstring missing = testsupport::NewScratchPath(L"missing.bxp");
  app->ProjectArgument = missing;
  app->NoConnect = 1;
  OpenWindow();
  EXPECT_EQ(L"", g_project.Path);
  EXPECT_TRUE(g_project.Tasks.empty());
  EXPECT_EQ(QStringLiteral(" Ovra DB Brunox [untitled]"), window->windowTitle());
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"Project file '" + missing + L"' not found.", ui.messages[0].text);
}

// Records whether the main window was on the screen when each message came.
class WindowWatchingUi : public testsupport::RecordingUi {
 public:
  platform::MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                  platform::MsgButtons buttons, platform::MsgIcon icon,
                                  platform::MsgAnswer defaultAnswer) override {
    bool shown = false;
    for (QWidget* top : QApplication::topLevelWidgets())
      shown = shown || (qobject_cast<CBrunoxDlg*>(top) && top->isVisible());
    overTheWindow.push_back(shown);
    return RecordingUi::ShowMessage(text, caption, buttons, icon, defaultAnswer);
  }
  std::vector<bool> overTheWindow;
};

TEST_F(ProjectFilesTest, AStartFileThatIsRefusedIsToldOverTheWindow) {
  WindowWatchingUi watching;
  app->ProjectArgument = testsupport::NewScratchPath(L"missing-at-start.bxp");
  OpenWindow();
  ASSERT_EQ(1u, watching.messages.size());
  EXPECT_EQ(std::vector<bool>{true}, watching.overTheWindow) << "told on an empty screen";
}

TEST_F(ProjectFilesTest, NamedStartFileThatIsNoProjectIsRefused) {
  const NotAProject values = FilesThatAreNoProjects().front();
  app->ProjectArgument = values.path;
  app->FileList = {values.path};
  OpenWindow();
  EXPECT_EQ(L"", g_project.Path);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(ProjectFileProblem(values.path), ui.messages[0].text);
}

// A project whose database cannot be reached now: the driver named does not exist.
std::wstring UnreachableProject(const std::wstring& name) {
  const std::wstring path = WriteSqliteProject(name);
  apptest::EditProject(path, [](Project& project) {
    project.DefConnection.Kind = CONN_STRING;
    project.DefConnection.ConnString = L"Driver=NoSuchDriverHere;Database=/nowhere/x.sqlite";
  });
  return path;
}

void ExpectConnectionKeptAndFailureShown(CBrunoxDlg& window, const std::wstring& path) {
  Project onDisk;
  onDisk.Load(path);
  EXPECT_EQ(onDisk.DefConnection, g_project.DefConnection);
  EXPECT_EQ(1, g_project.Saved) << "a failed connect is no edit";
  const QString status = window.ProjectPage()->ConnectionText();
  EXPECT_TRUE(status.startsWith(QStringLiteral("Not connected"))) << status.toStdString();
  // The driver manager's own words, with the connection that failed.
  EXPECT_NE(-1, status.indexOf(QString::fromStdWString(g_mainDB->ErrorText))) << status.toStdString();
  EXPECT_FALSE(g_mainDB->ErrorText.empty());
  EXPECT_NE(-1, status.indexOf(QStringLiteral("NoSuchDriverHere"))) << status.toStdString();
  EXPECT_NE(-1, window.statusBar()->currentMessage().indexOf(QStringLiteral("NoSuchDriverHere")));

  // Saving now keeps the connection in the file.
  window.SetModified();
  window.OnCommand(kCmdSave);
  Project reread;
  reread.Load(path);
  EXPECT_EQ(onDisk.DefConnection, reread.DefConnection);
}

TEST_F(ProjectFilesTest, FailedConnectOnOpenKeepsTheProjectsConnectionAndSaysWhy) {
  OpenWindow();
  const std::wstring path = UnreachableProject(L"unreachable.bxp");
  ASSERT_TRUE(window->OpenProject(path, false));
  EXPECT_FALSE(g_mainDB->IsConnected());
  ExpectConnectionKeptAndFailureShown(*window, path);

  // Disconnect forgets the failure.
  window->Disconnect();
  EXPECT_EQ(QStringLiteral("Not connected"), window->ProjectPage()->ConnectionText());
}

TEST_F(ProjectFilesTest, FailedConnectAtStartKeepsTheProjectsConnectionAndSaysWhy) {
  const std::wstring path = UnreachableProject(L"unreachable-at-start.bxp");
  app->FileList = {path};
  OpenWindow();
  EXPECT_EQ(path, g_project.Path);
  ExpectConnectionKeptAndFailureShown(*window, path);
}

TEST_F(ProjectFilesTest, ASuccessfulConnectOrNewProjectReplacesTheFailureInTheStatusLine) {
  OpenWindow();
  const std::wstring path = UnreachableProject(L"unreachable-then-not.bxp");
  ASSERT_TRUE(window->OpenProject(path, false));
  ASSERT_FALSE(window->statusBar()->currentMessage().isEmpty());
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdNewProject));
  EXPECT_EQ(QString(), window->statusBar()->currentMessage());

  ASSERT_TRUE(window->OpenProject(path, false));
  ASSERT_FALSE(window->statusBar()->currentMessage().isEmpty());
  ConnectSqlite();
  EXPECT_EQ(QString(), window->statusBar()->currentMessage());
  EXPECT_NE(-1, window->ProjectPage()->ConnectionText().indexOf(QStringLiteral("SQLite3")));
}

TEST_F(ProjectFilesTest, NothingToReconnectToAtStartIsNoFailure) {
  g_settings->setInt(kStoreMain, L"isConnected", 1);
  OpenWindow();
  EXPECT_EQ(QStringLiteral("Not connected"), window->ProjectPage()->ConnectionText());
  EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
}

TEST_F(ProjectFilesTest, NewProjectStartsCleanAndUnmodified) {
  Project full;
  full.Tasks = {apptest::MakeTask(L"SELECT 1", 2, 3)};
  full.DoType = kRunSeconds;
  full.Seconds = L"30";
  full.IniReports = {L"/reports/a.bnxrep", L"/reports/b.bnxrep"};
  full.OpenReport = 1;
  full.ReportFile = L"/reports/run.html";
  const std::wstring path = WriteSqliteProject(L"full.bxp", full);
  app->FileList = {path};
  OpenWindow();
  ASSERT_EQ(2u, g_project.IniReports.size());
  window->Tree()->SelectPage(PageIndex::PageCompare);
  window->Tree()->SelectPage(PageIndex::PageProps);

  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdNewProject));
  const Project fresh;
  EXPECT_TRUE(g_project.Tasks.empty());
  EXPECT_TRUE(g_project.IniReports.empty());
  EXPECT_EQ(fresh.DoType, g_project.DoType);
  // The limits of a start without a project: "seconds" chosen now runs for 10 seconds.
  EXPECT_EQ((std::vector<std::wstring>{L"10", L"10", L"50", L"5"}),
            (std::vector<std::wstring>{g_project.Seconds, g_project.EachTasks, g_project.AllTasks,
                                       g_project.AtLeast}));
  EXPECT_EQ(fresh.OpenReport, g_project.OpenReport);
  EXPECT_EQ(L"", g_project.ReportFile);
  EXPECT_EQ(QStringLiteral(" Ovra DB Brunox [untitled]"), window->windowTitle());

  // Leaving and entering the pages stores what they show: the new project's values, no edit.
  for (int page : {PageIndex::PageCompare, PageIndex::PagePlugin, PageIndex::PagePlugin2,
                   PageIndex::PagePackage, PageIndex::PageProps, PageIndex::PagePackage}) {
    window->Tree()->SelectPage(page);
  }
  EXPECT_EQ(1, g_project.Saved);
  EXPECT_TRUE(g_project.IniReports.empty());
  EXPECT_EQ(fresh.DoType, g_project.DoType);
  EXPECT_EQ(QStringLiteral(" Ovra DB Brunox [untitled]"), window->windowTitle());
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
