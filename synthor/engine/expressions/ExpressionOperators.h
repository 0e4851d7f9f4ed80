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
// "-" in the table: the left operand stays as it was. Integers are 64-bit; an int result that
// does not fit has no value, nor has a division whose divisor counts as zero (the right's int
// value for an int left, its number for a double left): Apply says which, and leaves the left
// operand alone.
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

enum class Outcome : uint8_t { kDone, kDivisionByZero, kOverflow };

// a + b, a - b, a * b or a / b (truncating) for op + - * /, into *result; otherwise why there is
// no result. Any other operator is the caller's to keep away.
inline Outcome IntArithmetic(Operator op, int64_t a, int64_t b, int64_t* result) {
  bool overflow = false;
  switch (op) {
    case Operator::kPlus: overflow = __builtin_add_overflow(a, b, result); break;
    case Operator::kMinus: overflow = __builtin_sub_overflow(a, b, result); break;
    case Operator::kTimes: overflow = __builtin_mul_overflow(a, b, result); break;
    default:
      if (b == 0) return Outcome::kDivisionByZero;
      overflow = a == INT64_MIN && b == -1;  // the one quotient that does not fit
      if (!overflow) *result = a / b;
      break;
  }
  return overflow ? Outcome::kOverflow : Outcome::kDone;
}

// Apply for the commonest case, + - * / of two ints, without its dispatch: true when done; false
// (nothing changed) for any other operator or kind, and for a result that Apply reports instead
// (a division by zero, an overflow).
inline bool ApplyToInts(Operator op, ExpOperand& left, const ExpOperand& right) {
  if (left.kind != ExpOperand::kInt || right.kind != ExpOperand::kInt) return false;
  if (op != Operator::kPlus && op != Operator::kMinus && op != Operator::kTimes &&
      op != Operator::kOver)
    return false;
  int64_t result = 0;
  if (IntArithmetic(op, left.intValue, right.intValue, &result) != Outcome::kDone) return false;
  left.intValue = result;
  return true;
}

// The left operand's text is left as it was: for a result that is not a string, it is brought up
// to date (expression_operand::RenderInto) only where it is read, as the right operand of a
// string. A right operand read so must be up to date. Anything but kDone leaves the left operand
// unchanged.
Outcome Apply(Operator op, ExpOperand& left, const ExpOperand& right);

// A sign before a factor: an int or a double changes its sign, any other kind stays as it is.
// The least int has no negative: kOverflow, and the operand is left alone.
inline Outcome Negate(ExpOperand& operand) {
  if (operand.kind == ExpOperand::kInt) {
    if (operand.intValue == INT64_MIN) return Outcome::kOverflow;
    operand.intValue = -operand.intValue;
  } else if (operand.kind == ExpOperand::kDouble) {
    operand.doubleValue = -operand.doubleValue;
  }
  return Outcome::kDone;
}

// Whether `op` with `left` as its left operand reads the right operand's text.
inline bool ReadsRightText(const ExpOperand& left) { return left.kind == ExpOperand::kString; }

}  // namespace expression_operators
