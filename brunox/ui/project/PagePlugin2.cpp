#include "brunox/ui/project/PagePlugin2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <string>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/PerfCounters.h"
#include "brunox/ui/common/ChoosePath.h"
#include "brunox/ui/project/CounterBrowser.h"
#include "brunox/ui/project/PageProps.h"
#include "mervis/Log.h"
#include "platform/UiServices.h"

PagePlugin2::PagePlugin2(std::function<void()> modified, QWidget* parent)
    : CTitledPage(tr("Performance Counters Settings"), parent), modified_(std::move(modified)) {
  setObjectName(QStringLiteral("PagePlugin2"));
  BuildSlotRows();
  BuildReportControls();
  Body()->addStretch(1);
}

PagePlugin2::~PagePlugin2() = default;

void PagePlugin2::BuildSlotRows() {
  enum Column { kCheck, kMachine, kCounter, kBrowse, kTitle };
  auto* grid = new QGridLayout;
  grid->setColumnStretch(kMachine, 2);
  grid->setColumnStretch(kCounter, 5);
  grid->setColumnStretch(kTitle, 3);
  const QString headings[] = {tr("##"), tr("Machine, empty for local"), tr("Counter"), QString(),
                              tr("Report Title")};
  for (int column = kCheck; column <= kTitle; ++column)
    if (!headings[column].isEmpty()) grid->addWidget(new QLabel(headings[column], this), 0, column);

  const std::vector<std::wstring> suggested = PerfCounters().SuggestedCounters();
  for (int slot = 0; slot < Project::kCounterSlots; ++slot) {
    SlotRow& row = rows_[slot];
    const QString name = QString::number(slot + 1);
    row.enabled = new QCheckBox(name, this);
    row.enabled->setObjectName(QStringLiteral("slot") + name);
    row.machine = new QLineEdit(this);
    row.machine->setObjectName(QStringLiteral("machine") + name);
    row.counter = new QComboBox(this);
    row.counter->setObjectName(QStringLiteral("counter") + name);
    row.counter->setEditable(true);
    row.counter->setInsertPolicy(QComboBox::NoInsert);
    row.counter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    row.counter->setMinimumContentsLength(24);
    for (const std::wstring& path : suggested) row.counter->addItem(QString::fromStdWString(path));
    row.browse = new QPushButton(tr("Browse..."), this);
    row.browse->setObjectName(QStringLiteral("browse") + name);
    row.browse->setToolTip(tr("Choose from the counters this computer can sample"));
    row.title = new QLineEdit(this);
    row.title->setObjectName(QStringLiteral("title") + name);

    grid->addWidget(row.enabled, slot + 1, kCheck);
    grid->addWidget(row.machine, slot + 1, kMachine);
    grid->addWidget(row.counter, slot + 1, kCounter);
    grid->addWidget(row.browse, slot + 1, kBrowse);
    grid->addWidget(row.title, slot + 1, kTitle);
    connect(row.enabled, &QCheckBox::toggled, this, [this, slot] { EnableRow(slot); });
    connect(row.browse, &QPushButton::clicked, this, [this, slot] { BrowseCounter(slot); });
    EnableRow(slot);
  }
  Body()->addLayout(grid);
}

void PagePlugin2::BuildReportControls() {
  report_ = new QCheckBox(tr("&Save performance counters HTML report to :"), this);
  report_->setObjectName(QStringLiteral("report"));
  reportPath_ = new QLineEdit(this);
  reportPath_->setObjectName(QStringLiteral("reportPath"));
  reportBrowse_ = new QPushButton(QStringLiteral("..."), this);
  reportBrowse_->setObjectName(QStringLiteral("reportBrowse"));
  reportBrowse_->setToolTip(tr("Choose the file"));
  addToSql_ = new QCheckBox(tr("&Add performance counters to SQL report"), this);
  addToSql_->setObjectName(QStringLiteral("addToSql"));
  addToText_ = new QCheckBox(tr("Add performance counters to text/&Excel report"), this);
  addToText_->setObjectName(QStringLiteral("addToText"));
  test_ = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), tr("Test"), this);
  test_->setObjectName(QStringLiteral("test"));
  test_->setToolTip(tr("Open the enabled counters now and show the result"));

  connect(report_, &QCheckBox::toggled, this, &PagePlugin2::EnableReport);
  connect(reportBrowse_, &QPushButton::clicked, this, [this] {
    ChooseSavePath(*reportPath_, L"HTML documents (*.html)|*.html|All Files(*.*)|*.*||", L"html");
  });
  connect(test_, &QPushButton::clicked, this, &PagePlugin2::Test);

  Body()->addSpacing(fontMetrics().height());
  Body()->addWidget(report_);
  auto* path = new QHBoxLayout;
  path->addWidget(reportPath_, 1);
  path->addWidget(reportBrowse_);
  Body()->addLayout(path);
  auto* lower = new QHBoxLayout;
  auto* checks = new QVBoxLayout;
  checks->addWidget(addToSql_);
  checks->addWidget(addToText_);
  lower->addLayout(checks, 1);
  lower->addWidget(test_, 0, Qt::AlignBottom);
  Body()->addLayout(lower);
  EnableReport();
}

