#include "brunox/engine/BrunoxApp.h"

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

  CLog::State2(L"CBrunoxApp: running a project is not available in this build yet.");
  ConsoleWrite(L"Running a project is not available in this build yet.\n");
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
