// The master thread's watch over a step: every 50 ms progress, the stop rules and statistics,
// until the last worker of the step has ended or, long after a stop, is left behind.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <vector>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
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
    // Thousands of short-lived workers would otherwise keep their stacks to the end of the run.
    JoinEndedWorkers();
    Elapsed = static_cast<int>(std::lround(Timer.Seconds()));
    Notify(kRunProgress, Elapsed, static_cast<int>(std::min<std::int64_t>(TotalExecs, INT32_MAX)));
    ApplyStopRules();
    CancelLateStatements();
    if (LeaveLateWorkersBehind()) break;
    if (Elapsed != 0 && StatPeriod != 0 && Elapsed - LastStat >= StatPeriod) UpdateStat();
  }
  CLog::State(nullptr);
}

int BrunoxRunner::StepRecordCount() const {
  return std::clamp(ThreadsOfStep, 0, std::max(0, ThreadsStarted.load() - StepFirst));
}

void BrunoxRunner::ApplyStopRules() {
  const int count = StepRecordCount();
  if (stopRules_.RunLimitReached(Timer.Seconds(), TotalExecs + FailedRounds,
                                 threadInfos_.get() + StepFirst, count))
    Stop = 1;
}

void BrunoxRunner::CancelLateStatements() {
  if (!Stop) return;
  const double now = Timer.Seconds();
  if (stopSeenAt_ < 0) stopSeenAt_ = now;
  if (now - stopSeenAt_ < RunStopRules::kCancelGraceSeconds) return;
  if (lastCancelAt_ >= 0 && now - lastCancelAt_ < RunStopRules::kCancelRepeatSeconds) return;
  lastCancelAt_ = now;
  stopCancelled_ = true;
  int cancelled = 0;
  const int used = ThreadsStarted;
  for (int i = 0; i < used; ++i)
    if (!threadInfos_[i].Ended && threadInfos_[i].CancelStatement()) ++cancelled;
  if (cancelled > 0)
    CLog::State2(platform::Format(L"Stop: %d statements still running were cancelled", cancelled));
}

bool BrunoxRunner::LeaveLateWorkersBehind() {
  // A stop usually ends every worker within a round; one second is long enough to be worth
  // telling.
  constexpr double kTellAfterSeconds = 1.0;
  if (!Stop || stopSeenAt_ < 0) return false;
  const double waited = Timer.Seconds() - stopSeenAt_;
  if (waited < kTellAfterSeconds) return false;
  {
    std::lock_guard lock(liveMutex_);
    stopWaitsFor_ = liveWorkers_;
  }
  if (stopWaitsFor_ == 0 ||
      waited < RunStopRules::kCancelGraceSeconds + kAbandonAfterCancelSeconds)
    return false;
  std::vector<int> inside;
  int waiting = 0;  // queued to connect behind a connect that does not return
  const int used = ThreadsStarted;
  for (int i = 0; i < used; ++i) {
    ThreadInfo& record = threadInfos_[i];
    if (record.Ended) continue;
    record.Abandoned = true;
    if (record.WaitingToConnect)
      ++waiting;
    else
      inside.push_back(i);
  }
  if (inside.empty() && waiting == 0) return false;
  leftBehind_ = true;
  stopWaitsFor_ = 0;
  std::wstring text = platform::Format(
      L"%d threads had not returned from a database call %d s after the stop (%d s after their "
      L"statements were cancelled); the run ended without them: ",
      static_cast<int>(inside.size()),
      static_cast<int>(RunStopRules::kCancelGraceSeconds + kAbandonAfterCancelSeconds),
      static_cast<int>(kAbandonAfterCancelSeconds));
  text += NameThreads(inside);
  if (waiting > 0)
    text += platform::Format(L". %d more threads were still waiting for their turn to connect.",
                             waiting);
  ReportRunError(text);
  return true;
}

void BrunoxRunner::EndStep() {
  JoinEndedWorkers();
  workerStacks_.HandBackJoined(true);  // the next step's threads take new stacks
  stepOpen_ = false;
}
