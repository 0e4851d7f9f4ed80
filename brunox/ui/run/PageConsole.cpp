#include "brunox/ui/run/PageConsole.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/common/RowListView.h"
#include "brunox/ui/run/RunRowsModel.h"
#include "mervis/Log.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

const QString kOwnCaption = QStringLiteral("     Execution Console");

// The report and visualizer buttons, which only an idle page shows.
enum ReportButton {
  kBtnSqlReport = 1104,
  kBtnVisualizeSql = 1171,
  kBtnHtmlReport = 1103,
  kBtnVisualizeIni = 1106,
  kBtnTextReport = 4105,
  kBtnCounters = 1406,
};
constexpr int kReportButtons[] = {kBtnSqlReport, kBtnVisualizeSql, kBtnHtmlReport,
                                  kBtnVisualizeIni, kBtnTextReport,  kBtnCounters};

// The settings that keep the column widths, and their widths before any was kept.
constexpr const wchar_t* kWidthKeys[RunRowsModel::kColumnCount] = {L"PC_W1", L"PC_W2", L"PC_W3",
                                                                   L"PC_W4"};
constexpr int kDefaultWidths[RunRowsModel::kColumnCount] = {190, 70, 110, 70};
constexpr int kRefreshMs = 100;

}  // namespace

PageConsole::PageConsole(QWidget* parent)
    : CTitledPage(kOwnCaption, parent),
      model_(new RunRowsModel(rows_, this)),
      list_(new QTableView(this)),
      refreshTimer_(new QTimer(this)) {
  setObjectName(QStringLiteral("PageConsole"));
  BuildList();
  BuildButtons();
  refreshTimer_->setInterval(kRefreshMs);
  connect(refreshTimer_, &QTimer::timeout, this, &PageConsole::Refresh);
  rows_.SetClearListener([this] {
    model_->Reset();
    finalTotalsShown_ = false;
    SetCaption(kOwnCaption);
  });
  ShowButtons(false);
}

PageConsole::~PageConsole() {
  rows_.SetClearListener(nullptr);
  StoreColumnWidths();
}

void PageConsole::BuildList() {
  list_->setModel(model_);
  SetUpRowList(*list_);
  LoadColumnWidths(*list_, kWidthKeys, kDefaultWidths);
  connect(list_, &QAbstractItemView::doubleClicked, this, [this] { OnDoubleClick(); });
  Body()->addWidget(list_, 1);
}

QPushButton* PageConsole::AddButton(int id, const QString& text) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QStringLiteral("button%1").arg(id));
  buttons_[id] = button;
  return button;
}

