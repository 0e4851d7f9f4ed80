// Statistics of a run: a ring of kStatPeriods periods for up to kStatSeries series (tasks, or the
// first threads of the step), and one sample of every enabled performance counter per period.
#include <algorithm>
#include <ctime>
#include <vector>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/run/PerfCounters.h"
#include "brunox/engine/project/Project.h"
#include "mervis/Log.h"
#include "platform/Text.h"

namespace {

std::wstring LocalClockText() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  if (!localtime_r(&now, &t)) return L"";
  return platform::Format(L"%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
}

}  // namespace

void BrunoxRunner::UpdateStat() {
  // No event pumping here: this is the master thread, and only the window's thread may pump.
  ++Tick;
  if (++RingIndex >= kStatPeriods) RingIndex = 0;
  if (ThreadsOfStep > kMaxThreads) {
    CLog::Bug(platform::Format(L"Wrong iTrCounter value [%d vs %d]", ThreadsOfStep, kMaxThreads),
              L"BrunoxRunner::UpdateStat", __FILE__, __LINE__);
    return;
  }
  const Project& project = *RunProject;
  const int period = StatPeriod > 0 ? StatPeriod : 1;
  auto scaled = [&](int executions) {
    return project.StatPerPeriod == 0 ? executions / period : executions;
  };
  auto store = [&](int series, int executions) {
    const int value = scaled(executions);
    Ring[series][RingIndex] = value - Last[series];
    Last[series] = value;
  };

  const int count = StepRecordCount();
  if (project.StatByTask) {
    // A task's series is its place among the active tasks, as StatSeriesCount counts them: with
    // an inactive task before the active ones its index in the project would be one too high.
    std::vector<int> seriesOf(project.Tasks.size(), -1);
    int active = 0;
    for (size_t t = 0; t < project.Tasks.size(); ++t)
      if (project.Tasks[t].isActive) seriesOf[t] = active++;
    int sums[kStatSeries] = {};
    bool present[kStatSeries] = {};
    for (int i = StepFirst; i < StepFirst + count; ++i) {
      const ThreadInfo& record = threadInfos_[i];
      if (record.TaskIndex < 0 || static_cast<size_t>(record.TaskIndex) >= seriesOf.size()) continue;
      const int series = seriesOf[static_cast<size_t>(record.TaskIndex)];
      if (series < 0 || series >= kStatSeries) continue;
      sums[series] += static_cast<int>(record.Execs);
      present[series] = true;
    }
    for (int series = 0; series < kStatSeries; ++series)
      if (present[series]) store(series, sums[series]);
  } else {
    for (int i = 0; i < std::min(count, kStatSeries); ++i) store(i, threadInfos_[StepFirst + i].Execs);
  }

  bool anyCounter = false;
  for (const PerfCounterSlot& slot : project.Counters) anyCounter = anyCounter || slot.Enabled;
  if (anyCounter) {
    if (CounterSet->Collect() == 0) {
      // The statement log reads the latest samples under the same lock.
      std::lock_guard lock(locks_[kLockStatementLog]);
      RunProject->Counters[0].Times.push_back(LocalClockText());
      int id = 0;
      for (PerfCounterSlot& slot : RunProject->Counters) {
        if (!slot.Enabled) continue;
        slot.Samples.push_back(static_cast<uint32_t>(CounterSet->GetValue(id, Tick < 2 ? 1 : 0)));
        ++id;
      }
    } else {
      CLog::Bug(L"Counters collection error:", CounterSet->LastError(), __FILE__, __LINE__);
    }
  }
  Notify(kRunStatisticsReady, Elapsed, 0);
  LastStat = Elapsed;
}

int BrunoxRunner::GetStatValue(int series, int period) const {
  const int p = period == -1 ? Tick : period;
  if (series < 0 || series >= kStatSeries || p < 0) return 0;
  return Ring[series][p % kStatPeriods];
}

int BrunoxRunner::StatSeriesCount() const {
  int count = ThreadsOfStep;
  if (RunProject && RunProject->StatByTask) {
    count = 0;
    for (const Task& task : RunProject->Tasks) count += task.isActive ? 1 : 0;
  }
  return std::clamp(count, 0, kStatSeries);
}
