#pragma once
// The execution console: one list row per worker thread of the current run (task, thread number,
// state, executions), the buttons that run, pause and stop the project, and, when idle, the
// buttons that open the reports of the last run.
//
// The run writes into Rows() from its own threads and never waits for this page; while a run is
// going on a timer shows the rows every 100 ms (ShowButtons starts and stops it). Everything else
// here runs on the GUI thread, SetProgress included.
#include <QList>
#include <QString>
#include <map>
#include <string>

#include "brunox/ui/run/RunRows.h"
#include "brunox/ui/common/TitledPage.h"

class QAbstractItemView;
class QPushButton;
class QTableView;
class QTimer;
class RunRowsModel;
struct RunReports;

class PageConsole : public CTitledPage {
  Q_OBJECT

 public:
  explicit PageConsole(QWidget* parent = nullptr);
  // Keeps the column widths in the settings.
  ~PageConsole() override;

  // The rows the run writes. Their Clear also brings back the page's own caption.
  RunRows& Rows();

  // While running: Pause and Stop, no Run and no report buttons; idle: the reverse. Running starts
  // the refresh timer; idle stops it and shows the final states.
  void ShowButtons(bool running);
  // The progress caption of a run: `seconds` elapsed (whole), `executions` done in all, and the
  // rate over the exact `elapsed` seconds.
  void SetProgress(int seconds, double elapsed, long long executions);
  // The caption once the run has ended, `elapsed` seconds after it began: its final totals, in
  // the same words, the rate over the `loadSeconds` its load ran (BrunoxRunner::LoadSeconds).
  // Progress texts the run posted earlier and that arrive after it change nothing until the rows
  // are cleared.
  void ShowFinalTotals(double elapsed, double loadSeconds, long long executions);
  // Shows the rows as they are now (the timer calls it).
  void Refresh();

  // The run as a whole: stop it; pause it or let it go on.
  void OnStop();
  void OnPause();
  // The threads of the checked rows: stop them; pause those that have started, or let them go on.
  void StopChecked();
  void PauseChecked();

  QList<int> CheckedRows() const;
  void SetRowChecked(int row, bool checked);

  // The window's report objects, for the report buttons (not owned; any of them may be null).
  void SetReports(RunReports* reports);

  // Stop (1006), Pause (2775), Stop checked (1776) and Pause checked (2777).
  bool HandleCommand(int id) override;

  QAbstractItemView* List() const;
  QPushButton* Button(int id) const;  // by command or control id; null for an unknown one

 signals:
  // Run (1179) and View Log (32780): commands of the window, sent after the click has ended.
  void CommandRequested(int id);

 private:
  void BuildList();
  void BuildButtons();
  QPushButton* AddButton(int id, const QString& text);
  void RequestCommand(int id);
  void ShowPauseState();
  // The HTML or text report of the last run (ExReport's kinds).
  void OpenReport(int kind);
  void OnCounters();
  // The executed-statement log of the last run, or the project's name for it before any run.
  static std::wstring SqlReportPath();
  void OnSqlReport();
  void OnVisualizeSqlReport();
  void OnVisualizeIniReport();
  void OnDoubleClick();
  void StoreColumnWidths();
  // The rate is over `rateSeconds`.
  void ShowTotals(int seconds, double rateSeconds, long long executions);

  RunRows rows_;
  RunRowsModel* model_;
  QTableView* list_;
  QTimer* refreshTimer_;
  RunReports* reports_ = nullptr;
  std::map<int, QPushButton*> buttons_;  // children of the page
  bool finalTotalsShown_ = false;
};
