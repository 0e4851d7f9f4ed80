#include "brunox/ui/tests/WindowFixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <thread>

#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/SettingsStores.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

extern char** environ;

void WindowTest::SetUp() {
  // Every test starts as a first program start: its own settings and layout files.
  configFolder = platform::FolderPart(testsupport::NewScratchPath(L"config"));
  setenv("BRUNOX_CONFIG_DIR", platform::ToUtf8(configFolder).c_str(), 1);
  g_project = Project();
  g_settings = new CSettings();
  g_settings->LoadData();
  g_runner = new BrunoxRunner();
  g_mainDB = CDB::newDB(0);
  app = std::make_unique<CBrunoxApp>();
  app->Initialize(g_settings->GetMainSettings(), L"Ovra DB Brunox");
}

void WindowTest::TearDown() {
  g_project.Saved = 1;  // no question from a window that goes away with the test
  window.reset();
  delete g_mainDB;
  g_mainDB = nullptr;
  delete g_runner;
  g_runner = nullptr;
  app->Terminate();
  app.reset();
  delete g_settings;
  g_settings = nullptr;
  g_project = Project();
}

CBrunoxDlg& WindowTest::OpenWindow() {
  window = std::make_unique<CBrunoxDlg>(*app);
  window->show();
  window->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  Settle();
  return *window;
}

void WindowTest::ConnectSqlite() {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(
      platform::FolderPart(testsupport::NewScratchPath(L"db")) + L"/main.sqlite");
  ASSERT_TRUE(CDB::isOK(g_mainDB->OpenConnection(&info))) << g_mainDB->ErrorText;
  if (window) window->UpdateStatus();
}

RecordingPage& WindowTest::Instrument(int index) {
  auto page = std::make_unique<RecordingPage>();
  RecordingPage& ref = *page;
  window->InstallPage(index, std::move(page));
  return ref;
}

std::wstring WindowTest::StoredSetting(const std::wstring& key) {
  CSettings later;
  later.LoadData();
  return later.getStr(kStoreMain, key);
}

WindowProcess::WindowProcess(std::vector<std::string> args, std::vector<std::string> environment)
    : args_(std::move(args)), environment_(std::move(environment)) {
  const std::string folder =
      platform::ToUtf8(platform::FolderPart(testsupport::NewScratchPath(L"window")));
  config_ = folder + "/config";
  state_ = folder + "/state";
  err_ = folder + "/stderr";
}

WindowProcess::~WindowProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void WindowProcess::Start() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (name == "BRUNOX_CONFIG_DIR" || name == "XDG_STATE_HOME" || Overridden(name)) continue;
    env.push_back(entry);
  }
  env.push_back("BRUNOX_CONFIG_DIR=" + config_);
  env.push_back("XDG_STATE_HOME=" + state_);
  for (const std::string& entry : environment_)
    if (entry.find('=') != std::string::npos) env.push_back(entry);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::vector<std::string> argv = {BRUNOX_EXE};
  argv.insert(argv.end(), args_.begin(), args_.end());
  std::vector<char*> argvp;
  for (auto& a : argv) argvp.push_back(a.data());
  argvp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int rc = posix_spawn(&pid_, BRUNOX_EXE, &actions, nullptr, argvp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ASSERT_EQ(0, rc);
}

int WindowProcess::WaitFor(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

std::string WindowProcess::Err() const {
  std::string bytes;
  platform::ReadFileBytes(platform::FromUtf8(err_), bytes);
  return bytes;
}

bool WindowProcess::Overridden(const std::string& name) const {
  for (const std::string& entry : environment_)
    if (entry.substr(0, entry.find('=')) == name) return true;
  return false;
}
