#pragma once
// The statistics graph of a run: one line per series (task or thread) over the newest
// BrunoxRunner::kStatPeriods periods, drawn from the runner's statistics ring.
#include <vector>

#include "brunox/ui/common/TitledPage.h"

class BrunoxRunner;
class CTirun;
class CTirunView;

// The statistics the graph shows, copied out of the runner by the thread that owns them (the
// run's master thread when a period is ready, the GUI thread between runs).
struct StatSnapshot {
  int periods = 0;  // periods taken; the values are those of the newest (at most 50) of them
  std::vector<std::vector<int>> series;  // series[s][k]: series s in the k-th period shown

  static StatSnapshot Of(const BrunoxRunner& runner);
};

class PageGraph : public CTitledPage {
  Q_OBJECT

 public:
  explicit PageGraph(QWidget* parent = nullptr);
  ~PageGraph() override;

  // GUI thread: draws `snapshot` and keeps it for the next Refresh.
  void Show(const StatSnapshot& snapshot);
  // GUI thread: between runs draws g_runner's statistics; during a run the last snapshot the
  // run posted (the ring is the master thread's then). Before the first period of a run, or
  // without a runner, the chart is empty.
  void Refresh();
  void Activate() override;

  CTirun& Chart();

 private:
  // Axis titles and group names follow the settings, which may change between runs.
  void ApplySettings();

  CTirunView* view_;
  StatSnapshot shown_;
};