void PageConsole::BuildButtons() {
  // First line: what runs the project, and the log, which is useful at any time.
  auto* runLine = new QHBoxLayout;
  connect(AddButton(kCmdRun, QStringLiteral("&Run")), &QPushButton::clicked, this,
          [this] { RequestCommand(kCmdRun); });
  connect(AddButton(kCmdPause, QStringLiteral("Pause")), &QPushButton::clicked, this,
          &PageConsole::OnPause);
  connect(AddButton(kCmdStop, QStringLiteral("&Stop")), &QPushButton::clicked, this,
          &PageConsole::OnStop);
  connect(AddButton(kCmdLogView, QStringLiteral("View &Log...")), &QPushButton::clicked, this,
          [this] { RequestCommand(kCmdLogView); });
  runLine->addWidget(buttons_[kCmdRun]);
  runLine->addWidget(buttons_[kCmdPause]);
  runLine->addWidget(buttons_[kCmdStop]);
  runLine->addStretch(1);
  runLine->addWidget(buttons_[kCmdLogView]);

  // Second line: the reports of the last run, each visualizer beside its report.
  auto* reportLine = new QHBoxLayout;
  connect(AddButton(kBtnSqlReport, QStringLiteral("&SQL Report")), &QPushButton::clicked, this,
          &PageConsole::OnSqlReport);
  connect(AddButton(kBtnVisualizeSql, QStringLiteral("Visualize It")), &QPushButton::clicked,
          this, &PageConsole::OnVisualizeSqlReport);
  connect(AddButton(kBtnHtmlReport, QStringLiteral("&HTML Report")), &QPushButton::clicked, this,
          [this] { OpenReport(ExReport::kHtmlReport); });
  connect(AddButton(kBtnVisualizeIni, QStringLiteral("Visualize It")), &QPushButton::clicked,
          this, &PageConsole::OnVisualizeIniReport);
  connect(AddButton(kBtnTextReport, QStringLiteral("&Text Report")), &QPushButton::clicked, this,
          [this] { OpenReport(ExReport::kTextReport); });
  connect(AddButton(kBtnCounters, QStringLiteral("&Counters")), &QPushButton::clicked, this,
          &PageConsole::OnCounters);
  reportLine->addWidget(buttons_[kBtnSqlReport]);
  reportLine->addWidget(buttons_[kBtnVisualizeSql]);
  reportLine->addSpacing(12);
  reportLine->addWidget(buttons_[kBtnHtmlReport]);
  reportLine->addWidget(buttons_[kBtnVisualizeIni]);
  reportLine->addSpacing(12);
  reportLine->addWidget(buttons_[kBtnTextReport]);
  reportLine->addWidget(buttons_[kBtnCounters]);
  reportLine->addStretch(1);

  Body()->addLayout(runLine);
  Body()->addLayout(reportLine);
}

RunRows& PageConsole::Rows() { return rows_; }

QAbstractItemView* PageConsole::List() const { return list_; }

QPushButton* PageConsole::Button(int id) const {
  const auto found = buttons_.find(id);
  return found == buttons_.end() ? nullptr : found->second;
}

void PageConsole::ShowButtons(bool running) {
  CLog::State(L"PageConsole::ShowButtons");
  buttons_[kCmdStop]->setVisible(running);
  buttons_[kCmdPause]->setVisible(running);
  buttons_[kCmdRun]->setVisible(!running);
  for (int id : kReportButtons) buttons_[id]->setVisible(!running);
  ShowPauseState();
  if (running) {
    refreshTimer_->start();
  } else {
    refreshTimer_->stop();
    Refresh();  // the states the threads reached last
  }
  CLog::State(nullptr);
}

void PageConsole::SetProgress(int seconds, double elapsed, long long executions) {
  if (!finalTotalsShown_) ShowTotals(seconds, elapsed, executions);
}

void PageConsole::ShowFinalTotals(double elapsed, double loadSeconds, long long executions) {
  ShowTotals(static_cast<int>(std::lround(elapsed)), loadSeconds, executions);
  finalTotalsShown_ = true;
}

void PageConsole::ShowTotals(int seconds, double rateSeconds, long long executions) {
  // The rate over the exact time: whole seconds would misstate a short run, and a run that has
  // not taken any measurable time yet has no rate.
  const double rate = rateSeconds > 0 ? static_cast<double>(executions) / rateSeconds : 0.0;
  SetCaption(QString::asprintf("     %d seconds, %lld threads executed, %.1f per second", seconds,
                               executions, rate));
}

void PageConsole::Refresh() { model_->Refresh(); }

void PageConsole::OnStop() {
  if (!g_runner) return;
  g_runner->Stop.store(1);
  // A paused thread would never see the stop.
  g_runner->PauseAll.store(0);
  ShowPauseState();
}

void PageConsole::OnPause() {
  if (!g_runner) return;
  g_runner->PauseAll.store(1 - g_runner->PauseAll.load());
  ShowPauseState();
}

void PageConsole::ShowPauseState() {
  const bool paused = g_runner && g_runner->PauseAll.load() != 0;
  buttons_[kCmdPause]->setText(paused ? QStringLiteral("Continue") : QStringLiteral("Pause"));
}

