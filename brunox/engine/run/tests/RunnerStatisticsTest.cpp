// The statistics ring and the counter samples. The ring arithmetic is driven directly with
// prepared records, where the timing of a real run would make the counts vary.
#include "RunnerTestSupport.h"
#include "mervis/Log.h"
#include "platform/Text.h"

namespace runnertest {
namespace {

class Statistics : public ::testing::Test {
 protected:
  void SetUp() override {
    project_.Callback = recorder_.Callback();
    project_.StatPeriod = 5;
    runner_->RunProject = &project_;
    runner_->StatPeriod = 5;
  }
  void TearDown() override { runner_->ThreadsStarted = 0; }
  // Threads of the step with their task index and executions so far.
  void Threads(const std::vector<std::pair<int, int>>& taskAndExecs) {
    for (size_t i = 0; i < taskAndExecs.size(); ++i) {
      ThreadInfo& record = runner_->Record(static_cast<int>(i));
      record.Reset();
      record.TaskIndex = taskAndExecs[i].first;
      record.Execs = taskAndExecs[i].second;
    }
    runner_->ThreadsStarted = static_cast<int>(taskAndExecs.size());
    runner_->ThreadsOfStep = static_cast<int>(taskAndExecs.size());
  }
  void Tasks(int active, int inactive) {
    project_.Tasks.assign(active + inactive, Task());
    for (int i = active; i < active + inactive; ++i) project_.Tasks[i].isActive = 0;
  }
  std::vector<int> Latest() {
    std::vector<int> values;
    for (int s = 0; s < BrunoxRunner::kStatSeries; ++s) values.push_back(runner_->GetStatValue(s, -1));
    return values;
  }
  Project project_;
  EventRecorder recorder_;
  std::unique_ptr<BrunoxRunner> runner_ = std::make_unique<BrunoxRunner>();
};

TEST_F(Statistics, ExecutionsPerSecondOfTheFirstThreads) {
  Threads({{0, 50}, {0, 10}, {1, 4}, {1, 0}, {2, 100}, {2, 500}});
  runner_->Elapsed = 5;
  runner_->UpdateStat();
  EXPECT_EQ((std::vector<int>{10, 2, 0, 0, 20}), Latest()) << "50 executions in 5 s show 10";
  EXPECT_EQ(0, runner_->Tick);
  EXPECT_EQ(5, runner_->LastStat);
  ASSERT_EQ(1, recorder_.Count(kRunStatisticsReady));
  EXPECT_EQ(5, recorder_.Events(kRunStatisticsReady)[0].a);

  // The ring holds what each period added.
  runner_->Record(0).Execs = 100;
  runner_->Record(1).Execs = 12;
  runner_->UpdateStat();
  EXPECT_EQ((std::vector<int>{10, 0, 0, 0, 0}), Latest());
  EXPECT_EQ(2, runner_->GetStatValue(1, 0)) << "the first period is kept";
  EXPECT_EQ(5, runner_->StatSeriesCount());
}

TEST_F(Statistics, ExecutionsPerPeriod) {
  project_.StatPerPeriod = 1;
  Threads({{0, 50}, {0, 7}});
  runner_->UpdateStat();
  EXPECT_EQ((std::vector<int>{50, 7, 0, 0, 0}), Latest());
  EXPECT_EQ(2, runner_->StatSeriesCount());
}

TEST_F(Statistics, SeriesByTaskStopAtFive) {
  project_.StatByTask = 1;
  project_.StatPerPeriod = 1;
  Tasks(7, 2);
  Threads({{0, 1}, {0, 2}, {1, 10}, {2, 0}, {3, 4}, {3, 4}, {3, 4}, {4, 9}, {5, 100}, {6, 100}});
  runner_->UpdateStat();
  EXPECT_EQ((std::vector<int>{3, 10, 0, 12, 9}), Latest());
  EXPECT_EQ(5, runner_->StatSeriesCount()) << "seven active tasks, five series";
  Tasks(3, 4);
  EXPECT_EQ(3, runner_->StatSeriesCount()) << "inactive tasks are no series";
}

// The graph draws StatSeriesCount series from 0: a task's series is its place among the active
// tasks, whatever inactive tasks come before it.
TEST_F(Statistics, SeriesByTaskFollowTheActiveTasksOnly) {
  project_.StatByTask = 1;
  project_.StatPerPeriod = 1;
  project_.Tasks.assign(3, Task());
  project_.Tasks[0].isActive = 0;
  Threads({{1, 4}, {1, 6}, {2, 7}});
  runner_->UpdateStat();
  EXPECT_EQ(2, runner_->StatSeriesCount());
  EXPECT_EQ((std::vector<int>{10, 7, 0, 0, 0}), Latest());
}

TEST_F(Statistics, TheRingWrapsAfterFiftyPeriods) {
  project_.StatPerPeriod = 1;
  Threads({{0, 0}});
  for (int period = 0; period <= 50; ++period) {
    runner_->Record(0).Execs = runner_->Record(0).Execs + period + 1;
    runner_->UpdateStat();
  }
  EXPECT_EQ(50, runner_->Tick);
  EXPECT_EQ(51, runner_->GetStatValue(0, -1));
  EXPECT_EQ(51, runner_->GetStatValue(0, 0)) << "period 50 took the slot of period 0";
  EXPECT_EQ(2, runner_->GetStatValue(0, 1));
  EXPECT_EQ(0, runner_->GetStatValue(5, -1));
  EXPECT_EQ(0, runner_->GetStatValue(-1, 0));
}

TEST_F(Statistics, NothingBeforeTheFirstPeriod) {
  EXPECT_EQ(-1, runner_->Tick);
  EXPECT_EQ(0, runner_->GetStatValue(0, -1));
}

TEST_F(Statistics, AnImpossibleThreadCountIsLoggedAndSkipped) {
  runner_->ThreadsOfStep = BrunoxRunner::kMaxThreads + 1;
  runner_->UpdateStat();
  EXPECT_EQ(0, recorder_.Count(kRunStatisticsReady));
  EXPECT_NE(std::wstring::npos, CLog::GetLastRows().find(L"Wrong iTrCounter value [10241 vs 10240]"));
  runner_->ThreadsOfStep = 0;
}

// A real run: a period every second with a counter sample each, in the statement log too.
TEST_F(RunnerTest, StatisticsAndCounterSamplesDuringARun) {
  project_.DoType = kRunSeconds;
  project_.Seconds = L"3";
  project_.StatPeriod = 1;
  project_.SQLFile = folder_ + L"/log.txt";
  project_.pcIsSQL = 1;
  PerfCounterSlot& slot = project_.Counters[2];
  slot.Enabled = 1;
  slot.Name = L"\\Memory\\Available KBytes";
  slot.Title = L"Free KB";
  Task& task = AddTask(L"select", L"select 1", 2, 1);
  task.Delay = task.DelayMax = 20;
  RunProject();
  const int periods = recorder_.Count(kRunStatisticsReady);
  EXPECT_GE(periods, 2);
  EXPECT_EQ(periods, runner_->Tick + 1);
  EXPECT_EQ(static_cast<size_t>(periods), slot.Samples.size());
  EXPECT_EQ(static_cast<size_t>(periods), project_.Counters[0].Times.size())
      << "slot 0 keeps the times of every slot";
  for (uint32_t sample : slot.Samples) EXPECT_GT(sample, 0u);
  EXPECT_GT(runner_->GetStatValue(0, 0), 0);
  EXPECT_GE(recorder_.Count(kRunProgress), 40) << "progress every 50 ms";

  // Lines written after the first sample carry it as a last column.
  const auto lines = CrLfLines(Utf16File(project_.SQLFile));
  ASSERT_GT(lines.size(), 2u);
  EXPECT_TRUE(platform::EndsWith(lines[0], L"\tTimestamp\tFree KB"));
  const auto last = platform::Split(lines.back(), L'\t');
  ASSERT_EQ(9u, last.size());
  EXPECT_GT(platform::ToInt(last[8]), 0);
}

}  // namespace
}  // namespace runnertest
