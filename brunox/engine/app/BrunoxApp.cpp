#include "brunox/engine/app/BrunoxApp.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/run/RunStopRules.h"
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
// while that stop is under way quits at once (exit status 130), so a driver call that never
// returns cannot keep the program alive; before it quits, the lines the statement log holds are
// written unless a thread keeps the log busy. A handler may call next to nothing, so it only wakes
// a thread of its own for that (QuitWhenAsked); a third interrupt quits from the handler itself.
std::atomic<std::atomic<int>*> g_consoleStop{nullptr};
std::atomic<int> g_quitPipe{-1};  // the write end of the quitting thread's pipe; -1 without one
std::atomic<bool> g_quitAsked{false};
static_assert(std::atomic<std::atomic<int>*>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

constexpr char kQuitAsked = 'q';
constexpr char kRunOver = 'd';

void WriteToStandardError(const char* text, std::size_t size) {
  (void)!::write(STDERR_FILENO, text, size);
}

extern "C" void StopConsoleRun(int) {
  const int savedErrno = errno;
  std::atomic<int>* stop = g_consoleStop.load();
  if (!stop) {
    errno = savedErrno;
    return;
  }
  if (stop->exchange(1) == 0) {
    static const char kStopping[] =
        "\nStopping the run: the threads end their round (interrupt again to quit at once)...\n";
    WriteToStandardError(kStopping, sizeof kStopping - 1);
    errno = savedErrno;
    return;
  }
  static const char kQuit[] = "\nInterrupted again: quitting without waiting for the run.\n";
  const int pipe = g_quitPipe.load();
  if (pipe >= 0 && !g_quitAsked.exchange(true)) {
    WriteToStandardError(kQuit, sizeof kQuit - 1);
    (void)!::write(pipe, &kQuitAsked, 1);
    errno = savedErrno;
    return;
  }
  static const char kQuitNow[] =
      "\nInterrupted again: quitting at once; the executed-statement log may be incomplete.\n";
  WriteToStandardError(kQuitNow, sizeof kQuitNow - 1);
  ::_exit(130);
}

// The thread a second interrupt wakes: it writes the program log's last counts of repeated
// failures and what the statement log holds, unless a thread keeps the log's lock (one stuck in a
// write of its own), and ends the process.
void QuitWhenAsked(int pipe) {
  char asked = 0;
  while (::read(pipe, &asked, 1) < 0 && errno == EINTR) {
  }
  if (asked != kQuitAsked) return;
  g_runner->TellRepeatedFailuresBeforeQuit();
  const char* incomplete = nullptr;
  switch (g_runner->WriteStatementLogBeforeQuit(std::chrono::milliseconds(500))) {
    case BrunoxRunner::LogAtQuit::kNoLog:
    case BrunoxRunner::LogAtQuit::kWritten:
      break;
    case BrunoxRunner::LogAtQuit::kBusy:
      incomplete = "The executed-statement log is incomplete: a thread was writing it when the "
                   "program quit.\n";
      break;
    case BrunoxRunner::LogAtQuit::kFailed:
      incomplete = "The executed-statement log is incomplete: its last lines could not be "
                   "written.\n";
      break;
  }
  if (incomplete) WriteToStandardError(incomplete, std::strlen(incomplete));
  ::_exit(130);
}

class ConsoleStopSignals {
 public:
  explicit ConsoleStopSignals(std::atomic<int>* stop) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) == 0) {
      readEnd_ = ends[0];
      writeEnd_ = ends[1];
      quitter_ = std::thread(QuitWhenAsked, readEnd_);
      g_quitPipe.store(writeEnd_);
    }
    g_quitAsked.store(false);
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
    g_quitPipe.store(-1);
    if (quitter_.joinable()) {
      // A quit asked for just before the run ended still quits; the log is whole by now.
      (void)!::write(writeEnd_, &kRunOver, 1);
      quitter_.join();
    }
    if (readEnd_ >= 0) ::close(readEnd_);
    if (writeEnd_ >= 0) ::close(writeEnd_);
  }
  ConsoleStopSignals(const ConsoleStopSignals&) = delete;
  ConsoleStopSignals& operator=(const ConsoleStopSignals&) = delete;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
  int readEnd_ = -1;
  int writeEnd_ = -1;
  std::thread quitter_;
};

// While a stop waits for threads that have not ended (a statement the server is slow to finish
// or never answers), the console says what it waits for; the runner cancels and then leaves
// behind what does not end.
int g_stopWaitTold = 0;  // 1: the wait was told, 2: the cancel too

void TellWhatTheStopWaitsFor() {
  const int threads = g_runner->ThreadsTheStopWaitsFor();
  if (threads == 0) return;
  const bool cancelled = g_runner->StopCancelledStatements();
  if (g_stopWaitTold == 0 && !cancelled) {
    g_app->ConsoleWrite(platform::Format(
        L"Stopping: waiting for %d threads that have not ended; a statement still running %d s "
        L"after the stop is cancelled (Ctrl-C quits at once)...\n",
        threads, static_cast<int>(RunStopRules::kCancelGraceSeconds)));
    g_stopWaitTold = 1;
  }
  if (g_stopWaitTold < 2 && cancelled) {
    g_app->ConsoleWrite(platform::Format(
        L"Stopping: the statements of %d threads that have not ended were cancelled; the run "
        L"ends without the threads that have not returned %d s later (Ctrl-C quits at once)...\n",
        threads, static_cast<int>(BrunoxRunner::kAbandonAfterCancelSeconds)));
    g_stopWaitTold = 2;
  }
}

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
         L"2 threads failed, could not connect or were left inside a database call, rounds or\n"
         L"values failed, the executed-statement log is incomplete, or the run reported errors;\n"
         L"130 a second Ctrl-C quit without waiting for the run.\n";
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
    if (g_runner->LeftBehindStillRunning() > 0) QuitLeavingWorkersBehind();
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

