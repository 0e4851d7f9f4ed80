#include "synthor/generators/ScriptProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/Text.h"

extern char** environ;

namespace {

std::atomic<long long> timeoutMs{30000};

std::wstring ErrorText(int code) {
  const char* text = strerrordesc_np(code);
  return text ? platform::FromUtf8(text) : L"error " + platform::FromInt(code);
}

// A file descriptor closed when it goes out of scope.
class Fd {
 public:
  Fd() = default;
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// One pipe, both ends close-on-exec so that children other threads start meanwhile do not hold
// the write end open and keep us from seeing the end of the output.
struct Pipe {
  Fd read;
  Fd write;
  bool Open() {
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    read.Reset(fds[0]);
    write.Reset(fds[1]);
    return true;
  }
};

class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// A clean start for the child (no blocked signals, default actions) in a process group of its
// own, so that a timeout can end the script together with whatever it started.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    posix_spawnattr_init(&attr_);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr_, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr_, &defaults);
    posix_spawnattr_setpgroup(&attr_, 0);
    posix_spawnattr_setflags(
        &attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attr_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_;
};

int WaitForStatus(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// Appends what `fd` has to `sink` up to the cap; false at the end of the stream.
bool Drain(int fd, std::string* sink) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    const std::size_t room =
        ScriptProcess::kMaxOutputBytes - std::min(sink->size(), ScriptProcess::kMaxOutputBytes);
    sink->append(buffer, std::min(room, static_cast<std::size_t>(n)));
    return true;
  }
}

// Reads both streams until they end or the deadline passes; false on the deadline.
bool Collect(int out, int err, std::chrono::steady_clock::time_point deadline,
             ScriptRunResult* result) {
  pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
  std::string* sinks[2] = {&result->output, &result->errors};
  int open = 2;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int ready = poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (ready < 0 && errno != EINTR) return false;
    for (int k = 0; k < 2 && ready > 0; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      if (!Drain(fds[k].fd, sinks[k])) {
        fds[k].fd = -1;
        --open;
      }
    }
  }
  return true;
}

}  // namespace

std::chrono::milliseconds ScriptProcess::Timeout() {
  return std::chrono::milliseconds(timeoutMs.load());
}

void ScriptProcess::SetTimeout(std::chrono::milliseconds limit) {
  timeoutMs.store(limit.count() > 0 ? limit.count() : 1);
}

ScriptRunResult ScriptProcess::Run(const std::wstring& interpreter,
                                   const std::vector<std::wstring>& args) {
  ScriptRunResult result;
  std::vector<std::string> strings;
  strings.reserve(args.size() + 1);
  strings.push_back(platform::ToUtf8(interpreter));
  for (const std::wstring& a : args) strings.push_back(platform::ToUtf8(a));
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  Pipe out;
  Pipe err;
  if (!out.Open() || !err.Open()) {
    result.failure = L"cannot create a pipe: " + ErrorText(errno);
    return result;
  }
  FileActions actions;
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), out.write.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(actions.get(), err.write.get(), STDERR_FILENO);
  SpawnAttributes attr;
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv.front(), actions.get(), attr.get(), argv.data(), environ);
  out.write.Reset();
  err.write.Reset();
  if (rc != 0) {
    result.failure = L"cannot start " + interpreter + L": " + ErrorText(rc);
    return result;
  }
  const auto limit = Timeout();
  if (!Collect(out.read.get(), err.read.get(), std::chrono::steady_clock::now() + limit, &result)) {
    kill(-pid, SIGKILL);
    WaitForStatus(pid);
    result.failure = platform::Format(L"the script did not finish within %lld ms",
                                      static_cast<long long>(limit.count()));
    return result;
  }
  const int status = WaitForStatus(pid);
  if (status < 0)
    result.failure = L"lost the script's process";
  else if (WIFSIGNALED(status))
    result.failure = L"the script was ended by signal " + platform::FromInt(WTERMSIG(status));
  else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
    result.failure = L"the script exited with status " + platform::FromInt(WEXITSTATUS(status));
  return result;
}
