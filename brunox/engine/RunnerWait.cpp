// The master thread's watch over a step: every 50 ms progress, the stop rules and statistics,
// until the last worker of the step has ended.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/Project.h"
#include "mervis/Log.h"
#include "platform/Text.h"

void BrunoxRunner::WaitThreads() {
  CLog::State(L"BrunoxRunner::WaitThreads");
  StatPeriod = RunProject->StatPeriod;
  if (RunProject->LogLevel == 1)
    CLog::State2(platform::Format(L"WaitThread: MAX_WO=%d, TIsize=%d", kWaitBlock,
                                  ThreadsStarted.load()));
  for (;;) {
    if (ThreadsStarted == 0) break;
    {
      std::unique_lock lock(liveMutex_);
      // Wakes early when the last worker ends, so a short step does not wait out the slice.
      if (liveChanged_.wait_for(lock, std::chrono::milliseconds(50),
                                [this] { return liveWorkers_ == 0; }))
        break;
    }
    Elapsed = static_cast<int>(std::lround(Timer.Seconds()));
    Notify(kRunProgress, Elapsed, TotalExecs);
    ApplyStopRules();
    if (Elapsed != 0 && StatPeriod != 0 && Elapsed - LastStat >= StatPeriod) UpdateStat();
  }
  CLog::State(nullptr);
}

int BrunoxRunner::StepRecordCount() const {
  return std::clamp(ThreadsOfStep, 0, std::max(0, ThreadsStarted.load() - StepFirst));
}

void BrunoxRunner::ApplyStopRules() {
  switch (RunProject->DoType) {
    case kRunSeconds:
      // The exact time, not the rounded Elapsed, which would end a run half a second early.
      if (Timer.Seconds() >= platform::ToInt(RunProject->Seconds)) Stop = 1;
      break;
    case kRunAllAtLeast:
      if (TotalExecs >= platform::ToInt(RunProject->AllTasks)) Stop = 1;
      break;
    case kRunEachAtLeast: {
      const int atLeast = platform::ToInt(RunProject->AtLeast);
      const int count = StepRecordCount();
      bool reached = true;
      for (int i = StepFirst; i < StepFirst + count && reached; ++i) {
        const ThreadInfo& record = threadInfos_[i];
        // A worker that has ended (a failed connect, StopOnError) will not get further; waiting
        // for it would keep the others running for ever.
        if (record.Execs < atLeast && !record.Ended) reached = false;
      }
      if (reached) Stop = 1;
      break;
    }
    default:
      break;  // the workers end by themselves (counts) or by the user
  }
}

void BrunoxRunner::EndStep() {
  const int used = ThreadsStarted;
  for (int i = 0; i < used; ++i) {
    ThreadInfo& record = threadInfos_[i];
    if (record.Joinable && record.Ended) {
      pthread_join(record.Thread, nullptr);
      record.Joinable = false;
    }
  }
  stepOpen_ = false;
}
