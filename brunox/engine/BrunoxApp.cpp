#include "brunox/engine/BrunoxApp.h"

#include <signal.h>

#include <atomic>

#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/SettingsStores.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
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

// Ctrl-C (or a TERM signal) during a console run stops the run as the window's Stop command does:
// the workers end their round, the epilogues run and the statement log is complete.
std::atomic<int>* g_consoleStop = nullptr;

extern "C" void StopConsoleRun(int) {
  if (g_consoleStop) g_consoleStop->store(1);
}

class ConsoleStopSignals {
 public:
  explicit ConsoleStopSignals(std::atomic<int>* stop) {
    g_consoleStop = stop;
    struct sigaction action {};
    action.sa_handler = StopConsoleRun;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~ConsoleStopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    g_consoleStop = nullptr;
  }
  ConsoleStopSignals(const ConsoleStopSignals&) = delete;
  ConsoleStopSignals& operator=(const ConsoleStopSignals&) = delete;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// The console's account of the run that just ended.
std::wstring RunSummary() {
  // Only what the run measured: threads that ran, executions counted, the run's own clock.
  int failedThreads = 0;
  int unconnected = 0;
  for (int i = 0; i < g_runner->ThreadsOfLastRun; ++i) {
    const int state = g_runner->Record(i).State;
    if (state == kWorkerFailed) ++failedThreads;
    if (state == kWorkerConnecting) ++unconnected;
  }
  const double seconds = g_runner->Timer.Seconds();
  const int executions = g_runner->TotalExecs;
  std::wstring text = platform::Format(L"Run finished: %d threads, %d executions in %ls s",
                                       g_runner->ThreadsOfLastRun, executions,
                                       platform::FormatFixed(seconds, 1).c_str());
  if (seconds > 0)
    text += L" (" + platform::FormatFixed(executions / seconds, 1) + L" per second)";
  text += L".\n";
  if (failedThreads > 0)
    text += platform::Format(L"%d threads had a failing statement (see the log).\n", failedThreads);
  if (unconnected > 0)
    text += platform::Format(L"%d threads could not connect (see the log).\n", unconnected);
  const std::wstring log = g_runner->StatementLogPath();
  if (g_project.SQLFile.empty())
    text += L"No executed-statement log: the project names none.\n";
  else if (log.empty() || !platform::FileExists(log))
    text += L"The executed-statement log could not be written: " + log + L"\n";
  else
    text += L"Executed-statement log: " + log + L"\n";
  return text;
}

}  // namespace

CBrunoxApp::CBrunoxApp() { g_app = this; }

CBrunoxApp::~CBrunoxApp() {
  if (g_app == this) g_app = nullptr;
}

void CBrunoxApp::ParseParam(const std::wstring& argument) {
  if (argument.empty()) return;
  const wchar_t first = argument[0];
  if (first != L'-' && first != L'/') {
    const std::wstring file = TrimQuotes(argument);
    if (platform::FileExists(file)) FileList.insert(FileList.begin(), file);
    return;
  }
  // A '/' switch and a file path both start with '/': a path to an existing file is a file.
  if (first == L'/' && argument.size() > 2 && platform::FileExists(argument)) {
    FileList.insert(FileList.begin(), argument);
    return;
  }
  if (argument.size() < 2) return;
  switch (argument[1]) {
    case L'@':
      if (argument.size() < 3) {
        platform::Ui().MessageBox(L"-@ switch without profile was specified.", L"Warning!",
                                  platform::MsgButtons::Ok, platform::MsgIcon::Information);
        return;
      }
      Profile = TrimQuotes(argument.substr(2));
      return;
    case L'c':
      if (argument.size() != 2) return;
      console_ = 1;
      RunAtStart = 1;
      QuitAfterRun = 1;
      return;
    case L'q':
      if (argument.size() == 2) QuitAfterRun = 1;
      return;
    case L'r':
      if (argument.size() == 2) RunAtStart = 1;
      return;
    case L'x':
      if (argument.size() == 2) NoConnect = 1;
      return;
    default:
      return;
  }
}

