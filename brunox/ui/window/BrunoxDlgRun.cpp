// The main window's Run commands: one synchronous run of the project on the GUI thread, kept
// responsive by the run's idle callback, and the reports when it has ended.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "brunox/ui/window/BrunoxDlg.h"
#include "brunox/ui/run/PageConsole.h"
#include "brunox/ui/run/PageGraph.h"
#include "brunox/ui/run/PageStat.h"
#include "brunox/ui/window/RunEventRelay.h"
#include "brunox/ui/window/StrModes.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

ReportFailure StatementLogFailure() {
  const std::wstring path = g_runner->StatementLogPath();
  const std::wstring reason = g_runner->StatementLogFailure();
  return {path, L"The executed-statement log '" + path + L"' could not be written" +
                    (reason.empty() ? L"" : L": " + reason) + L"."};
}

}  // namespace

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
  std::vector<ReportFailure> unwritten;
  if (started) {
    tree_->SelectPage(PageIndex::PageConsole);
    const TemporaryReportNames temporary = UseTemporaryReportNames();
    g_runner->Run(&g_project);
    if (PageConsole* console = ConsolePage()) {
      console->Refresh();
      console->ShowFinalTotals(g_runner->Timer.Seconds(), g_runner->LoadSeconds(),
                               g_runner->TotalExecs.load());
    }
    unwritten = WriteRunReports(*g_runner, g_project, *reports_);
    const bool reportsWritten = unwritten.empty();
    if (!g_runner->StatementLogComplete()) unwritten.push_back(StatementLogFailure());
    // The temporary names served this run only: a later run makes its own, and a Save never
    // writes them into the project.
    if (temporary.report) g_project.ReportFile.clear();
    if (temporary.log) g_project.SQLFile.clear();
    runStatus_ = CBrunoxApp::OutcomeOf(*g_runner).ExitStatus();
    if (!reportsWritten && runStatus_ == CBrunoxApp::kExitOk) runStatus_ = CBrunoxApp::kExitRunFailed;
  } else {
    runStatus_ = CBrunoxApp::kExitNotRun;
  }

  // A sequential or grouped run lasts for one Run command.
  g_runner->RunMode = 0;
  ToolbarButtons(false);
  // The plans the run captured.
  pages_[PageIndex::PagePlugin]->LoadFromProject();
  // A project page entered during the run was shown as it was; now it may read the project.
  if (IsProjectPage(current_)) pages_[current_]->Activate();
  // Told once the window shows that the run has ended, all in one message.
  TellUnwrittenFiles(unwritten);
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

CBrunoxDlg::TemporaryReportNames CBrunoxDlg::UseTemporaryReportNames() {
  // Fresh files each run: a name kept from an earlier run may point into a folder that has been
  // cleaned away since.
  TemporaryReportNames made;
  if (g_project.ReportFile.empty()) {
    g_project.ReportFile = NewTemporaryFile(L"bnxr", L".html");
    made.report = !g_project.ReportFile.empty();
  }
  if (g_project.SQLFile.empty()) {
    g_project.SQLFile = NewTemporaryFile(L"sqlr", L".txt");
    made.log = !g_project.SQLFile.empty();
  }
  return made;
}

void CBrunoxDlg::TellUnwrittenFiles(const std::vector<ReportFailure>& unwritten) {
  if (unwritten.empty()) return;
  std::wstring text = unwritten.size() == 1 ? L"A file of the run could not be written:\n"
                                            : L"Files of the run could not be written:\n";
  for (const ReportFailure& failure : unwritten) text += L"\n" + failure.text;
  // With -q nobody waits for the window: standard error and the exit status tell.
  platform::ConsoleUi console;
  platform::UiServices& ui = app_.QuitAfterRun ? console : platform::Ui();
  ui.MessageBox(text, L"Warning!", platform::MsgButtons::Ok, platform::MsgIcon::Error);
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
  const std::wstring text = L"Could not create a temporary file " + prefix + L"..." + suffix +
                           L" for the run's report in " + platform::TempFolder() + L".";
  CLog::Bug(text, L"CBrunoxDlg", __FILE__, __LINE__);
  platform::Ui().MessageBox(text, L"Warning!", platform::MsgButtons::Ok, platform::MsgIcon::Error);
  return {};
}

std::wstring CBrunoxDlg::TemporaryFolder() {
  if (temporaryFolder_.empty()) temporaryFolder_ = platform::MakePrivateTempFolder(L"brunox-run-");
  return temporaryFolder_;
}

void CBrunoxDlg::RemoveTemporaryFolder() {
  if (temporaryFolder_.empty()) return;
  namespace fs = std::filesystem;
  const fs::path folder(platform::NativePath(temporaryFolder_));
  temporaryFolder_.clear();
  std::error_code error;
  bool kept = false;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    // A report handed to the desktop may still be loading in a browser or open in an editor.
    if (platform::HandedToDesktop(platform::FromUtf8(it->path().string()))) {
      kept = true;
      continue;
    }
    std::error_code ignored;
    fs::remove_all(it->path(), ignored);
  }
  if (!kept) fs::remove(folder, error);
}

void CBrunoxDlg::CloseAfterRun() {
  if (closed_) return;
  FinishClosing();
  closed_ = true;
  close();
}

int CBrunoxDlg::ExitStatus() const { return app_.QuitAfterRun ? runStatus_ : CBrunoxApp::kExitOk; }
