#pragma once
// One run of a program as a user starts it, for tests that judge the program by what it prints
// and by its exit status: its own process, private settings and log folders in the scratch
// folder, standard input from /dev/null, standard output and error kept in files.
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

class ProgramRun {
 public:
  // `environment` entries replace the test's own of the same name; a name without '=' removes
  // it. BRUNOX_CONFIG_DIR and XDG_STATE_HOME always point at the run's private folders.
  ProgramRun(std::string program, std::vector<std::string> args,
             std::vector<std::string> environment = {});
  // A process still running is killed.
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Before Start: standard output is a pipe whose reading end is closed already, as a reader
  // such as `head -1` leaves it once it has what it wants. Out() is then empty.
  void OutputToClosedPipe() { outputToClosedPipe_ = true; }
  // Before Start: the largest file the program may write, in bytes, as `ulimit -f` sets it.
  void LimitFileSize(rlim_t bytes) { fileSizeLimit_ = bytes; }

  // Fails the current test when the program cannot be started. The program starts with the
  // default actions of the signals a shell leaves at their defaults, whatever the test ignores.
  void Start();
  // The exit status; 128 + the signal number when a signal ended it; -1 when it still ran after
  // `limit` (the process is then killed).
  int Wait(std::chrono::steady_clock::duration limit = std::chrono::seconds(60));
  int Run() {
    Start();
    return Wait();
  }
  void Signal(int number);
  bool Running();
  // Waits until standard output (or error) holds `text`; false after `limit`.
  bool WaitForText(const std::string& text, bool inError,
                   std::chrono::steady_clock::duration limit = std::chrono::seconds(30));

  std::string Out() const;
  std::string Err() const;
  std::string Both() const { return "stdout:\n" + Out() + "stderr:\n" + Err(); }
  const std::string& ConfigFolder() const { return config_; }
  const std::string& StateFolder() const { return state_; }

 private:
  bool Overridden(const std::string& name) const;
  // True once the process has ended; its status is then in status_.
  bool Reaped();

  std::string program_;
  std::vector<std::string> args_;
  std::vector<std::string> environment_;
  std::string config_, state_, out_, err_;
  bool outputToClosedPipe_ = false;
  rlim_t fileSizeLimit_ = RLIM_INFINITY;
  pid_t pid_ = -1;
  int status_ = 0;
};

}  // namespace testsupport