int CBrunoxApp::InitInstance() {
  exitCode_ = 0;
  g_settings = new CSettings();
  // The stored values are loaded before the log opens, so the log follows the stored level.
  g_settings->LoadData();
  Initialize(g_settings->GetMainSettings(), kTitle);
  CLog::State(L"CBrunoxApp::InitInstance");
  VisualizerPath = platform::JoinPath(ProgramFolder(), L"vis/DBBrunoxVisualizer");
  RegisterFileType(L"Ovra DB Brunox Project", L".bxp");
  ParseParams();

  g_runner = new BrunoxRunner();
  g_mainDB = CDB::newDB(0);
  if (!g_mainDB) {
    platform::Ui().MessageBox(L"Could not initialize database environment.", L"Critical Error",
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
    exitCode_ = 1;
  } else if (console_) {
    RunConsole();
  } else if (ShowMainWindow) {
    ShowMainWindow(*this);
  } else {
    platform::Ui().MessageBox(
        L"This build of the program has no window. Run a project in console mode: brunox -c "
        L"project.bxp",
        L"Warning!", platform::MsgButtons::Ok, platform::MsgIcon::Warning);
    exitCode_ = 1;
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
  const bool useProfile = !Profile.empty() && platform::FileExists(Profile);
  if (!CDB::isOK(connectDialog_.DoConnect(g_mainDB, useProfile ? &Profile : nullptr, 1)))
    return false;
  if (g_project.DefConnection != g_mainDB->Info) {
    g_project.DefConnection = g_mainDB->Info;
    g_project.Saved = 0;
  }
  return true;
}

void CBrunoxApp::RunConsole() {
  ConsoleWrite(std::wstring(kTitle) + L" (console mode)...\n\n");
  const std::wstring path = FileList.empty() ? g_settings->getStr(0, L"LastFile") : FileList[0];
  g_project.Load(path);
  ConsoleWrite(L"Project: " + (path.empty() ? std::wstring(L"(none)") : path) + L"\n");

  if (!RestoreConnection()) {
    platform::Ui().MessageBox(
        L"Could not restore connection from the project properties.\nSee log for details.",
        L"Error", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    if (!g_mainDB->ErrorText.empty()) ConsoleWrite(L"Connection error: " + g_mainDB->ErrorText + L"\n");
    exitCode_ = 1;
    return;
  }
  ConsoleWrite(L"Connected: " + g_mainDB->ConInfo(1, 1) + L"\n");

  g_project.Console = 1;
  g_project.DefConnection = g_mainDB->Info;
  g_project.StopOnError = g_settings->getInt(0, L"StopOnError");
  g_project.StatPeriod = g_settings->getInt(0, L"StatPeriod");
  g_project.StatByTask = g_settings->getInt(0, L"StatByTask");
  g_project.StatPerPeriod = g_settings->getInt(0, L"StatPerPeriod");
  g_project.LogLevel = g_settings->getInt(0, L"LogLevel");
  // The window's run command takes the column size limit from the settings; console mode does
  // the same so that both read the same values.
  g_project.MaxBlobBytes = g_settings->getInt(2, L"MaxBlobSize") << 10;
  g_project.MainDB = g_mainDB;
  g_project.Callback = [](int, int, int, const std::wstring&, const std::wstring&) { return 0; };

  // Console mode has neither of the window's one-off Run-sequential and Run-by-group commands.
  g_runner->RunMode = 0;
  ConsoleWrite(L"Running... (Ctrl-C stops the run)\n");
  {
    ConsoleStopSignals signals(&g_runner->Stop);
    g_runner->Run(&g_project);
  }
  const std::wstring summary = RunSummary();
  ConsoleWrite(summary);
  CLog::State2(platform::TrimRight(summary, L"\n"));
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