void PagePlugin2::EnableRow(int slot) {
  const SlotRow& row = rows_[slot];
  const bool on = row.enabled->isChecked();
  for (QWidget* control : {static_cast<QWidget*>(row.machine), static_cast<QWidget*>(row.counter),
                           static_cast<QWidget*>(row.browse), static_cast<QWidget*>(row.title)})
    control->setEnabled(on);
}

void PagePlugin2::EnableReport() {
  const bool on = report_->isChecked();
  reportPath_->setEnabled(on);
  reportBrowse_->setEnabled(on);
}

void PagePlugin2::LoadFromProject() {
  reportPath_->setText(QString::fromStdWString(g_project.CountersReport));
  report_->setChecked(g_project.pcIsReport != 0);
  EnableReport();
  addToSql_->setChecked(g_project.pcIsSQL != 0);
  addToText_->setChecked(g_project.pcIsText != 0);
  for (int slot = 0; slot < Project::kCounterSlots; ++slot) {
    const PerfCounterSlot& counter = g_project.Counters[slot];
    SlotRow& row = rows_[slot];
    row.enabled->setChecked(counter.Enabled != 0);
    EnableRow(slot);
    row.machine->setText(QString::fromStdWString(counter.Machine));
    row.counter->setEditText(QString::fromStdWString(counter.Name));
    row.title->setText(QString::fromStdWString(counter.Title));
  }
  shown_ = ShownNow();
}

PagePlugin2::Values PagePlugin2::ShownNow() const {
  Values now;
  now.isReport = report_->isChecked() ? 1 : 0;
  now.isSql = addToSql_->isChecked() ? 1 : 0;
  now.isText = addToText_->isChecked() ? 1 : 0;
  now.report = reportPath_->text().toStdWString();
  for (int slot = 0; slot < Project::kCounterSlots; ++slot) {
    const SlotRow& row = rows_[slot];
    now.enabled[slot] = row.enabled->isChecked() ? 1 : 0;
    now.machine[slot] = row.machine->text().toStdWString();
    now.name[slot] = row.counter->currentText().toStdWString();
    now.title[slot] = row.title->text().toStdWString();
  }
  return now;
}

void PagePlugin2::StoreToProject() {
  CLog::State(L"PagePlugin2::SaveData");
  const Values now = ShownNow();
  bool changed = false;
  const auto store = [&changed](auto& field, const auto& value, const auto& shown) {
    if (value != shown) changed |= StoreIfDifferent(field, value);
  };
  store(g_project.pcIsReport, now.isReport, shown_.isReport);
  store(g_project.pcIsSQL, now.isSql, shown_.isSql);
  store(g_project.pcIsText, now.isText, shown_.isText);
  store(g_project.CountersReport, now.report, shown_.report);
  for (int slot = 0; slot < Project::kCounterSlots; ++slot) {
    PerfCounterSlot& counter = g_project.Counters[slot];
    store(counter.Enabled, now.enabled[slot], shown_.enabled[slot]);
    store(counter.Machine, now.machine[slot], shown_.machine[slot]);
    store(counter.Name, now.name[slot], shown_.name[slot]);
    store(counter.Title, now.title[slot], shown_.title[slot]);
  }
  shown_ = now;
  CLog::State(nullptr);
  if (changed && modified_) modified_();
}

void PagePlugin2::Test() {
  // The test uses what is on the screen, so the page goes into the project first.
  StoreToProject();
  std::wstring report;
  int failures = 0;
  {
    PerfCounters counters;
    counters.SetProject(&g_project);
    failures = counters.AddCounters(&report);
    counters.Close();
  }
  if (report.empty()) {
    report = L"No counter enabled.";
    ++failures;
  }
  platform::Ui().MessageBox(report, L"Test", platform::MsgButtons::Ok,
                            failures ? platform::MsgIcon::Error : platform::MsgIcon::Information);
}

void PagePlugin2::BrowseCounter(int slot) {
  QComboBox& combo = *rows_[slot].counter;
  CounterBrowser browser(PerfCounters::SampleableCounters(), combo.currentText(), this);
  if (browser.exec() != QDialog::Accepted) return;
  const QString chosen = browser.ChosenPath();
  if (!chosen.isEmpty()) combo.setEditText(chosen);
}
