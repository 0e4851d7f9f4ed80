// The statistics graph, drawn from a runner whose statistics periods the tests take one by one
// through the runner's own UpdateStat.
#include <gtest/gtest.h>

#include <QApplication>
#include <functional>
#include <memory>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/run/PageGraph.h"
#include "testsupport/Screenshot.h"
#include "tirun/Tirun.h"

namespace {

class PageGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedRunner_ = g_runner;
    runner_ = std::make_unique<BrunoxRunner>();
    g_runner = runner_.get();
  }
  void TearDown() override {
    g_runner = savedRunner_;
    g_settings = savedSettings_;
  }

  // A run of `series` series that has taken no period yet: one task per series with one thread
  // each (byTask), or one task with `series` threads.
  void StartRun(int series, bool byTask) {
    project_ = Project();
    project_.StatByTask = byTask ? 1 : 0;
    project_.StatPerPeriod = 1;
    project_.StatPeriod = 1;
    project_.Tasks.resize(byTask ? series : 1);
    BrunoxRunner& runner = *runner_;
    runner.RunProject = &project_;
    runner.Tick = -1;
    runner.RingIndex = -1;
    for (int s = 0; s < BrunoxRunner::kStatSeries; ++s) runner.Last[s] = 0;
    runner.StepFirst = 0;
    runner.ThreadsOfStep = series;
    runner.ThreadsStarted = series;
    for (int i = 0; i < series; ++i) {
      runner.Record(i).TaskIndex = byTask ? i : 0;
      runner.Record(i).ThreadNo = byTask ? 0 : i;
      runner.Record(i).Execs = 0;
    }
  }

  // Takes `count` periods; in period p series s executes executions(s, p) rounds.
  void TakePeriods(int count, const std::function<int(int, int)>& executions) {
    for (int i = 0; i < count; ++i) {
      const int period = runner_->Tick + 1;
      for (int s = 0; s < runner_->ThreadsOfStep; ++s)
        runner_->Record(s).Execs += executions(s, period);
      runner_->UpdateStat();
    }
  }

  // Uses settings with the given statistics keys for the rest of the test.
  void UseSettings(int statByTask, int statPerPeriod) {
    settings_ = std::make_unique<CSettings>();
    settings_->setInt(kStoreMain, L"StatByTask", statByTask);
    settings_->setInt(kStoreMain, L"StatPerPeriod", statPerPeriod);
    g_settings = settings_.get();
  }

  static std::vector<ChartValue> ValuesOf(const CTirun& chart, int group) {
    std::vector<ChartValue> values;
    for (const ChartValue& value : chart.Values())
      if (value.group == group) values.push_back(value);
    return values;
  }

  std::unique_ptr<BrunoxRunner> runner_;
  Project project_;
  std::unique_ptr<CSettings> settings_;

 private:
  BrunoxRunner* savedRunner_ = nullptr;
  CSettings* savedSettings_ = g_settings;
};

TEST_F(PageGraphTest, IsSetUpWithTheDefaultSettingsWhenThereAreNone) {
  g_settings = nullptr;
  PageGraph page;
  const CTirun& chart = page.Chart();
  EXPECT_EQ(QStringLiteral("     Graphics"), page.Caption());
  ASSERT_EQ(2, chart.AxisCount());
  EXPECT_EQ(L"Iterations per interval", chart.Axis(CTirun::kValueAxis).title);
  const AxisInfo periods = chart.Axis(CTirun::kHorizontalAxis);
  EXPECT_EQ(L"Interval", periods.title);
  EXPECT_EQ(0, periods.min);
  EXPECT_EQ(50, periods.max);
  EXPECT_EQ(CTirun::kLineChart, chart.Kind());
  EXPECT_EQ(L"Task #1", chart.GroupName(0));
  EXPECT_EQ(L"Task #5", chart.GroupName(4));
}

TEST_F(PageGraphTest, TitlesFollowTheSettingsAtEveryRefresh) {
  UseSettings(0, 0);
  PageGraph page;
  EXPECT_EQ(L"Iterations per second", page.Chart().Axis(CTirun::kValueAxis).title);
  EXPECT_EQ(L"Thread #2", page.Chart().GroupName(1));

  settings_->setInt(kStoreMain, L"StatByTask", 1);
  settings_->setInt(kStoreMain, L"StatPerPeriod", 1);
  page.Refresh();
  EXPECT_EQ(L"Iterations per interval", page.Chart().Axis(CTirun::kValueAxis).title);
  EXPECT_EQ(L"Task #2", page.Chart().GroupName(1));
}

TEST_F(PageGraphTest, NothingIsDrawnBeforeTheFirstPeriod) {
  PageGraph page;
  StartRun(2, true);
  page.Refresh();
  EXPECT_TRUE(page.Chart().Values().empty());

  g_runner = nullptr;
  page.Refresh();
  EXPECT_TRUE(page.Chart().Values().empty());
}

