#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "platform/Text.h"

extern char** environ;

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

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

// The caller's environment with the request's variables put in (a name already there is
// replaced), as "NAME=value" strings kept alive while posix_spawn reads them. Without changes it
// is the caller's environment itself.
class EnvironmentBlock {
 public:
  explicit EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    if (changes.empty()) return;
    for (char** e = environ; e && *e; ++e) strings_.emplace_back(*e);
    for (const auto& [name, value] : changes) {
      const std::string prefix = ToUtf8(name) + "=";
      std::string entry = prefix + ToUtf8(value);
      auto same = std::find_if(strings_.begin(), strings_.end(), [&](const std::string& s) {
        return s.compare(0, prefix.size(), prefix) == 0;
      });
      if (same != strings_.end())
        *same = std::move(entry);
      else
        strings_.push_back(std::move(entry));
    }
    for (std::string& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  char* const* envp() { return pointers_.empty() ? environ : pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

// Spawn attributes that give the child a clean start: no blocked signals, and the signals this
// process may ignore (a broken pipe, a file grown past its size limit) back at their default
// actions, as ignored signals otherwise stay ignored across exec.
class CleanSpawnAttributes {
 public:
  enum class Group { Ours, OwnGroup, OwnSession };

  explicit CleanSpawnAttributes(Group group) {
    posix_spawnattr_init(&attr_);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr_, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGXFSZ, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP})
      sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr_, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    // A detached program must survive the terminal's Ctrl+C aimed at us.
    if (group == Group::OwnSession) flags |= POSIX_SPAWN_SETSID;
    // A group of its own lets a timeout end the program together with whatever it started.
    if (group == Group::OwnGroup) {
      posix_spawnattr_setpgroup(&attr_, 0);
      flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attr_, flags);
  }
  ~CleanSpawnAttributes() { posix_spawnattr_destroy(&attr_); }
  CleanSpawnAttributes(const CleanSpawnAttributes&) = delete;
  CleanSpawnAttributes& operator=(const CleanSpawnAttributes&) = delete;
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_;
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

// One pipe, both ends close-on-exec so that programs other threads start meanwhile do not hold
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

// English, whatever the process locale, and safe from any thread.
std::wstring ErrorText(int code) {
  const char* text = strerrordesc_np(code);
  return text ? FromUtf8(text) : L"error " + FromInt(code);
}

int ExitCode(int status, int* signal) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) {
    if (signal) *signal = WTERMSIG(status);
    return 128 + WTERMSIG(status);
  }
  return -1;
}

int WaitForExit(pid_t pid, int* signal = nullptr) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return ExitCode(status, signal);
}

// Waits for the child until `deadline`; false when it is still running then.
bool WaitForExitUntil(pid_t pid, Clock::time_point deadline, int* exitCode, int* signal) {
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      *exitCode = ExitCode(status, signal);
      return true;
    }
    if (done < 0 && errno != EINTR) {
      *exitCode = -1;
      return true;
    }
    const auto now = Clock::now();
    if (now >= deadline) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

// Appends what `fd` has to `sink` up to `limit` bytes (the rest is dropped); false at the end of
// the stream.
bool Drain(int fd, std::string* sink, std::size_t limit) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    const std::size_t room = limit - std::min(sink->size(), limit);
    sink->append(buffer, std::min(room, static_cast<std::size_t>(n)));
    return true;
  }
}

// Reads the streams until all have ended or the deadline passes; false on the deadline.
bool Collect(std::vector<pollfd> fds, const std::vector<std::string*>& sinks, std::size_t limit,
             std::optional<Clock::time_point> deadline) {
  std::size_t open = fds.size();
  while (open > 0) {
    int wait = -1;
    if (deadline) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
      if (left.count() <= 0) return false;
      // Rounded up, so that a wait never ends just before the deadline and spins.
      wait = static_cast<int>(std::min<long long>(left.count() + 1, 1000));
    }
    const int ready = poll(fds.data(), fds.size(), wait);
    if (ready < 0 && errno != EINTR) return false;
    for (std::size_t k = 0; k < fds.size() && ready > 0; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      if (!Drain(fds[k].fd, sinks[k], limit)) {
        fds[k].fd = -1;
        --open;
      }
    }
  }
  return true;
}

