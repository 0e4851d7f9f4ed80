#include "testsupport/ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

extern char** environ;

namespace testsupport {

namespace {

std::string Name(const std::string& entry) { return entry.substr(0, entry.find('=')); }

std::string ReadAll(const std::string& path) {
  std::string bytes;
  platform::ReadFileBytes(platform::FromUtf8(path), bytes);
  return bytes;
}

}  // namespace

ProgramRun::ProgramRun(std::string program, std::vector<std::string> args,
                       std::vector<std::string> environment)
    : program_(std::move(program)), args_(std::move(args)), environment_(std::move(environment)) {
  const std::string folder = platform::ToUtf8(platform::FolderPart(NewScratchPath(L"run")));
  config_ = folder + "/config";
  state_ = folder + "/state";
  out_ = folder + "/stdout";
  err_ = folder + "/stderr";
}

ProgramRun::~ProgramRun() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool ProgramRun::Overridden(const std::string& name) const {
  for (const std::string& entry : environment_)
    if (Name(entry) == name) return true;
  return false;
}

void ProgramRun::Start() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = Name(entry);
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

  std::vector<std::string> argv = {program_};
  argv.insert(argv.end(), args_.begin(), args_.end());
  std::vector<char*> argvp;
  for (auto& a : argv) argvp.push_back(a.data());
  argvp.push_back(nullptr);

  int closedPipe[2] = {-1, -1};
  if (outputToClosedPipe_) {
    ASSERT_EQ(0, ::pipe2(closedPipe, O_CLOEXEC));
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (outputToClosedPipe_)
    posix_spawn_file_actions_adddup2(&actions, closedPipe[1], STDOUT_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  // The child inherits the limit; the test's own files are limited only while the spawn lasts,
  // during which this thread writes nothing.
  rlimit ownLimit{};
  const bool limited = fileSizeLimit_ != RLIM_INFINITY && ::getrlimit(RLIMIT_FSIZE, &ownLimit) == 0;
  if (limited) {
    rlimit childLimit = ownLimit;
    childLimit.rlim_cur = fileSizeLimit_;
    EXPECT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &childLimit));
  }
  const int rc =
      posix_spawn(&pid_, program_.c_str(), &actions, &attributes, argvp.data(), envp.data());
  if (limited) ::setrlimit(RLIMIT_FSIZE, &ownLimit);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (outputToClosedPipe_) {
    ::close(closedPipe[0]);
    ::close(closedPipe[1]);
  }
  ASSERT_EQ(0, rc) << "could not start " << program_;
}

bool ProgramRun::Reaped() {
  if (::waitpid(pid_, &status_, WNOHANG) != pid_) return false;
  pid_ = -1;
  return true;
}

int ProgramRun::Wait(std::chrono::steady_clock::duration limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (pid_ > 0 && !Reaped()) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

void ProgramRun::Signal(int number) {
  if (pid_ > 0) ::kill(pid_, number);
}

bool ProgramRun::Running() { return pid_ > 0 && !Reaped(); }

bool ProgramRun::WaitForText(const std::string& text, bool inError,
                             std::chrono::steady_clock::duration limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if ((inError ? Err() : Out()).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::string ProgramRun::Out() const { return ReadAll(out_); }
std::string ProgramRun::Err() const { return ReadAll(err_); }

}  // namespace testsupport
