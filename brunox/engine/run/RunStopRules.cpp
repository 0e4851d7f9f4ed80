#include "brunox/engine/run/RunStopRules.h"

#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/ThreadInfo.h"
#include "platform/Text.h"

namespace {

// The number of a stop rule, or a text saying which rule lacks it in which key.
std::int64_t RuleNumber(const std::wstring& text, const wchar_t* rule, const wchar_t* key,
                        std::vector<std::wstring>* problems) {
  const std::int64_t number = platform::ToInt64(text);
  if (number <= 0)
    problems->push_back(
        platform::Format(L"The stop rule '%ls' needs a positive number in %ls; it is \"%ls\". The "
                         L"run did not start.",
                         rule, key, text.c_str()));
  return number;
}

}  // namespace

void RunStopRules::Load(const Project& project, int runMode) {
  problems_.clear();
  switch (runMode) {
    case 0:
      mode_ = Mode::kTogether;
      break;
    case 1:
      mode_ = Mode::kOneAfterAnother;
      break;
    case -1:
      mode_ = Mode::kGroups;
      break;
    default:
      mode_ = Mode::kTogether;
      problems_.push_back(platform::Format(L"Unknown run mode %d", runMode));
      break;
  }
  doType_ = project.DoType;
  stopOnError_ = project.StopOnError != 0;
  seconds_ = allTasks_ = atLeast_ = eachTimes_ = 0;
  const size_t before = problems_.size();
  switch (doType_) {
    case kRunSeconds:
      seconds_ =
          RuleNumber(project.Seconds, L"run for a number of seconds", L"Seconds", &problems_);
      break;
    case kRunEachTimes:
      eachTimes_ = RuleNumber(project.EachTasks, L"each thread runs a number of times",
                              L"EachTasks", &problems_);
      break;
    case kRunAllAtLeast:
      allTasks_ = RuleNumber(project.AllTasks, L"all threads together run a number of times",
                             L"AllTasks", &problems_);
      break;
    case kRunEachAtLeast:
      atLeast_ = RuleNumber(project.AtLeast, L"every thread runs at least a number of times",
                            L"AtLeast", &problems_);
      break;
    case kRunUntilStopped:
    case kRunByTaskCounts:
      break;  // until stopped, or each task's own count
    default: {
      // A mode without a rule would run until stopped, which no one who wrote it asked for.
      const std::wstring* text = project.UnreadDoType();
      const std::wstring written = text ? L"\"" + *text + L"\"" : platform::FromInt(doType_);
      problems_.push_back(platform::Format(
          L"The run mode in DoType must be a number from 0 to 5; it is %ls. The run did not start.",
          written.c_str()));
      break;
    }
  }
  canRun_ = problems_.size() == before;
}

bool RunStopRules::RunLimitReached(double seconds, std::int64_t attemptedRounds,
                                   const ThreadInfo* records, int count) const {
  switch (doType_) {
    case kRunSeconds:
      // The exact time, not the rounded Elapsed, which would end a run half a second early.
      return seconds >= static_cast<double>(seconds_);
    case kRunAllAtLeast:
      return attemptedRounds >= allTasks_;
    case kRunEachAtLeast:
      for (int i = 0; i < count; ++i) {
        // A worker that has ended (a failed connect, StopOnError) will not get further; waiting
        // for it would keep the others running for ever.
        if (records[i].Execs + records[i].FailedRounds < atLeast_ && !records[i].Ended)
          return false;
      }
      return true;
    default:
      return false;  // the workers end by themselves (counts) or by the user
  }
}

bool RunStopRules::RoundAllowed(const Task& task, std::int64_t round) const {
  if (doType_ == kRunByTaskCounts && task.ExecCntr >= 1 && round > task.ExecCntr) return false;
  if (doType_ == kRunEachTimes && round > eachTimes_) return false;
  return true;
}

bool RunStopRules::StopRequested(const std::atomic<int>& runStop, const ThreadInfo& record) {
  return runStop != 0 || record.Stop != 0;
}
