// The program started in window mode as a user starts it, in a process of its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

class WindowProcess {
 public:
  // `environment` entries replace the test's own of the same name; a name without '=' removes it.
  WindowProcess(std::vector<std::string> args, std::vector<std::string> environment)
      : args_(std::move(args)), environment_(std::move(environment)) {
    const std::string folder =
        platform::ToUtf8(platform::FolderPart(testsupport::NewScratchPath(L"window")));
    config_ = folder + "/config";
    state_ = folder + "/state";
    err_ = folder + "/stderr";
  }
  ~WindowProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  WindowProcess(const WindowProcess&) = delete;
  WindowProcess& operator=(const WindowProcess&) = delete;

  void Start() {
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

  // The exit status; -1 when it still runs after `limit`.
  int WaitFor(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }

  std::string Err() const {
    std::string bytes;
    platform::ReadFileBytes(platform::FromUtf8(err_), bytes);
    return bytes;
  }

 private:
  bool Overridden(const std::string& name) const {
    for (const std::string& entry : environment_)
      if (entry.substr(0, entry.find('=')) == name) return true;
    return false;
  }

  std::vector<std::string> args_;
  std::vector<std::string> environment_;
  std::string config_, state_, err_;
  pid_t pid_ = -1;
};

TEST(WindowProcess, WithoutDisplaySaysHowToGetOneAndFails) {
  WindowProcess brunox({"-x"}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  brunox.Start();
  const int status = brunox.WaitFor(60s);
  EXPECT_NE(0, status);
  EXPECT_NE(-1, status);
  EXPECT_NE(std::string::npos,
            brunox.Err().find("brunox needs a display for its window (set DISPLAY, or "
                              "QT_QPA_PLATFORM=offscreen), or run a project in console mode: "
                              "brunox -c project.bxp"))
      << brunox.Err();
}

TEST(WindowProcess, OffscreenWindowKeepsRunningWithTheProject) {
  WindowProcess brunox({"-x", BRUNOX_EXAMPLES_DIR "/minimal/minimal.bxp"},
                       {"QT_QPA_PLATFORM=offscreen"});
  brunox.Start();
  EXPECT_EQ(-1, brunox.WaitFor(2s)) << brunox.Err();
  // The destructor ends it.
}

}  // namespace
