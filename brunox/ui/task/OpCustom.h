#pragma once
// A value pattern typed by the user, stored as it stands.
#include "brunox/ui/task/OptionPage.h"

class OpCustom : public OptionPage {
  Q_OBJECT

 public:
  explicit OpCustom(QWidget* parent = nullptr);
  ~OpCustom() override;

  void LoadParam(const TaskParam& param) override;
  void StoreParam(TaskParam& param) override;

 private:
  QLineEdit* pattern_;
};
