#include "brunox/engine/app/BrunoxApp.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/ProjectFileCheck.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Folders.h"
#include "platform/Limits.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

CBrunoxApp* g_app = nullptr;
CDB* g_mainDB = nullptr;
Project g_project;

namespace {

const wchar_t* const kTitle = L"Ovra DB Brunox";

std::wstring TrimQuotes(const std::wstring& s) { return platform::Trim(s, L"\""); }

// Where a user finds the details of what went wrong.
std::wstring SeeTheLog() {
  if (CLog::Level() >= 2) return L"The program log is off (setting LogLevel=2).";
  return L"See the log for details: " + CLog::FilePath();
}

// Ctrl-C (or a TERM signal) during a console run stops the run as the window's Stop command does:
// the workers end their round, the epilogues run and the statement log is complete. A second one
// while that stop is under way ends the process at once, so a driver call that never returns
// cannot keep the program alive. Only async-signal-safe calls in the handler.
std::atomic<std::atomic<int>*> g_consoleStop{nullptr};
static_assert(std::atomic<std::atomic<int>*>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

extern "C" void StopConsoleRun(int) {
  std::atomic<int>* stop = g_consoleStop.load();
  if (!stop) return;
  if (stop->exchange(1) == 0) {
    static const char kStopping[] =
        "\nStopping the run: the threads end their round (interrupt again to quit at once)...\n";
    (void)!::write(STDERR_FILENO, kStopping, sizeof kStopping - 1);
    return;
  }
  static const char kQuit[] = "\nInterrupted again: quitting without waiting for the run.\n";
  (void)!::write(STDERR_FILENO, kQuit, sizeof kQuit - 1);
  ::_exit(130);
}

class ConsoleStopSignals {
 public:
  explicit ConsoleStopSignals(std::atomic<int>* stop) {
    g_consoleStop.store(stop);
    struct sigaction action {};
    action.sa_handler = StopConsoleRun;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~ConsoleStopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    g_consoleStop.store(nullptr);
  }
  ConsoleStopSignals(const ConsoleStopSignals&) = delete;
  ConsoleStopSignals& operator=(const ConsoleStopSignals&) = delete;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// A log that was not written whole is not named as if it could be used.
std::wstring StatementLogLine() {
  const std::wstring log = g_runner->StatementLogPath();
  if (g_project.SQLFile.empty())
    return L"No executed-statement log: the project names none (SQLFile).\n";
  if (!g_runner->StatementLogComplete() || log.empty() || !platform::FileExists(log))
    return L"The executed-statement log could not be written whole. " + SeeTheLog() + L"\n";
  return L"Executed-statement log: " + log + L"\n";
}

}  // namespace

CBrunoxApp::CBrunoxApp() { g_app = this; }

CBrunoxApp::~CBrunoxApp() {
  if (g_app == this) g_app = nullptr;
}

std::wstring CBrunoxApp::UsageText() {
  return L"Usage: brunox [switches] [project.bxp]\n"
         L"  -c          console mode: run the project once without a window, then quit\n"
         L"  -r          run the project as soon as the window is up\n"
         L"  -q          close the window when that run has ended\n"
         L"  -x          do not connect at start\n"
         L"  -@profile   connect with the connection profile file 'profile'\n"
         L"  -h, --help  show this list\n"
         L"Switches may start with '/' as well (/c). Without a project file the last project\n"
         L"(setting LastFile) is used.\n"
         L"Exit status: 0 the run ran and no thread failed; 1 it could not start;\n"
         L"2 threads failed or could not connect, rounds or values failed, or the run reported\n"
         L"errors.\n";
}

void CBrunoxApp::ParseParam(const std::wstring& argument) {
  if (argument.empty()) return;
  if (argument == L"-h" || argument == L"/h" || argument == L"--help") {
    helpWanted_ = true;
    return;
  }
  // Switches are one letter, or -@ with its profile; any other argument that starts with '/' is
  // a path, whether or not it exists.
  const wchar_t first = argument[0];
  const bool isSwitch =
      first == L'-' || (first == L'/' && (argument.size() == 2 || argument[1] == L'@'));
  if (!isSwitch) {
    const std::wstring file = TrimQuotes(argument);
    if (!ProjectArgument.empty() && ProjectArgument != file) {
      if (usageError_.empty())
        usageError_ = platform::Format(L"More than one project file was named: '%ls' and '%ls'.",
                                       ProjectArgument.c_str(), file.c_str());
      return;
    }
    ProjectArgument = file;
    if (platform::FileExists(file)) FileList.insert(FileList.begin(), file);
    return;
  }
  if (argument.size() >= 2 && argument[1] == L'@') {
    if (argument.size() < 3) {
      platform::Ui().MessageBox(L"-@ switch without profile was specified.", L"Warning!",
                                platform::MsgButtons::Ok, platform::MsgIcon::Information);
      return;
    }
    Profile = TrimQuotes(argument.substr(2));
    return;
  }
  if (argument.size() == 2) {
    switch (argument[1]) {
      case L'c':
        console_ = 1;
        RunAtStart = 1;
        QuitAfterRun = 1;
        return;
      case L'q':
        QuitAfterRun = 1;
        return;
      case L'r':
        RunAtStart = 1;
        return;
      case L'x':
        NoConnect = 1;
        return;
      default:
        break;
    }
  }
  if (usageError_.empty())
    usageError_ = platform::Format(L"Unknown switch '%ls'.", argument.c_str());
}

void CBrunoxApp::ShowError(const std::wstring& text) {
  platform::Ui().MessageBox(text, L"Error", platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

int CBrunoxApp::InitInstance() {
  exitCode_ = kExitOk;
  // Every worker thread holds at least one descriptor; the usual soft limit of 1024 would stop a
  // large run long before the thread limit.
  platform::RaiseOpenFileLimit();
  g_settings = new CSettings();
  // The stored values are loaded before the log opens, so the log follows the stored level.
  g_settings->LoadData();
  Initialize(g_settings->GetMainSettings(), kTitle);
  CLog::State(L"CBrunoxApp::InitInstance");
  VisualizerPath = platform::JoinPath(ProgramFolder(), L"vis/DBBrunoxVisualizer");
  RegisterFileType(L"Ovra DB Brunox Project", L".bxp");
  helpWanted_ = false;
  usageError_.clear();
  ProjectArgument.clear();
  FileList.clear();
  ParseParams();

  if (!usageError_.empty()) {
    ShowError(usageError_ + L"\n" + platform::TrimRight(UsageText(), L"\n"));
    exitCode_ = kExitNotRun;
  } else if (helpWanted_) {
    ConsoleWrite(UsageText());
  } else {
    g_runner = new BrunoxRunner();
    g_mainDB = CDB::newDB(0);
    if (!g_mainDB) {
      platform::Ui().MessageBox(L"Could not initialize database environment.", L"Critical Error",
                                platform::MsgButtons::Ok, platform::MsgIcon::Error);
      exitCode_ = kExitNotRun;
    } else if (console_) {
      RunConsole();
    } else if (ShowMainWindow) {
      exitCode_ = ShowMainWindow(*this);
    } else {
      platform::Ui().MessageBox(
          L"This build of the program has no window. Run a project in console mode: brunox -c "
          L"project.bxp",
          L"Warning!", platform::MsgButtons::Ok, platform::MsgIcon::Warning);
      exitCode_ = kExitNotRun;
    }
  }

  delete g_mainDB;
  g_mainDB = nullptr;
  delete g_runner;
  g_runner = nullptr;
  CLog::State(nullptr);
  delete g_settings;
  g_settings = nullptr;
  Terminate();
  return 0;
}

bool CBrunoxApp::RestoreConnection() {
  if (g_mainDB->IsConnected()) return true;
  g_mainDB->Info = g_project.DefConnection;
  if (!CDB::isOK(connectDialog_.DoConnect(g_mainDB, Profile.empty() ? nullptr : &Profile, 1)))
    return false;
  if (g_project.DefConnection != g_mainDB->Info) {
    g_project.DefConnection = g_mainDB->Info;
    g_project.Saved = 0;
  }
  return true;
}

std::wstring CBrunoxApp::ConsoleProjectPath() {
  if (!ProjectArgument.empty()) {
    const std::wstring problem = ProjectFileProblem(ProjectArgument);
    if (problem.empty()) return ProjectArgument;
    ShowError(problem);
    return {};
  }
  const std::wstring last = g_settings->getStr(kStoreMain, L"LastFile");
  const std::wstring where =
      L"the setting LastFile (in " + platform::JoinPath(platform::ConfigFolder(), L"settings.ini") +
      L")";
  if (last.empty()) {
    ShowError(L"No project file was named, and " + where + L" names none.\n" +
              L"Run a project with: brunox -c project.bxp");
    return {};
  }
  const std::wstring problem = ProjectFileProblem(last);
  if (problem.empty()) return last;
  ShowError(problem + L"\nThe project was named by " + where + L".");
  return {};
}

void CBrunoxApp::ReadRunSettings(Project& project) {
  if (!g_settings) return;
  project.StopOnError = g_settings->getInt(kStoreMain, L"StopOnError");
  project.StatPeriod = g_settings->getInt(kStoreMain, L"StatPeriod");
  project.StatByTask = g_settings->getInt(kStoreMain, L"StatByTask");
  project.StatPerPeriod = g_settings->getInt(kStoreMain, L"StatPerPeriod");
  project.LogLevel = g_settings->getInt(kStoreMain, L"LogLevel");
  project.MaxBlobBytes = Project::MaxBlobBytesOf(g_settings->getInt(kStoreTask, L"MaxBlobSize"));
}

void CBrunoxApp::PrepareConsoleRun() {
  g_project.Console = 1;
  g_project.DefConnection = g_mainDB->Info;
  ReadRunSettings(g_project);
  g_project.MainDB = g_mainDB;
  g_project.Callback = [](int, int, int, const std::wstring&, const std::wstring&) { return 0; };
  // Console mode has neither of the window's one-off Run-sequential and Run-by-group commands.
  g_runner->RunMode = 0;
}

void CBrunoxApp::RunConsole() {
  ConsoleWrite(std::wstring(kTitle) + L" (console mode)...\n\n");
  exitCode_ = kExitNotRun;
  const std::wstring path = ConsoleProjectPath();
  if (path.empty()) return;
  g_project.Load(path);
  ConsoleWrite(L"Project: " + path + L"\n");

  if (!Profile.empty() && !platform::FileExists(Profile)) {
    ShowError(platform::Format(L"Connection profile '%ls' not found.", Profile.c_str()));
    return;
  }
  if (Profile.empty() && g_project.DefConnection.IsEmpty()) {
    ShowError(platform::Format(
        L"The project '%ls' names no database connection: its [DefConnection] section is "
        L"missing or empty.\nAdd Kind=1 and ConnString=Driver=...;... there, or connect with "
        L"-@profile.",
        path.c_str()));
    return;
  }
  if (!RestoreConnection()) {
    ShowError(L"Could not restore connection from the project properties.\n" +
              (g_mainDB->ErrorText.empty() ? std::wstring() : g_mainDB->ErrorText + L"\n") +
              SeeTheLog());
    return;
  }
  ConsoleWrite(L"Connected: " + g_mainDB->ConInfo(1, 1) + L"\n");

  PrepareConsoleRun();
  if (!g_runner->CheckProject(&g_project)) return;

  ConsoleWrite(L"Running... (Ctrl-C stops the run)\n");
  {
    ConsoleStopSignals signals(&g_runner->Stop);
    g_runner->Run(&g_project);
  }
  ReportConsoleRun();
}

CBrunoxApp::RunOutcome CBrunoxApp::OutcomeOf(const BrunoxRunner& runner) {
  RunOutcome outcome;
  outcome.threads = runner.ThreadsOfLastRun;
  for (int i = 0; i < outcome.threads; ++i) {
    const int state = runner.Record(i).State;
    if (state == kWorkerFailed) ++outcome.failedThreads;
    if (state == kWorkerConnecting) ++outcome.unconnected;
  }
  outcome.failedRounds = runner.FailedRounds.load();
  outcome.failedValues = runner.FailedValues.load();
  outcome.runErrors = !runner.RunErrors().empty();
  outcome.statementLogComplete = runner.StatementLogComplete();
  return outcome;
}

int CBrunoxApp::RunOutcome::ExitStatus() const {
  if (threads == 0) return kExitNotRun;
  if (failedThreads > 0 || unconnected > 0 || failedRounds > 0 || failedValues > 0 || runErrors ||
      !statementLogComplete)
    return kExitRunFailed;
  return kExitOk;
}

void CBrunoxApp::ReportConsoleRun() {
  // Only what the run measured: threads that ran, executions counted, the run's own clock.
  const RunOutcome outcome = OutcomeOf(*g_runner);
  const int threads = outcome.threads;
  const std::int64_t executions = g_runner->TotalExecs.load();
  const double seconds = g_runner->Timer.Seconds();

  std::wstring text = L"Run finished in " + platform::FormatFixed(seconds, 1) + L" s: " +
                      platform::FromInt(threads) + L" threads, " + platform::FromInt(executions) +
                      L" executions";
  if (seconds > 0)
    text += L" (" + platform::FormatFixed(static_cast<double>(executions) / seconds, 1) +
            L" per second)";
  text += L", " + platform::FromInt(outcome.failedRounds) + L" failed rounds";
  if (outcome.failedValues > 0)
    text += L", " + platform::FromInt(outcome.failedValues) + L" values whose pattern failed";
  text += L".\n";
  if (outcome.failedThreads > 0)
    text += L"Threads with a failing statement: " + platform::FromInt(outcome.failedThreads) +
            L". " + SeeTheLog() + L"\n";
  if (outcome.unconnected > 0)
    text += L"Threads that could not connect: " + platform::FromInt(outcome.unconnected) + L". " +
            SeeTheLog() + L"\n";

  // Nothing ran, nothing to log: a line about the log would only mislead then.
  if (threads > 0) text += StatementLogLine();
  ConsoleWrite(text);
  CLog::State2(platform::TrimRight(text, L"\n"));

  const std::vector<std::wstring>& runErrors = g_runner->RunErrors();
  if (!runErrors.empty()) {
    std::wstring list = L"The run reported errors:";
    for (const std::wstring& error : runErrors) list += L"\n  " + error;
    ShowError(list);
  }

  if (threads == 0 && runErrors.empty())
    ShowError(L"Nothing ran: no worker thread was started (the active tasks have Threads=0, or "
              L"their own connections failed). " + SeeTheLog());
  exitCode_ = outcome.ExitStatus();
}

void CBrunoxApp::LaunchVisualizer(const std::vector<std::wstring>& files) {
  if (!platform::FileExists(VisualizerPath)) {
    platform::Ui().MessageBox(L"The visualizer program '" + VisualizerPath + L"' is not installed.",
                              L"Visualizer", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  platform::Ui().StartProgram(VisualizerPath, files);
}

void CBrunoxApp::ShowSqlReport(const std::wstring& path) {
  if (!platform::FileExists(path)) {
    platform::Ui().MessageBox(
        platform::Format(L"The report file '%ls' does not exist or inaccessible", path.c_str()),
        L"Visualizer", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  LaunchVisualizer({path});
}
