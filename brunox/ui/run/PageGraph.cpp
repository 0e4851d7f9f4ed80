#include "brunox/ui/run/PageGraph.h"

#include <QVBoxLayout>
#include <algorithm>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "tirun/TirunView.h"

namespace {

// The range the value axis shows before there is anything to draw.
constexpr double kEmptyValueMax = 100;

int MainSetting(const wchar_t* key, int fallback) {
  return g_settings ? g_settings->getInt(kStoreMain, key) : fallback;
}

}  // namespace

PageGraph::PageGraph(QWidget* parent)
    : CTitledPage(QStringLiteral("     Graphics"), parent), view_(new CTirunView(this)) {
  setObjectName(QStringLiteral("PageGraph"));
  CTirun& chart = view_->Chart();
  chart.AddAxis(AxisInfo(0, kEmptyValueMax, L"", 5, 2));
  chart.AddAxis(AxisInfo(0, BrunoxRunner::kStatPeriods, L"Interval", 10, 5));
  chart.Configure(CTirun::kLineChart, CTirun::kMarkPoints);
  ApplySettings();
  Body()->addWidget(view_, 1);
}

PageGraph::~PageGraph() = default;

CTirun& PageGraph::Chart() { return view_->Chart(); }

void PageGraph::ApplySettings() {
  CTirun& chart = view_->Chart();
  chart.SetAxisTitle(CTirun::kValueAxis, MainSetting(L"StatPerPeriod", 1)
                                             ? L"Iterations per interval"
                                             : L"Iterations per second");
  const std::wstring seriesKind = MainSetting(L"StatByTask", 1) ? L"Task" : L"Thread";
  for (int group = 0; group < BrunoxRunner::kStatSeries; ++group)
    chart.AssignGroup(group, seriesKind + L" #" + std::to_wstring(group + 1));
}

void PageGraph::Activate() {
  CTitledPage::Activate();
  Refresh();
}

StatSnapshot StatSnapshot::Of(const BrunoxRunner& runner) {
  StatSnapshot snapshot;
  snapshot.periods = std::max(0, runner.Tick + 1);
  if (snapshot.periods == 0) return snapshot;
  const int first = std::max(0, snapshot.periods - BrunoxRunner::kStatPeriods);
  snapshot.series.resize(runner.StatSeriesCount());
  for (size_t s = 0; s < snapshot.series.size(); ++s)
    for (int period = first; period < snapshot.periods; ++period)
      snapshot.series[s].push_back(runner.GetStatValue(static_cast<int>(s), period));
  return snapshot;
}

void PageGraph::Refresh() {
  if (g_runner && !g_runner->IsRunning())
    Show(StatSnapshot::Of(*g_runner));
  else if (!g_runner)
    Show(StatSnapshot());
  else
    Show(shown_);
}

void PageGraph::Show(const StatSnapshot& snapshot) {
  if (&snapshot != &shown_) shown_ = snapshot;
  ApplySettings();
  CTirun& chart = view_->Chart();
  chart.ClearValues();
  if (shown_.periods <= 0) {
    chart.SetAxisRange(CTirun::kValueAxis, 0, kEmptyValueMax);
    view_->update();
    return;
  }
  int largest = 0;
  int smallest = 0;
  for (size_t s = 0; s < shown_.series.size(); ++s) {
    const std::vector<int>& values = shown_.series[s];
    for (size_t k = 0; k < values.size(); ++k) {
      chart.AddValue({static_cast<double>(k), static_cast<double>(values[k]), static_cast<int>(s)});
      largest = std::max(largest, values[k]);
      smallest = std::min(smallest, values[k]);
    }
  }
  // Room above the highest point; an all-zero run still gets an axis to draw its flat line on.
  // A thread series of a later step starts from the count of the step before, so its first
  // period can come out negative: the axis then reaches below 0 rather than cut the line off.
  chart.SetAxisRange(CTirun::kValueAxis, 1.1 * smallest, largest > 0 ? 1.1 * largest : 1.0);
  view_->update();
}
