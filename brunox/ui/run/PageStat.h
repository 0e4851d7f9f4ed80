#pragma once
// The statistics table of a run: one row per statistics period (the newest kMaxRows of them) and
// one column per series, the executions of each task or thread in that period.
#include <vector>

#include "brunox/ui/common/TitledPage.h"

class QTableWidget;

class PageStat : public CTitledPage {
  Q_OBJECT

 public:
  static constexpr int kMaxRows = 50;
  static constexpr int kMaxSeries = 5;

  explicit PageStat(QWidget* parent = nullptr);
  ~PageStat() override;

  // GUI thread. Appends the row of `period` with one value per series (values past kMaxSeries
  // are not shown); when the table is full its oldest row goes first.
  void AddPeriodRow(int period, const std::vector<int>& values);
  // Empties the table: the Clear button, and the window before each run.
  void OnClear();

  QTableWidget* Table() const { return table_; }

 private:
  QTableWidget* table_;
};
