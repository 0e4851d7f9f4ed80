#pragma once
// The options tab of the task dialog: thread priority, the initial delay, the think time between
// executions and the delay between statements, how many rows are fetched, the task group, saving
// fetched rows to per-thread files, and the execution count, which only counts when the project
// runs each task by its own count. Any input is accepted: a box that does not hold a number
// stores the number its text begins with, 0 when none.
#include "brunox/ui/common/StepSpinBox.h"
#include "brunox/ui/task/TaskPage.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

class PageOpts : public CTaskPage {
  Q_OBJECT

 public:
  explicit PageOpts(TaskPageHost& dialog, QWidget* parent = nullptr);
  ~PageOpts() override;

  void Activate() override;
  void Deactivate() override;

 private:
  CStepSpinBox* AddSpin(const QString& name, CStepSpinBox::StepRule rule);
  void BuildDelays(QGridLayout& grid);
  QWidget* BuildFetching();
  void BuildOutput(QGridLayout& grid, int row);
  void BuildExecCount(QGridLayout& grid, int row);
  void EnableOutput();
  void ChooseOutputFolder();
  void ShowExecCountEditable(bool editable);

  QComboBox* priority_ = nullptr;
  CStepSpinBox* initialDelay_ = nullptr;
  CStepSpinBox* delay_ = nullptr;
  CStepSpinBox* delayMax_ = nullptr;
  CStepSpinBox* stmtDelay_ = nullptr;
  CStepSpinBox* stmtDelayMax_ = nullptr;
  QRadioButton* fetchAll_ = nullptr;
  QRadioButton* fetchTop_ = nullptr;
  CStepSpinBox* rows_ = nullptr;
  CStepSpinBox* taskGroup_ = nullptr;
  QCheckBox* saveRows_ = nullptr;
  QLineEdit* outputDir_ = nullptr;
  QToolButton* browse_ = nullptr;
  QLabel* execLabel_ = nullptr;
  CStepSpinBox* execCount_ = nullptr;
  QLabel* execUnit_ = nullptr;
  QLabel* projectLevelNote_ = nullptr;
};
