#pragma once
// The binary operators of expressions. The left operand becomes the result; what an operator does
// depends on the kind of the left operand first (then of the right one):
//
//   op   int left                 double left        date / date-time left   time left   string
//   +    int, double, +date/time  + number           + int days              + int sec   append
//   -    int, double              - number           - int days; - date: int - int sec   -
//   *    int, double              * number           -                       -           -
//   /    int, double              / number           -                       -           -
//   == != < > <= >=  give the int 0 or 1 (an int equals only an int);
//   && ||            set the left's int value to 0 or 1 and keep its kind.
//
// "-" in the table: the left operand stays as it was. Integer results wrap around at 32 bits.
// A division whose divisor counts as zero (the right's int value for an int left, its number for
// a double left) has no value: Apply says so and leaves the left operand alone.
#include <cstdint>

#include "synthor/engine/expressions/MExpression.h"

namespace expression_operators {

// The parser maps the one-character spellings = ! & | onto kEqual, kNotEqual, kAnd and kOr.
enum class Operator : uint8_t {
  kPlus,          // +
  kMinus,         // -
  kTimes,         // *
  kOver,          // /
  kEqual,         // ==
  kNotEqual,      // !=
  kLess,          // <
  kGreater,       // >
  kLessEqual,     // <=
  kGreaterEqual,  // >=
  kAnd,           // &&
  kOr,            // ||
};

// 32-bit arithmetic that wraps around instead of overflowing. A zero divisor is the caller's to
// refuse; here it only must not crash.
inline int32_t WrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrappingSubtract(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrappingMultiply(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t WrappingDivide(int32_t a, int32_t b) {
  if (b == 0) return a;
  if (b == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(a));  // INT32_MIN / -1 wraps
  return a / b;
}

// Apply for the commonest case, + - * / of two ints, without its dispatch: true when done; false
// (nothing changed) for any other operator or kind, and for a division by zero, which Apply
// handles.
inline bool ApplyToInts(Operator op, ExpOperand& left, const ExpOperand& right) {
  if (left.kind != ExpOperand::kInt || right.kind != ExpOperand::kInt) return false;
  switch (op) {
    case Operator::kPlus:
      left.intValue = WrappingAdd(left.intValue, right.intValue);
      return true;
    case Operator::kMinus:
      left.intValue = WrappingSubtract(left.intValue, right.intValue);
      return true;
    case Operator::kTimes:
      left.intValue = WrappingMultiply(left.intValue, right.intValue);
      return true;
    case Operator::kOver:
      if (right.intValue == 0) return false;  // Apply reports it
      left.intValue = WrappingDivide(left.intValue, right.intValue);
      return true;
    default:
      return false;
  }
}

// The left operand's text is left as it was: for a result that is not a string, it is brought up
// to date (expression_operand::RenderInto) only where it is read, as the right operand of a
// string. A right operand read so must be up to date. False for a division by zero (the left
// operand unchanged).
bool Apply(Operator op, ExpOperand& left, const ExpOperand& right);

// Whether `op` with `left` as its left operand reads the right operand's text.
inline bool ReadsRightText(const ExpOperand& left) { return left.kind == ExpOperand::kString; }

}  // namespace expression_operators