TEST_F(PageGraphTest, ANewRunForgetsTheLinesOfTheLastOne) {
  PageGraph page;
  StartRun(2, true);
  TakePeriods(5, [](int, int) { return 4; });
  page.Refresh();
  EXPECT_EQ(10u, page.Chart().Values().size());

  StartRun(2, true);
  page.Refresh();
  EXPECT_TRUE(page.Chart().Values().empty());
  EXPECT_GT(page.Chart().Axis(CTirun::kValueAxis).max, 0);
}

TEST_F(PageGraphTest, TheFirstPeriodIsDrawnAtZero) {
  PageGraph page;
  StartRun(3, true);
  TakePeriods(1, [](int s, int) { return 10 * (s + 1); });
  page.Refresh();
  const CTirun& chart = page.Chart();
  ASSERT_EQ(3u, chart.Values().size());
  for (int s = 0; s < 3; ++s) {
    const std::vector<ChartValue> line = ValuesOf(chart, s);
    ASSERT_EQ(1u, line.size());
    EXPECT_EQ(0, line[0].x);
    EXPECT_EQ(10 * (s + 1), line[0].y);
  }
  EXPECT_DOUBLE_EQ(1.1 * 30, chart.Axis(CTirun::kValueAxis).max);
}

TEST_F(PageGraphTest, AfterSixtyPeriodsTheNewestFiftyAreDrawnFromZero) {
  PageGraph page;
  StartRun(2, true);
  // Series 0 does as many rounds as the period's number, series 1 half of that.
  TakePeriods(60, [](int s, int period) { return s == 0 ? period : period / 2; });
  page.Refresh();
  const CTirun& chart = page.Chart();
  const std::vector<ChartValue> first = ValuesOf(chart, 0);
  ASSERT_EQ(50u, first.size());
  for (int x = 0; x < 50; ++x) {
    EXPECT_EQ(x, first[x].x);
    EXPECT_EQ(10 + x, first[x].y) << "x " << x;
  }
  const std::vector<ChartValue> second = ValuesOf(chart, 1);
  ASSERT_EQ(50u, second.size());
  EXPECT_EQ(59 / 2, second.back().y);
  EXPECT_EQ(2u, chart.GroupsWithValues().size());

  const AxisInfo values = chart.Axis(CTirun::kValueAxis);
  EXPECT_EQ(0, values.min);
  EXPECT_DOUBLE_EQ(1.1 * 59, values.max);
}

TEST_F(PageGraphTest, SeriesByThreadAreTheThreadsOfTheStep) {
  UseSettings(0, 1);
  PageGraph page;
  StartRun(4, false);
  TakePeriods(3, [](int s, int) { return s; });
  page.Refresh();
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), page.Chart().GroupsWithValues());
  EXPECT_EQ(3, ValuesOf(page.Chart(), 3).back().y);
  EXPECT_EQ(L"Thread #4", page.Chart().GroupName(3));
}

TEST_F(PageGraphTest, AllZeroValuesDrawAFlatLineOnAnAxisThatIsNotFlat) {
  PageGraph page;
  page.resize(600, 400);
  StartRun(2, true);
  TakePeriods(50, [](int, int) { return 0; });
  page.Refresh();
  const CTirun& chart = page.Chart();
  ASSERT_EQ(100u, chart.Values().size());
  for (const ChartValue& value : chart.Values()) EXPECT_EQ(0, value.y);
  const AxisInfo values = chart.Axis(CTirun::kValueAxis);
  EXPECT_EQ(0, values.min);
  EXPECT_GT(values.max, values.min);
  page.show();
  EXPECT_FALSE(testsupport::SaveScreenshot(page, QStringLiteral("PageGraph-zero")).isEmpty());
}

TEST_F(PageGraphTest, ANegativePeriodStaysOnTheChart) {
  // The thread series of a later step start from the last count of the step before.
  PageGraph page;
  StartRun(1, false);
  runner_->Last[0] = 40;
  TakePeriods(2, [](int, int) { return 10; });
  page.Refresh();
  const std::vector<ChartValue> line = ValuesOf(page.Chart(), 0);
  ASSERT_EQ(2u, line.size());
  EXPECT_EQ(-30, line[0].y);
  EXPECT_LE(page.Chart().Axis(CTirun::kValueAxis).min, -30);
}

TEST_F(PageGraphTest, ActivateDrawsTheLatestPeriods) {
  PageGraph page;
  StartRun(1, true);
  TakePeriods(3, [](int, int) { return 5; });
  EXPECT_TRUE(page.Chart().Values().empty());
  page.Activate();
  EXPECT_EQ(3u, page.Chart().Values().size());
}

TEST_F(PageGraphTest, Screenshot) {
  PageGraph page;
  page.resize(800, 520);
  StartRun(3, true);
  TakePeriods(50, [](int s, int period) {
    return 60 + 25 * s + (period * (7 + 3 * s)) % 30 - (s == 2 ? period / 3 : 0);
  });
  page.Refresh();
  page.show();
  EXPECT_FALSE(testsupport::SaveScreenshot(page, QStringLiteral("PageGraph")).isEmpty());
}

}  // namespace
