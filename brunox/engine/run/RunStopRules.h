#pragma once
// Every decision about when a run, a step or a worker stops, in one place: the run mode, the
// project's stop rule (DoType) with its number, the tasks' execution counts, the stop flags and
// what happens after a failed round. The master thread asks after every 50 ms wait, each worker
// before every round.
//
// Load reads the project once per run, so that the workers do not parse the limit texts with
// every round and every thread sees the same numbers.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class Project;
struct Task;
struct ThreadInfo;

class RunStopRules {
 public:
  enum class Mode { kTogether, kOneAfterAnother, kGroups };
  // After the run has been told to stop, a statement still running this long is cancelled.
  static constexpr double kCancelGraceSeconds = 5.0;
  // After that, it is cancelled again this often, until its worker notices.
  static constexpr double kCancelRepeatSeconds = 1.0;

  // Reads `project`'s stop rule and `runMode` (BrunoxRunner::RunMode). Problems() lists what is
  // wrong with them, one text each.
  void Load(const Project& project, int runMode);
  const std::vector<std::wstring>& Problems() const { return problems_; }
  // False when DoType is no run mode (0 to 5) or its stop rule lacks its number: such a run
  // would end at once or never.
  bool CanRun() const { return canRun_; }
  // An unknown run mode runs all tasks together.
  Mode RunMode() const { return mode_; }

  // Master thread: true when the project's stop rule says the run is over. `attemptedRounds`
  // are the rounds of all threads so far, executed or failed: the rules that count rounds count
  // both, or a run whose every round fails would never end. `records` are the threads of the
  // current step.
  bool RunLimitReached(double seconds, std::int64_t attemptedRounds, const ThreadInfo* records,
                       int count) const;
  // Worker: true when round `round` (from 1) of a thread of `task` may begin.
  bool RoundAllowed(const Task& task, std::int64_t round) const;
  // Worker: true when its thread ends after a failed round (StopOnError) rather than going on.
  bool EndAfterFailedRound() const { return stopOnError_; }
  // A stop flag is set: the run's (a stop rule, the user, a value-file shortage) or the thread's.
  static bool StopRequested(const std::atomic<int>& runStop, const ThreadInfo& record);

 private:
  Mode mode_ = Mode::kTogether;
  int doType_ = 0;
  std::int64_t seconds_ = 0;
  std::int64_t allTasks_ = 0;
  std::int64_t atLeast_ = 0;
  std::int64_t eachTimes_ = 0;
  bool stopOnError_ = false;
  bool canRun_ = true;
  std::vector<std::wstring> problems_;
};
