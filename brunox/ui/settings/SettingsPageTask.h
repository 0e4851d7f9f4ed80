#pragma once
// The "Task Settings" page: the values a new task starts with, and the largest BLOB/CLOB a run
// fetches. A view over the task-defaults store of g_settings: it shows the store when it is shown
// and writes (and saves) the store when it is left.
#include "brunox/ui/settings/SettingsBindings.h"
#include "brunox/ui/common/TitledPage.h"

class QComboBox;

class SettingsPageTask : public CTitledPage {
  Q_OBJECT

 public:
  explicit SettingsPageTask(QWidget* parent = nullptr);
  ~SettingsPageTask() override;

  // Every control from the store.
  void LoadFromProject() override;
  // Every control into the store, which is saved at once. Does nothing before the page has
  // been loaded.
  void StoreToProject() override;

  QSpinBox* ThreadsBox() const { return threads_; }
  QSpinBox* ExecutionsBox() const { return executions_; }
  QSpinBox* DelayFromBox() const { return delayFrom_; }
  QSpinBox* DelayToBox() const { return delayTo_; }
  QSpinBox* RowsBox() const { return rows_; }
  QSpinBox* InitialDelayBox() const { return initialDelay_; }
  QSpinBox* MaxBlobBox() const { return maxBlob_; }
  QComboBox* PriorityCombo() const { return priority_; }

 private:
  SettingsBindings bindings_;
  QSpinBox* threads_;
  QSpinBox* executions_;
  QSpinBox* delayFrom_;
  QSpinBox* delayTo_;
  QSpinBox* rows_;
  QSpinBox* initialDelay_;
  QSpinBox* maxBlob_;
  QComboBox* priority_;
  bool loaded_ = false;
};