void PageConsole::StopChecked() {
  if (!g_runner) return;
  for (int row : CheckedRows())
    if (row < BrunoxRunner::kMaxThreads) g_runner->Record(row).Stop.store(1);
}

void PageConsole::PauseChecked() {
  if (!g_runner) return;
  // A record beyond the started ones has no thread that could read its flag yet.
  const int started = g_runner->ThreadsStarted.load();
  for (int row : CheckedRows()) {
    if (row >= started || row >= BrunoxRunner::kMaxThreads) continue;
    std::atomic<int>& pause = g_runner->Record(row).Pause;
    pause.store(1 - pause.load());
  }
}

QList<int> PageConsole::CheckedRows() const { return model_->CheckedRows(); }

void PageConsole::SetRowChecked(int row, bool checked) { model_->SetChecked(row, checked); }

void PageConsole::SetReports(RunReports* reports) { reports_ = reports; }

bool PageConsole::HandleCommand(int id) {
  switch (id) {
    case kCmdStop:
      OnStop();
      return true;
    case kCmdPause:
      OnPause();
      return true;
    case kCmdStopChecked:
      StopChecked();
      return true;
    case kCmdPauseChecked:
      PauseChecked();
      return true;
    default:
      return false;
  }
}

void PageConsole::RequestCommand(int id) {
  // Queued, so that the command (a whole run, for Run) does not run inside the button's click.
  QMetaObject::invokeMethod(this, [this, id] { emit CommandRequested(id); },
                            Qt::QueuedConnection);
}

void PageConsole::OpenReport(int kind) {
  ExReport* report = reports_ ? reports_->execution.get() : nullptr;
  if (report) report->OpenInShell(kind);
}

void PageConsole::OnCounters() {
  ExReport* report = reports_ ? reports_->counters.get() : nullptr;
  if (!report) return;
  // The report object's own message speaks of the execution report and its settings.
  const std::wstring& file = report->CountersName();
  if (file.empty() || !platform::FileExists(file)) {
    platform::Ui().MessageBox(
        file.empty() ? L"The last run wrote no counters report. A run writes one when the "
                       L"project's Counters page names its file (\"Save performance counters "
                       L"HTML report to\")."
                     : L"The counters report '" + file + L"' is not there.",
        L"View Counters Report", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  report->OpenInShell(ExReport::kCountersReport);
}

std::wstring PageConsole::SqlReportPath() {
  // The project names the log with date and time macros; the runner knows the file it wrote.
  if (g_runner && !g_runner->StatementLogPath().empty()) return g_runner->StatementLogPath();
  return g_project.SQLFile;
}

void PageConsole::OnSqlReport() {
  const std::wstring path = SqlReportPath();
  if (path.empty() || !platform::FileExists(path)) {
    platform::Ui().MessageBox(
        L"Report file is not specified or report is not created.\n"
        L"See 'Project Properties' for details.",
        L"Warning!", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  platform::Ui().OpenWithDesktop(path);
}

void PageConsole::OnVisualizeSqlReport() {
  if (g_app) g_app->ShowSqlReport(SqlReportPath());
}

void PageConsole::OnVisualizeIniReport() {
  if (!g_app) return;
  // Likewise the internal report: the name the last report pass expanded, else the project's.
  const ExReport* internal = reports_ ? reports_->internal.get() : nullptr;
  g_app->ShowSqlReport(internal && !internal->IniName().empty() ? internal->IniName()
                                                                 : g_project.ReportIniFile);
}

void PageConsole::OnDoubleClick() {
  platform::Ui().MessageBox(L"Please switch to project window to edit task properties.",
                            L"Warning!", platform::MsgButtons::Ok,
                            platform::MsgIcon::Information);
}

void PageConsole::StoreColumnWidths() {
  if (!g_settings) return;
  ::StoreColumnWidths(*list_, kWidthKeys);
  g_settings->SaveData(0);
}
