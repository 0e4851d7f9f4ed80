#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

#include "platform/Text.h"

extern char** environ;

namespace platform {

namespace {

// The argument vector as UTF-8, kept alive while posix_spawn reads it.
class ArgumentVector {
 public:
  ArgumentVector(const std::wstring& program, const std::vector<std::wstring>& args) {
    strings_.reserve(args.size() + 1);
    strings_.push_back(ToUtf8(program));
    for (const std::wstring& a : args) strings_.push_back(ToUtf8(a));
    for (std::string& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  const char* file() const { return strings_.front().c_str(); }
  char* const* argv() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

// Spawn attributes that give the child a clean start: no blocked signals, and the signals this
// process may ignore (a broken pipe, for one) back at their default actions.
class CleanSpawnAttributes {
 public:
  explicit CleanSpawnAttributes(bool ownSession) {
    posix_spawnattr_init(&attr_);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr_, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr_, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    // A detached program must survive the terminal's Ctrl+C aimed at us.
    if (ownSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attr_, flags);
  }
  ~CleanSpawnAttributes() { posix_spawnattr_destroy(&attr_); }
  CleanSpawnAttributes(const CleanSpawnAttributes&) = delete;
  CleanSpawnAttributes& operator=(const CleanSpawnAttributes&) = delete;
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_;
};

// English, whatever the process locale, and safe from any thread.
std::wstring ErrorText(int code) {
  const char* text = strerrordesc_np(code);
  return text ? FromUtf8(text) : L"error " + FromInt(code);
}

int WaitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

bool SpawnDetached(const std::wstring& program, const std::vector<std::wstring>& args,
                   std::wstring* error) {
  // The thread that starts the child stays to reap it whenever it ends (when this process ends
  // first, init inherits and reaps it), so no zombie can stay. Starting from that thread means a
  // thread that cannot be created leaves no child behind either.
  auto started = std::make_shared<std::promise<int>>();
  std::future<int> result = started->get_future();
  try {
    std::thread([program, args, started] {
      ArgumentVector argv(program, args);
      CleanSpawnAttributes attr(true);
      pid_t pid = 0;
      const int rc = posix_spawnp(&pid, argv.file(), nullptr, attr.get(), argv.argv(), environ);
      started->set_value(rc);
      if (rc == 0) WaitForExit(pid);
    }).detach();
  } catch (const std::exception&) {
    if (error) *error = L"cannot start " + program + L": no thread available to watch it";
    return false;
  }
  const int rc = result.get();
  if (rc != 0) {
    if (error) *error = L"cannot start " + program + L": " + ErrorText(rc);
    return false;
  }
  return true;
}

int RunAndWait(const std::wstring& program, const std::vector<std::wstring>& args,
               std::string* output) {
  if (output) output->clear();
  ArgumentVector argv(program, args);
  CleanSpawnAttributes attr(false);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Close-on-exec so that programs other threads start meanwhile do not hold the write end open
  // and keep us from seeing the end of the output.
  int pipeFds[2] = {-1, -1};
  if (output) {
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
      posix_spawn_file_actions_destroy(&actions);
      return -1;
    }
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  }
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv.file(), &actions, attr.get(), argv.argv(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) close(pipeFds[1]);
  if (rc != 0) {
    if (output) close(pipeFds[0]);
    return -1;
  }
  if (output) {
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      output->append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
  }
  return WaitForExit(pid);
}

}  // namespace platform
