#include "brunox/ui/common/StepSpinBox.h"

#include <climits>

namespace {

int AddClamped(int value, int step) {
  return value > INT_MAX - step ? INT_MAX : value + step;
}

}  // namespace

CStepSpinBox::CStepSpinBox(QWidget* parent) : QSpinBox(parent), rule_(Fixed(1)) {
  setRange(INT_MIN, INT_MAX);
  setAccelerated(false);
}

void CStepSpinBox::stepBy(int steps) {
  int value = this->value();
  for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) value = rule_(value, steps > 0);
  setValue(value);
  emit Stepped();
}

CStepSpinBox::StepRule CStepSpinBox::Fixed(int step) {
  return [step](int value, bool up) {
    if (up) return AddClamped(value, step);
    return value >= step ? value - step : value;
  };
}

CStepSpinBox::StepRule CStepSpinBox::AtLeastOne() {
  return [](int value, bool up) {
    if (up) return AddClamped(value, 1);
    return value > 1 ? value - 1 : value;
  };
}

CStepSpinBox::StepRule CStepSpinBox::ByMagnitude() {
  return [](int value, bool up) {
    const int step = value < 10 ? 1 : value < 100 ? 10 : value < 1000 ? 100 : 1000;
    if (up) return AddClamped(value, step);
    return value >= step ? value - step : value;
  };
}
