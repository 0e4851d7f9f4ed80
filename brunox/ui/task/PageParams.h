#pragma once
// The parameters tab of the task dialog: where the values of the statement's parameter markers
// (?1, ?2, ...) come from. Either a value file (its path, the field separator, and how threads
// share its lines) or generated values: one record per marker number, each edited on the option
// page of its value type.
#include <array>
#include <string>

#include "brunox/engine/project/TaskParam.h"
#include "brunox/ui/task/TaskPage.h"

class CHistCBox;
class OptionPage;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;
class QTableWidget;

class PageParams : public CTaskPage {
  Q_OBJECT

 public:
  explicit PageParams(TaskPageHost& dialog, QWidget* parent = nullptr);
  ~PageParams() override;

  void Activate() override;
  void Deactivate() override;
  // The page of the shown parameter's pattern; the task's page when none is shown.
  std::wstring HelpTopic() const override;

  // How many parameters `sql` refers to: the largest number written after a '?' (a '?' without
  // digits counts 0), at most kMaxParameters. Every '?' counts, also one that follows another
  // marker's digits directly ("?1?2" refers to two).
  static int CountParameters(const std::wstring& sql);
  static constexpr int kMaxParameters = 1000;

 private:
  static constexpr int kValueTypes = 4;

  QWidget* BuildSource();
  QGroupBox* BuildDataFile();
  QGroupBox* BuildParameters();
  void EnableSource();
  void ChooseValueFile();
  void EditValueFile();
  void SelectionChanged();
  void ValueTypeChanged();
  // Record `index` of the task ↔ the option page shown.
  void StoreParameter(int index);
  void ShowParameter(int index);
  void ShowPage(int valueType);
  void FollowEdits(QWidget& page);
  void ShowPattern();
  TaskParam* Param(int index) const;

  QRadioButton* useValueFile_ = nullptr;
  QRadioButton* useGenerated_ = nullptr;
  QGroupBox* dataFile_ = nullptr;
  QLineEdit* valueFile_ = nullptr;
  CHistCBox* separator_ = nullptr;
  std::array<QRadioButton*, 3> threadUse_{};  // in ValueFileUse order
  QTableWidget* list_ = nullptr;
  QLabel* valueTypeLabel_ = nullptr;
  CHistCBox* valueType_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  std::array<OptionPage*, kValueTypes> optionPages_{};  // in ParamMethod order, owned by pages_
  QLineEdit* pattern_ = nullptr;
  int curParam_ = -1;          // the record the option page shows, -1 for none
  bool inSelChange_ = false;   // the list handler is running
  // What storing the shown record would give had nobody touched the option page: a record is
  // only stored when the page would store something else, so that looking at a parameter whose
  // pattern was written by hand does not rebuild it.
  TaskParam untouched_;
};
