#include "synthor/engine/expressions/ExpressionMachine.h"

#include <cstdint>
#include <utility>

#include "synthor/engine/DSynthor.h"
#include "synthor/engine/PatternExcerpt.h"
#include "synthor/engine/expressions/ExpressionOperand.h"

using expression_operators::Outcome;

void ExpressionMachine::Run(ExpressionProgram& program, DSynthor* engine) {
  size_ = 0;
  errorCode_ = 0;
  errorText_.clear();
  for (ExpressionStep& step : program.Steps()) {
    switch (step.kind) {
      case ExpressionStep::kLiteral:
        Literal(step);
        break;
      case ExpressionStep::kNested:
        Nested(step, engine);
        break;
      case ExpressionStep::kApply:
        Report(Apply(step.op), program);
        break;
      case ExpressionStep::kApplyLiteral:
        // Int arithmetic on the top operand, the commonest step, without a call.
        if (size_ != 0 && size_ + 1 < static_cast<std::size_t>(MExpression::MY_STACK_SIZE) &&
            expression_operators::ApplyToInts(step.op, stack_[size_ - 1].operand, step.literal)) {
          stack_[size_ - 1].staleText = true;
          break;
        }
        Report(ApplyLiteral(step), program);
        break;
      case ExpressionStep::kNegate:
        Report(Negate(), program);
        break;
      case ExpressionStep::kError:
        errorCode_ = step.errorCode;
        errorText_ = step.text;
        break;
    }
  }
}

void ExpressionMachine::Grow() { stack_.emplace_back(); }

void ExpressionMachine::Literal(const ExpressionStep& step) {
  ExpOperand* slot = PushSlot();
  if (!slot) return;
  if (!step.textIsRendering) {
    *slot = step.literal;
    return;
  }
  const ExpOperand& from = step.literal;
  slot->kind = from.kind;
  slot->intValue = from.intValue;
  slot->day = from.day;
  slot->month = from.month;
  slot->year = from.year;
  slot->hour = from.hour;
  slot->minute = from.minute;
  slot->second = from.second;
  slot->millisecond = from.millisecond;
  slot->doubleValue = from.doubleValue;
  slot->fourDigitYear = from.fourDigitYear;
  if (from.format.empty())
    slot->format.clear();  // numbers have none; clearing is cheaper than assigning nothing
  else
    slot->format = from.format;
  stack_[size_ - 1].staleText = true;
}

void ExpressionMachine::Nested(ExpressionStep& step, DSynthor* engine) {
  if (!engine) return;
  int64_t number = 0;
  const int result = engine->NumberOrValue(step.text, &step.lookup, &nested_, &number);
  if (result == 2) {
    // The int the text would have read as; the text itself is written only if a string reads it.
    if (ExpOperand* slot = PushSlot()) {
      SetInt(slot, number);
      stack_[size_ - 1].staleText = true;
    }
  } else if (result == 1) {
    // A value no slot takes is not read at all, as it never was.
    if (ExpOperand* slot = PushSlot())
      expression_operand::FromValueInto(nested_.value, nested_.format, dateOrder_, slot);
  } else {
    errorCode_ = MExpression::kErrorNestedCall;
    errorText_ = L"Expression: could not evaluate nested call '" + PatternExcerpt(step.text) +
                 L"': " + engine->Error();
  }
}

void ExpressionMachine::SetInt(ExpOperand* slot, int64_t value) {
  slot->kind = ExpOperand::kInt;
  slot->intValue = value;
  slot->day = slot->month = slot->year = 0;
  slot->hour = slot->minute = slot->second = slot->millisecond = 0;
  slot->doubleValue = 0.0;
  slot->fourDigitYear = 0;
  slot->format.clear();
}

void ExpressionMachine::Report(Outcome outcome, const ExpressionProgram& program) {
  if (outcome == Outcome::kDivisionByZero) {
    errorCode_ = MExpression::kErrorDivisionByZero;
    errorText_ = L"Expression: division by zero in '" + PatternExcerpt(program.Text()) + L"'";
  } else if (outcome == Outcome::kOverflow) {
    errorCode_ = MExpression::kErrorIntegerOverflow;
    errorText_ = IntegerOverflowText(program.Text());
  }
}

Outcome ExpressionMachine::ApplyLiteral(const ExpressionStep& step) {
  // With a left operand on the stack and room for the literal, the push and the pop cancel out;
  // the literal's own text is up to date.
  if (size_ == 0 || size_ + 1 >= static_cast<std::size_t>(MExpression::MY_STACK_SIZE)) {
    Literal(step);
    return Apply(step.op);
  }
  Slot& left = stack_[size_ - 1];
  const Outcome outcome = expression_operators::Apply(step.op, left.operand, step.literal);
  left.staleText = left.operand.kind != ExpOperand::kString;
  return outcome;
}

Outcome ExpressionMachine::Negate() {
  if (size_ == 0) {
    // Nothing was pushed: the sign applies to the zero operand an empty stack gives.
    if (ExpOperand* slot = PushSlot()) SetInt(slot, 0);
    return Outcome::kDone;
  }
  Slot& top = stack_[size_ - 1];
  const Outcome outcome = expression_operators::Negate(top.operand);
  if (top.operand.kind != ExpOperand::kString) top.staleText = true;
  return outcome;
}

Outcome ExpressionMachine::Apply(expression_operators::Operator op) {
  using expression_operators::ReadsRightText;
  if (size_ >= 2) {
    Slot& left = stack_[size_ - 2];
    Slot& right = stack_[size_ - 1];
    if (right.staleText && ReadsRightText(left.operand)) {
      expression_operand::RenderInto(right.operand, &right.operand.text);
      right.staleText = false;
    }
    Outcome outcome = Outcome::kDone;
    if (!expression_operators::ApplyToInts(op, left.operand, right.operand))
      outcome = expression_operators::Apply(op, left.operand, right.operand);
    left.staleText = left.operand.kind != ExpOperand::kString;
    --size_;
    return outcome;
  }
  // Fewer than two operands: the missing ones are zero, as popping an empty stack gives. The left
  // is then the int 0, which never reads the right operand's text.
  ExpOperand left;
  ExpOperand right;
  if (size_ == 1) right = std::move(stack_[--size_].operand);
  const Outcome outcome = expression_operators::Apply(op, left, right);
  if (ExpOperand* slot = PushSlot()) {
    *slot = std::move(left);
    stack_[size_ - 1].staleText = true;
  }
  return outcome;
}
