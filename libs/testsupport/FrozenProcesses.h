#pragma once
// Server processes stopped with SIGSTOP answer nothing, not even a cancel; they go on again when
// the test ends, whatever happened, so that the server can stop.
#include <signal.h>
#include <sys/types.h>

#include <vector>

namespace testsupport {

class FrozenProcesses {
 public:
  FrozenProcesses() = default;
  ~FrozenProcesses() { Thaw(); }
  FrozenProcesses(const FrozenProcesses&) = delete;
  FrozenProcesses& operator=(const FrozenProcesses&) = delete;

  // False when the process cannot be stopped from here.
  bool Freeze(pid_t pid) {
    if (::kill(pid, SIGSTOP) != 0) return false;
    pids_.push_back(pid);
    return true;
  }
  void Thaw() {
    for (const pid_t pid : pids_) ::kill(pid, SIGCONT);
    pids_.clear();
  }
  bool Any() const { return !pids_.empty(); }

 private:
  std::vector<pid_t> pids_;
};

}  // namespace testsupport
