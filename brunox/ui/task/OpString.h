#pragma once
// Random strings of a length range and one character class: "A{1;32}" (upper letters), "a{..}"
// (lower letters), "N{..}" (digits) or "X{..}" (hexadecimal digits).
#include <array>

#include "brunox/ui/task/OptionPage.h"

class QRadioButton;

class OpString : public OptionPage {
  Q_OBJECT

 public:
  explicit OpString(QWidget* parent = nullptr);
  ~OpString() override;

  void LoadParam(const TaskParam& param) override;
  void StoreParam(TaskParam& param) override;

  // Method and pattern from PropLenFrom, PropLenTo and PropStrType; a type outside the four
  // classes becomes upper letters (type 0).
  static void BuildPattern(TaskParam& param);

 private:
  QLineEdit* from_;
  QLineEdit* to_;
  std::array<QRadioButton*, 4> classes_{};  // in PropStrType order
};
