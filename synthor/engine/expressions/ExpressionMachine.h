#pragma once
// Runs the steps of an ExpressionProgram. The operand stack and the buffer for nested values
// stay with the machine between runs, so that a steady stream of evaluations allocates nothing:
// operands are overwritten in place and their texts keep their memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/DGValue.h"
#include "synthor/engine/expressions/ExpressionProgram.h"
#include "synthor/engine/expressions/LocaleDateOrder.h"
#include "synthor/engine/expressions/MExpression.h"

class DSynthor;

class ExpressionMachine {
 public:
  // Nested steps go through `engine`; without one they push nothing. Errors are those of the
  // steps, the last one winning; 0 for none.
  void Run(ExpressionProgram& program, DSynthor* engine);

  // The operand left on top (a new, zero operand when none is). Its text is not up to date when
  // it is a computed value other than a string or a number a nested call handed over: render it
  // by its kind.
  const ExpOperand& Result() const { return size_ > 0 ? stack_[size_ - 1].operand : zero_; }
  int ErrorCode() const { return errorCode_; }
  const std::wstring& ErrorText() const { return errorText_; }

 private:
  // The slot a push fills, or null when the stack is full (the push is then dropped: at most
  // MY_STACK_SIZE - 1 operands are held).
  ExpOperand* PushSlot() {  // the new slot's text counts as up to date
    if (size_ + 1 >= static_cast<std::size_t>(MExpression::MY_STACK_SIZE)) return nullptr;
    if (size_ == stack_.size()) Grow();
    Slot& slot = stack_[size_++];
    slot.staleText = false;
    return &slot.operand;
  }
  void Grow();  // one more slot; the first runs only
  void Literal(const ExpressionStep& step);
  void Nested(ExpressionStep& step, DSynthor* engine);
  static void SetInt(ExpOperand* slot, int64_t value);  // all else as a new operand, text aside
  // Both say why there is no result, which the caller reports.
  expression_operators::Outcome Apply(expression_operators::Operator op);
  expression_operators::Outcome ApplyLiteral(const ExpressionStep& step);
  expression_operators::Outcome Negate();
  void Report(expression_operators::Outcome outcome, const ExpressionProgram& program);

  struct Slot {
    ExpOperand operand;
    // A computed value whose text has not been written yet: it is written only when a string
    // operator reads it, which saves rendering every intermediate number.
    bool staleText = false;
  };

  std::vector<Slot> stack_;  // slots [0, size_) are held; the rest keep their memory
  std::size_t size_ = 0;
  const ExpOperand zero_{};
  DGValue nested_;
  const DateOrder dateOrder_ = LocaleDateOrder();  // how nested dates without a format read
  int errorCode_ = 0;
  std::wstring errorText_;
};
