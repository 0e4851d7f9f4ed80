#pragma once
// Random integers between two bounds: "$RInt(from,to)".
#include "brunox/ui/task/OptionPage.h"

class OpInterval : public OptionPage {
  Q_OBJECT

 public:
  explicit OpInterval(QWidget* parent = nullptr);
  ~OpInterval() override;

  void LoadParam(const TaskParam& param) override;
  void StoreParam(TaskParam& param) override;

  // Method and pattern from PropFrom and PropTo.
  static void BuildPattern(TaskParam& param);

 private:
  QLineEdit* from_;
  QLineEdit* to_;
};