// A working folder the child cannot enter gives a text that names it; posix_spawn alone would
// report the same "No such file" as a missing program.
std::wstring WorkingFolderError(const std::wstring& folder) {
  struct stat info {};
  const std::string native = ToUtf8(folder);
  int code = 0;
  if (stat(native.c_str(), &info) != 0)
    code = errno;
  else if (!S_ISDIR(info.st_mode))
    code = ENOTDIR;
  else if (access(native.c_str(), X_OK) != 0)
    code = errno;
  return code ? L"working folder '" + folder + L"': " + ErrorText(code) : std::wstring();
}

}  // namespace

ProcessResult RunProcess(const ProcessRequest& request) {
  ProcessResult result;
  if (!request.workingFolder.empty()) {
    result.startError = WorkingFolderError(request.workingFolder);
    if (!result.startError.empty()) return result;
  }
  Pipe out;
  Pipe err;
  if (!out.Open() || (!request.mergeErrors && !err.Open())) {
    result.startError = ErrorText(errno);
    return result;
  }
  FileActions actions;
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), out.write.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(
      actions.get(), request.mergeErrors ? out.write.get() : err.write.get(), STDERR_FILENO);
  const std::string folder = ToUtf8(request.workingFolder);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(actions.get(), folder.c_str());

  const bool limited = request.timeout.count() >= 0;
  CleanSpawnAttributes attr(limited ? CleanSpawnAttributes::Group::OwnGroup
                                    : CleanSpawnAttributes::Group::Ours);
  ArgumentVector argv(request.program, request.args);
  EnvironmentBlock env(request.environment);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int rc =
      posix_spawnp(&pid, argv.file(), actions.get(), attr.get(), argv.argv(), env.envp());
  out.write.Reset();
  err.write.Reset();
  if (rc != 0) {
    result.startError = ErrorText(rc);
    return result;
  }
  result.started = true;

  std::vector<pollfd> fds{{out.read.get(), POLLIN, 0}};
  std::vector<std::string*> sinks{&result.output};
  if (!request.mergeErrors) {
    fds.push_back({err.read.get(), POLLIN, 0});
    sinks.push_back(&result.errors);
  }
  std::optional<Clock::time_point> deadline;
  if (limited) deadline = start + request.timeout;
  if (Collect(std::move(fds), sinks, request.outputLimit, deadline)) {
    if (!deadline) {
      result.exitCode = WaitForExit(pid, &result.signal);
      return result;
    }
    // The streams can end before the program does (it may close them and go on).
    if (WaitForExitUntil(pid, *deadline, &result.exitCode, &result.signal)) return result;
  }
  // Time is up. The group goes, so that a child of the program that holds our pipes cannot
  // outlive the call.
  result.timedOut = true;
  kill(-pid, SIGKILL);
  result.exitCode = WaitForExit(pid, &result.signal);
  return result;
}

bool SpawnDetached(const std::wstring& program, const std::vector<std::wstring>& args,
                   std::wstring* error, std::function<void(int exitCode)> onExit) {
  // The thread that starts the child stays to reap it whenever it ends (when this process ends
  // first, init inherits and reaps it), so no zombie can stay. Starting from that thread means a
  // thread that cannot be created leaves no child behind either.
  auto started = std::make_shared<std::promise<int>>();
  std::future<int> result = started->get_future();
  try {
    std::thread([program, args, started, onExit = std::move(onExit)] {
      ArgumentVector argv(program, args);
      CleanSpawnAttributes attr(CleanSpawnAttributes::Group::OwnSession);
      pid_t pid = 0;
      const int rc = posix_spawnp(&pid, argv.file(), nullptr, attr.get(), argv.argv(), environ);
      started->set_value(rc);
      if (rc != 0) return;
      const int exitCode = WaitForExit(pid);
      if (onExit) onExit(exitCode);
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
  ProcessRequest request;
  request.program = program;
  request.args = args;
  request.mergeErrors = true;
  ProcessResult run = RunProcess(request);
  if (output) *output = std::move(run.output);
  return run.started ? run.exitCode : -1;
}

}  // namespace platform
