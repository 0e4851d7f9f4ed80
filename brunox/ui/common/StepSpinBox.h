#pragma once
// A number box whose arrows follow a rule of the page instead of a fixed step: steps that grow
// with the value, or a lower bound that stepping down never crosses. Typed values are whole
// numbers of any sign; only the arrows obey the rule.
#include <QSpinBox>
#include <functional>

class CStepSpinBox : public QSpinBox {
  Q_OBJECT

 public:
  // The value after one click: `up` true for the up arrow.
  using StepRule = std::function<int(int value, bool up)>;

  explicit CStepSpinBox(QWidget* parent = nullptr);

  void SetStepRule(StepRule rule) { rule_ = std::move(rule); }
  void stepBy(int steps) override;

  // Up adds `step`; down subtracts it only when the value is at least `step`, so stepping down
  // never goes below 0.
  static StepRule Fixed(int step);
  // Up adds 1; down subtracts 1 only from values above 1 (thread counts).
  static StepRule AtLeastOne();
  // The step is the order of magnitude of the value: 1 below 10, 10 below 100, 100 below 1000,
  // then 1000; down never goes below 0 (row counts).
  static StepRule ByMagnitude();

 signals:
  // An arrow was clicked (whether or not the value changed).
  void Stepped();

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

 private:
  StepRule rule_;
};
