#include "brunox/ui/task/PageOpts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/Task.h"
#include "brunox/ui/common/ChoosePath.h"
#include "brunox/ui/common/StepSpinBox.h"
#include "platform/Text.h"

namespace {

// Delays move in steps of 10 ms; counts and the initial delay by one.
constexpr int kDelayStep = 10;

// What a number box holds: the number its text begins with, 0 for an empty box.
int Shown(const CStepSpinBox& box) { return platform::ToInt(box.cleanText().toStdWString()); }

QLabel* Label(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

PageOpts::PageOpts(TaskPageHost& dialog, QWidget* parent) : CTaskPage(dialog, parent) {
  auto* grid = new QGridLayout;
  priority_ = new QComboBox(this);
  priority_->setObjectName(QStringLiteral("priority"));
  priority_->addItems({tr("Low"), tr("Normal"), tr("High")});  // in TaskPriority order
  grid->addWidget(Label(tr("Task &Priority :"), priority_, this), 0, 0);
  grid->addWidget(priority_, 0, 1);
  BuildDelays(*grid);

  grid->addWidget(BuildFetching(), 4, 0, 1, 6);
  taskGroup_ = AddSpin(QStringLiteral("taskGroup"), CStepSpinBox::Fixed(1));
  grid->addWidget(Label(tr("Task &Group :"), taskGroup_, this), 5, 0);
  grid->addWidget(taskGroup_, 5, 1);
  BuildOutput(*grid, 6);
  BuildExecCount(*grid, 8);
  grid->setColumnStretch(5, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  EnableOutput();
}

PageOpts::~PageOpts() = default;

CStepSpinBox* PageOpts::AddSpin(const QString& name, CStepSpinBox::StepRule rule) {
  auto* spin = new CStepSpinBox(this);
  spin->setObjectName(name);
  spin->SetStepRule(std::move(rule));
  return spin;
}

void PageOpts::BuildDelays(QGridLayout& grid) {
  initialDelay_ = AddSpin(QStringLiteral("initialDelay"), CStepSpinBox::Fixed(1));
  grid.addWidget(Label(tr("Initial task &delay :"), initialDelay_, this), 1, 0);
  grid.addWidget(initialDelay_, 1, 1);
  grid.addWidget(new QLabel(tr("ms"), this), 1, 2);

  // Two rows of "between [low] and [high] ms".
  struct Range {
    const char* label;
    CStepSpinBox** low;
    const char* lowName;
    CStepSpinBox** high;
    const char* highName;
  };
  const Range ranges[] = {
      {"&Task to task delay between :", &delay_, "delay", &delayMax_, "delayMax"},
      {"&Statement to statement delay between :", &stmtDelay_, "stmtDelay", &stmtDelayMax_,
       "stmtDelayMax"},
  };
  int row = 2;
  for (const Range& range : ranges) {
    *range.low = AddSpin(QString::fromLatin1(range.lowName), CStepSpinBox::Fixed(kDelayStep));
    *range.high = AddSpin(QString::fromLatin1(range.highName), CStepSpinBox::Fixed(kDelayStep));
    grid.addWidget(Label(tr(range.label), *range.low, this), row, 0);
    grid.addWidget(*range.low, row, 1);
    grid.addWidget(new QLabel(tr("and"), this), row, 2);
    grid.addWidget(*range.high, row, 3);
    grid.addWidget(new QLabel(tr("ms"), this), row, 4);
    ++row;
  }
}

QWidget* PageOpts::BuildFetching() {
  auto* box = new QGroupBox(tr("Fetching Mode :"), this);
  fetchAll_ = new QRadioButton(tr("Fetch &all existing data from the results set"), box);
  fetchAll_->setObjectName(QStringLiteral("fetchAll"));
  fetchTop_ = new QRadioButton(tr("&Fetch top"), box);
  fetchTop_->setObjectName(QStringLiteral("fetchTop"));
  rows_ = AddSpin(QStringLiteral("rows"), CStepSpinBox::ByMagnitude());
  auto* top = new QHBoxLayout;
  top->addWidget(fetchTop_);
  top->addWidget(rows_);
  top->addWidget(new QLabel(tr("rows only, use 0 for 'no rows' mode"), box));
  top->addStretch(1);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(fetchAll_);
  layout->addLayout(top);
  return box;
}

void PageOpts::BuildOutput(QGridLayout& grid, int row) {
  saveRows_ = new QCheckBox(tr("Save fetched data rows :"), this);
  saveRows_->setObjectName(QStringLiteral("saveRows"));
  connect(saveRows_, &QCheckBox::toggled, this, &PageOpts::EnableOutput);
  outputDir_ = new QLineEdit(this);
  outputDir_->setObjectName(QStringLiteral("outputDir"));
  browse_ = new QToolButton(this);
  browse_->setText(tr("..."));
  browse_->setObjectName(QStringLiteral("chooseOutputDir"));
  connect(browse_, &QToolButton::clicked, this, &PageOpts::ChooseOutputFolder);

  auto* folder = new QHBoxLayout;
  folder->addWidget(outputDir_, 1);
  folder->addWidget(browse_);
  grid.addWidget(saveRows_, row, 0, 1, 6);
  grid.addWidget(Label(tr("Output directory :"), outputDir_, this), row + 1, 0);
  grid.addLayout(folder, row + 1, 1, 1, 5);
}

void PageOpts::BuildExecCount(QGridLayout& grid, int row) {
  execCount_ = AddSpin(QStringLiteral("execCount"), CStepSpinBox::Fixed(1));
  execLabel_ = Label(tr("&Execute task :"), execCount_, this);
  execUnit_ = new QLabel(tr("times. 0 is no limitation."), this);
  projectLevelNote_ = new QLabel(tr("Defined at the project level."), this);
  projectLevelNote_->setObjectName(QStringLiteral("definedAtProjectLevel"));
  grid.addWidget(execLabel_, row, 0);
  grid.addWidget(execCount_, row, 1);
  grid.addWidget(execUnit_, row, 2, 1, 4);
  grid.addWidget(projectLevelNote_, row + 1, 1, 1, 5);
}

void PageOpts::Activate() {
  const Task* task = GetTask();
  if (!task) return;
  // A priority outside the list selects nothing, and then leaving the tab keeps it.
  priority_->setCurrentIndex(task->Priority >= 0 && task->Priority < priority_->count()
                                 ? task->Priority
                                 : -1);
  rows_->setValue(task->Rows);
  delay_->setValue(task->Delay);
  // No upper bound means a fixed think time: the range shows it as from and to alike.
  delayMax_->setValue(task->DelayMax != 0 ? task->DelayMax : task->Delay);
  stmtDelay_->setValue(task->iStmtDelay);
  stmtDelayMax_->setValue(task->iStmtDelayMax);
  initialDelay_->setValue(task->SQLDelay);
  execCount_->setValue(task->ExecCntr);
  taskGroup_->setValue(task->TaskGroup);
  ShowExecCountEditable(g_project.DoType == kRunByTaskCounts);
  fetchAll_->setChecked(task->AllRows == 1);
  fetchTop_->setChecked(task->AllRows == 0);
  saveRows_->setChecked(task->bSaveThreadResults != 0);
  outputDir_->setText(QString::fromStdWString(task->ResultsDirectory));
  EnableOutput();
}

void PageOpts::Deactivate() {
  Task* task = GetTask();
  if (!task) return;
  if (priority_->currentIndex() >= 0) task->Priority = priority_->currentIndex();
  // Stored even while it cannot be edited, so it keeps what is shown.
  task->ExecCntr = Shown(*execCount_);
  task->Delay = Shown(*delay_);
  task->DelayMax = Shown(*delayMax_);
  task->iStmtDelay = Shown(*stmtDelay_);
  task->iStmtDelayMax = Shown(*stmtDelayMax_);
  task->SQLDelay = Shown(*initialDelay_);
  task->TaskGroup = Shown(*taskGroup_);
  task->AllRows = fetchAll_->isChecked() ? 1 : 0;
  task->Rows = Shown(*rows_);
  task->bSaveThreadResults = saveRows_->isChecked() ? 1 : 0;
  task->ResultsDirectory = outputDir_->text().toStdWString();
}

void PageOpts::ShowExecCountEditable(bool editable) {
  for (QWidget* control : {static_cast<QWidget*>(execLabel_), static_cast<QWidget*>(execCount_),
                           static_cast<QWidget*>(execUnit_)})
    control->setEnabled(editable);
  projectLevelNote_->setVisible(!editable);
}

void PageOpts::EnableOutput() {
  const bool saving = saveRows_->isChecked();
  outputDir_->setEnabled(saving);
  browse_->setEnabled(saving);
}

void PageOpts::ChooseOutputFolder() {
  ChooseFolderPath(*outputDir_, L"Output Folder for Thread Data");
}
