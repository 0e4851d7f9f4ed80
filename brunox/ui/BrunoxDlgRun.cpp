// The main window's Run commands: one synchronous run of the project on the GUI thread, kept
// responsive by the run's idle callback, and the reports when it has ended.
#include <stdlib.h>
#include <unistd.h>

#include "brunox/engine/BrunoxApp.h"
#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/ExReport.h"
#include "brunox/engine/Project.h"
#include "brunox/ui/BrunoxDlg.h"
#include "brunox/ui/PageConsole.h"
#include "brunox/ui/PageGraph.h"
#include "brunox/ui/PageStat.h"
#include "brunox/ui/RunEventRelay.h"
#include "brunox/ui/StrModes.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

void CBrunoxDlg::OnRun(int runMode) {
  // A Run posted while a run is under way (the idle callback handles events) is ignored.
  if (running_ || !g_runner || g_runner->IsRunning()) return;
  CLog::State(L"CBrunoxDlg::OnRun");
  g_runner->RunMode = runMode;
  StoreProjectPages();
  ToolbarButtons(true);
  if (PageConsole* console = ConsolePage()) console->Rows().Clear();
  if (PageStat* stat = StatPage()) stat->OnClear();
  FillRunFields();

  const bool started = g_runner->CheckProject(&g_project) != 0;
  if (started) {
    tree_->SelectPage(PageIndex::PageConsole);
    UseTemporaryReportNames();
    g_runner->Run(&g_project);
    if (PageConsole* console = ConsolePage()) console->Refresh();
    WriteRunReports(*g_runner, g_project, *reports_);
    runStatus_ = CBrunoxApp::OutcomeOf(*g_runner).ExitStatus();
  } else {
    runStatus_ = CBrunoxApp::kExitNotRun;
  }

  // A sequential or grouped run lasts for one Run command.
  g_runner->RunMode = 0;
  ToolbarButtons(false);
  // The plans the run captured.
  pages_[PageIndex::PagePlugin]->LoadFromProject();
  CLog::State(nullptr);
  // With -q the window closes after the run; with -r as well also when the run could not start,
  // as nobody is there to put the project right.
  if (app_.QuitAfterRun && (started || app_.RunAtStart)) CloseAfterRun();
}

void CBrunoxDlg::FillRunFields() {
  g_project.Console = app_.ConsoleMode() ? 1 : 0;
  // The connection the user made last; a main connection opened without the dialog (a test, a
  // profile the connector never saw) leaves the project's own.
  const CONN_INFO& made = connector_.Info.IsEmpty() && g_mainDB ? g_mainDB->Info : connector_.Info;
  if (!made.IsEmpty()) g_project.DefConnection = made;
  CBrunoxApp::ReadRunSettings(g_project);
  relay_ = std::make_unique<RunEventRelay>(*g_runner, *this, ConsolePage(), StatPage(),
                                           GraphPage());
  g_project.Callback = relay_->Callback();
  g_project.MainDB = g_mainDB;
}

void CBrunoxDlg::UseTemporaryReportNames() {
  // Kept in the project (saved with it when the user saves), but not an edit by themselves.
  if (g_project.ReportFile.empty()) g_project.ReportFile = NewTemporaryFile(L"bnxr", L".html");
  if (g_project.SQLFile.empty()) g_project.SQLFile = NewTemporaryFile(L"sqlr", L".txt");
  pages_[PageIndex::PageProps]->LoadFromProject();
}

std::wstring CBrunoxDlg::NewTemporaryFile(const std::wstring& prefix, const std::wstring& suffix) {
  // Another user of the machine can neither guess the name nor put a file there first: the
  // folder is private and the file is made with a random name that did not exist.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0) temporaryFolder_.clear();
    if (TemporaryFolder().empty()) break;
    std::string pattern =
        platform::NativePath(platform::JoinPath(temporaryFolder_, prefix + L"XXXXXX" + suffix));
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(platform::ToUtf8(suffix).size()));
    if (fd >= 0) {
      ::close(fd);
      return platform::FromUtf8(pattern);
    }
    // The folder may have been cleaned away since the last run: one more try in a new one.
  }
  CLog::Bug(L"Could not create a temporary report file " + prefix + L"..." + suffix + L" in " +
                platform::TempFolder(),
            L"CBrunoxDlg", __FILE__, __LINE__);
  return {};
}

std::wstring CBrunoxDlg::TemporaryFolder() {
  if (temporaryFolder_.empty()) temporaryFolder_ = platform::MakePrivateTempFolder(L"brunox-run-");
  return temporaryFolder_;
}

void CBrunoxDlg::CloseAfterRun() {
  if (closed_) return;
  FinishClosing();
  closed_ = true;
  close();
}

int CBrunoxDlg::ExitStatus() const { return app_.QuitAfterRun ? runStatus_ : CBrunoxApp::kExitOk; }
