#pragma once
// The window with real runs of a project against SQLite, for the pages that show what a run
// left behind: the statement log, the reports, the comparison of internal reports. Temporary
// files of the window and the pages go into the test's scratch folder.
#include <cstdlib>
#include <string>
#include <vector>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

class ReportPagesTest : public WindowTest {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    hadTmp_ = tmp != nullptr;
    if (tmp) oldTmp_ = tmp;
    setenv("TMPDIR",
           platform::ToUtf8(platform::FolderPart(testsupport::NewScratchPath(L"tmp"))).c_str(), 1);
    WindowTest::SetUp();
    pageFolder = platform::MakePrivateTempFolder(L"brunox-pages-");
    ASSERT_FALSE(pageFolder.empty());
  }

  void TearDown() override {
    WindowTest::TearDown();
    if (hadTmp_)
      setenv("TMPDIR", oldTmp_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

  // The window, shown, connected to a fresh SQLite file.
  void OpenConnectedWindow() {
    OpenWindow();
    window->resize(1000, 680);
    CONN_INFO info;
    info.Kind = CONN_STRING;
    info.ConnString = testsupport::SqliteConnString(
        platform::FolderPart(testsupport::NewScratchPath(L"db")) + L"/run.sqlite");
    ASSERT_TRUE(CDB::isOK(g_mainDB->OpenConnection(&info))) << g_mainDB->ErrorText;
    window->UpdateStatus();
  }

  // A task that runs `sql` `execs` times on each of `threads` threads.
  static Task NamedTask(const std::wstring& name, const std::wstring& sql, int threads, int execs) {
    Task task = apptest::MakeTask(sql, threads, execs);
    task.Name = name;
    return task;
  }

  // Runs `tasks` with the window's Run command, each by its own count.
  void Run(std::vector<Task> tasks) {
    g_project.Tasks = std::move(tasks);
    g_project.DoType = kRunByTaskCounts;
    g_project.Saved = 1;
    ASSERT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRun));
    ASSERT_FALSE(window->Running());
  }

  // A file of the test's own scratch folder.
  static std::wstring ScratchFile(const std::wstring& name) {
    return testsupport::NewScratchPath(name);
  }

  std::wstring pageFolder;  // the private folder the pages write into

 private:
  std::string oldTmp_;
  bool hadTmp_ = false;
};