void CBrunoxApp::QuitLeavingWorkersBehind() {
  // What must be kept is written by now: the statement log when the run ended, the console,
  // standard error and the program log line by line.
  CLog::State2(platform::Format(
      L"Quitting without waiting for %d threads left inside a database call (exit status %d)",
      g_runner->LeftBehindStillRunning(), exitCode_));
  std::fflush(nullptr);
  ::_exit(exitCode_);
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
  g_stopWaitTold = 0;
  g_project.Callback = [](int code, int, int, const std::wstring&, const std::wstring&) {
    if (code == kRunIdle) TellWhatTheStopWaitsFor();
    return 0;
  };
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
    const ThreadInfo& record = runner.Record(i);
    const int state = record.State;
    if (state == kWorkerRunning || state == kWorkerFailed) ++outcome.ran;
    if (record.LostConnection)
      ++outcome.lostConnection;
    else if (state == kWorkerFailed)
      ++outcome.failedThreads;
    // A thread left behind waiting for its turn never tried; one left inside its connect did not
    // fail to connect: it is named with the threads left behind.
    if (state == kWorkerStoppedBeforeConnect || (record.Abandoned && record.WaitingToConnect))
      ++outcome.neverTried;
    else if (state == kWorkerConnecting && !record.Abandoned)
      ++outcome.unconnected;
  }
  outcome.leftBehind = static_cast<int>(runner.LeftBehind().size());
  outcome.failedRounds = runner.FailedRounds.load();
  outcome.failedValues = runner.FailedValues.load();
  outcome.runErrors = !runner.RunErrors().empty();
  outcome.statementLogComplete = runner.StatementLogComplete();
  return outcome;
}

int CBrunoxApp::RunOutcome::ExitStatus() const {
  if (threads == 0) return kExitNotRun;
  if (failedThreads > 0 || lostConnection > 0 || unconnected > 0 || leftBehind > 0 ||
      failedRounds > 0 || failedValues > 0 || runErrors || !statementLogComplete)
    return kExitRunFailed;
  return kExitOk;
}

void CBrunoxApp::ReportConsoleRun() {
  // Only what the run measured: threads that ran, executions counted, the run's own clock; the
  // rate over the time the load ran, not over the waits of a stop.
  const RunOutcome outcome = OutcomeOf(*g_runner);
  const int threads = outcome.threads;
  const std::int64_t executions = g_runner->TotalExecs.load();
  const double seconds = g_runner->Timer.Seconds();
  const double loadSeconds = g_runner->LoadSeconds();

  std::wstring text = L"Run finished in " + platform::FormatFixed(seconds, 1) + L" s: " +
                      platform::FromInt(threads) + L" threads";
  if (outcome.ran != threads) {
    text += L" (" + platform::FromInt(outcome.ran) + L" ran";
    if (outcome.unconnected > 0)
      text += L", " + platform::FromInt(outcome.unconnected) + L" could not connect";
    if (outcome.neverTried > 0)
      text += L", " + platform::FromInt(outcome.neverTried) + L" never tried";
    if (outcome.leftBehind > 0 && outcome.ran + outcome.unconnected + outcome.neverTried < threads)
      text += L", " +
              platform::FromInt(threads - outcome.ran - outcome.unconnected - outcome.neverTried) +
              L" left inside their connect";
    text += L")";
  }
  text += L", " + platform::FromInt(executions) + L" executions";
  if (loadSeconds > 0)
    text += L" (" + platform::FormatFixed(static_cast<double>(executions) / loadSeconds, 1) +
            L" per second)";
  text += L", " + platform::FromInt(outcome.failedRounds) + L" failed rounds";
  if (outcome.failedValues > 0)
    text += L", " + platform::FromInt(outcome.failedValues) + L" values whose pattern failed";
  text += L".\n";
  if (outcome.failedThreads > 0)
    text += L"Threads with a failing statement: " + platform::FromInt(outcome.failedThreads) +
            L". " + SeeTheLog() + L"\n";
  if (outcome.lostConnection > 0)
    text += L"Threads that lost their connection: " + platform::FromInt(outcome.lostConnection) +
            L". " + SeeTheLog() + L"\n";
  if (outcome.unconnected > 0)
    text += L"Threads that could not connect: " + platform::FromInt(outcome.unconnected) + L". " +
            SeeTheLog() + L"\n";
  if (outcome.neverTried > 0)
    text += L"Threads that never tried to connect: " + platform::FromInt(outcome.neverTried) +
            L" (the run ended while they waited for their turn).\n";
  if (outcome.leftBehind > 0)
    text += L"Threads left inside a database call: " + platform::FromInt(outcome.leftBehind) +
            L" (" + g_runner->NameThreads(g_runner->LeftBehind()) +
            L"). The run ended without waiting for them.\n";

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
