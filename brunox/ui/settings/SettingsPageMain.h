#pragma once
// The "General Product Settings" page: statistics collection, stopping on errors, the SQL
// library folder and the log. A view over the general store of g_settings: it shows the store
// when it is shown and writes (and saves) the store when it is left.
#include "brunox/ui/settings/SettingsBindings.h"
#include "brunox/ui/common/TitledPage.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class SettingsPageMain : public CTitledPage {
  Q_OBJECT

 public:
  explicit SettingsPageMain(QWidget* parent = nullptr);
  ~SettingsPageMain() override;

  // Every control from the store.
  void LoadFromProject() override;
  // Every control into the store, which is saved at once. Does nothing before the page has
  // been loaded, so a page never shown cannot overwrite the store with empty controls.
  void StoreToProject() override;

  // "..." beside the library folder and beside the log file.
  void ChooseLibraryFolder();
  void ChooseLogFile();

  QSpinBox* StatPeriodBox() const { return statPeriod_; }
  QRadioButton* ByTaskRadio() const { return byTask_; }
  QRadioButton* ByThreadRadio() const { return byThread_; }
  QRadioButton* PerPeriodRadio() const { return perPeriod_; }
  QRadioButton* PerSecondRadio() const { return perSecond_; }
  QCheckBox* StopOnErrorBox() const { return stopOnError_; }
  QLineEdit* LibraryEdit() const { return library_; }
  QLineEdit* LogFileEdit() const { return logFile_; }
  QComboBox* LogLevelCombo() const { return logLevel_; }
  QPushButton* SaveButton() const { return save_; }

 private:
  SettingsBindings bindings_;
  QSpinBox* statPeriod_;
  QRadioButton* byTask_;
  QRadioButton* byThread_;
  QRadioButton* perPeriod_;
  QRadioButton* perSecond_;
  QCheckBox* stopOnError_;
  QLineEdit* library_;
  QLineEdit* logFile_;
  QComboBox* logLevel_;
  QPushButton* save_;
  bool loaded_ = false;
};
