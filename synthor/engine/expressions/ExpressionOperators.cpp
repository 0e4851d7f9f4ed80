#include "synthor/engine/expressions/ExpressionOperators.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "synthor/engine/expressions/ExpressionDates.h"
#include "synthor/engine/expressions/ExpressionOperand.h"

namespace expression_operators {

namespace {

using expression_dates::AddDays;
using expression_dates::AddSeconds;
using expression_dates::SubtractDays;
using expression_dates::SubtractSeconds;

bool IsDate(const ExpOperand& op) {
  return op.kind == ExpOperand::kDate || op.kind == ExpOperand::kDateTime;
}

// What a number-like right operand counts as: its int value when it is an int, else its double.
double NumberOf(const ExpOperand& op) {
  return op.kind == ExpOperand::kInt ? static_cast<double>(op.intValue) : op.doubleValue;
}

void BecomeInt(ExpOperand& op, int64_t value) {
  op.kind = ExpOperand::kInt;
  op.intValue = value;
  op.format.clear();
}

void BecomeDouble(ExpOperand& op, double value) {
  op.kind = ExpOperand::kDouble;
  op.doubleValue = value;
}

// The int arithmetic of + - * / with a right operand whose int value counts (an int, or a
// string read as a number).
Outcome ApplyIntArithmetic(Operator op, ExpOperand& left, int64_t right) {
  int64_t result = 0;
  const Outcome outcome = IntArithmetic(op, left.intValue, right, &result);
  if (outcome == Outcome::kDone) left.intValue = result;
  return outcome;
}

Outcome Plus(ExpOperand& left, const ExpOperand& right) {
  switch (left.kind) {
    case ExpOperand::kInt:
      if (right.kind == ExpOperand::kDouble) {
        BecomeDouble(left, static_cast<double>(left.intValue) + right.doubleValue);
      } else if (IsDate(right) || right.kind == ExpOperand::kTime) {
        const int64_t n = left.intValue;
        left = right;
        if (IsDate(left))
          AddDays(left, n);
        else
          AddSeconds(left, n);
      } else {
        return ApplyIntArithmetic(Operator::kPlus, left, right.intValue);
      }
      break;
    case ExpOperand::kDouble:
      left.doubleValue += NumberOf(right);
      break;
    case ExpOperand::kDate:
    case ExpOperand::kDateTime:
      if (right.kind == ExpOperand::kInt) AddDays(left, right.intValue);
      break;
    case ExpOperand::kTime:
      if (right.kind == ExpOperand::kInt) AddSeconds(left, right.intValue);
      break;
    default:
      left.text += right.text;
      break;
  }
  return Outcome::kDone;
}

Outcome Minus(ExpOperand& left, const ExpOperand& right) {
  switch (left.kind) {
    case ExpOperand::kInt:
      if (right.kind == ExpOperand::kDouble)
        BecomeDouble(left, static_cast<double>(left.intValue) - right.doubleValue);
      else if (right.kind == ExpOperand::kInt || right.kind == ExpOperand::kString)
        return ApplyIntArithmetic(Operator::kMinus, left, right.intValue);
      break;
    case ExpOperand::kDouble:
      left.doubleValue -= NumberOf(right);
      break;
    case ExpOperand::kDate:
    case ExpOperand::kDateTime:
      if (right.kind == ExpOperand::kInt)
        SubtractDays(left, right.intValue);
      else if (IsDate(right))
        BecomeInt(left, expression_dates::DayDifference(left, right));
      break;
    case ExpOperand::kTime:
      if (right.kind == ExpOperand::kInt) SubtractSeconds(left, right.intValue);
      break;
    default:
      break;
  }
  return Outcome::kDone;
}

Outcome Times(ExpOperand& left, const ExpOperand& right) {
  if (left.kind == ExpOperand::kInt) {
    if (right.kind == ExpOperand::kDouble)
      BecomeDouble(left, static_cast<double>(left.intValue) * right.doubleValue);
    else if (right.kind == ExpOperand::kInt || right.kind == ExpOperand::kString)
      return ApplyIntArithmetic(Operator::kTimes, left, right.intValue);
  } else if (left.kind == ExpOperand::kDouble) {
    left.doubleValue *= NumberOf(right);
  }
  return Outcome::kDone;
}

// Whether int or floating-point, a division by zero has no value, and keeping the left operand
// would pass a wrong one off as right.
Outcome Over(ExpOperand& left, const ExpOperand& right) {
  if (left.kind == ExpOperand::kInt) {
    if (right.kind == ExpOperand::kDouble) {
      if (right.doubleValue == 0.0) return Outcome::kDivisionByZero;
      BecomeDouble(left, static_cast<double>(left.intValue) / right.doubleValue);
    } else if (right.kind == ExpOperand::kInt || right.kind == ExpOperand::kString) {
      return ApplyIntArithmetic(Operator::kOver, left, right.intValue);
    }
  } else if (left.kind == ExpOperand::kDouble) {
    const double divisor = NumberOf(right);
    if (divisor == 0.0) return Outcome::kDivisionByZero;
    left.doubleValue /= divisor;
  }
  return Outcome::kDone;
}

bool SameDay(const ExpOperand& a, const ExpOperand& b) {
  return a.day == b.day && a.month == b.month && a.year == b.year;
}

bool SameTime(const ExpOperand& a, const ExpOperand& b) {
  return a.hour == b.hour && a.minute == b.minute && a.second == b.second;
}

bool Equal(const ExpOperand& left, const ExpOperand& right) {
  switch (left.kind) {
    case ExpOperand::kInt:
      return right.kind == ExpOperand::kInt && left.intValue == right.intValue;
    case ExpOperand::kDouble:
      return left.doubleValue == NumberOf(right);
    case ExpOperand::kDate:
      return SameDay(left, right);
    case ExpOperand::kDateTime:
      return SameDay(left, right) && SameTime(left, right);
    case ExpOperand::kTime:
      return SameTime(left, right);
    default:
      return left.text == right.text;
  }
}

template <class T>
int Compare(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

int CompareFields(std::initializer_list<std::pair<int, int>> fields) {
  for (const auto& [a, b] : fields) {
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

// <0, 0 or >0 as the left operand orders before, with or after the right one.
int Order(const ExpOperand& left, const ExpOperand& right) {
  switch (left.kind) {
    case ExpOperand::kInt:
      // A fractional right operand is compared as a number, not by its (zero) int value.
      if (right.kind == ExpOperand::kDouble)
        return Compare(static_cast<double>(left.intValue), right.doubleValue);
      return Compare(left.intValue, right.intValue);
    case ExpOperand::kDouble:
      return Compare(left.doubleValue, NumberOf(right));
    case ExpOperand::kDate:
      return CompareFields(
          {{left.year, right.year}, {left.month, right.month}, {left.day, right.day}});
    case ExpOperand::kDateTime:
      return CompareFields({{left.year, right.year},
                            {left.month, right.month},
                            {left.day, right.day},
                            {left.hour, right.hour},
                            {left.minute, right.minute},
                            {left.second, right.second}});
    case ExpOperand::kTime:
      return CompareFields(
          {{left.hour, right.hour}, {left.minute, right.minute}, {left.second, right.second}});
    default:
      return left.text.compare(right.text);
  }
}

}  // namespace

Outcome Apply(Operator op, ExpOperand& left, const ExpOperand& right) {
  switch (op) {
    case Operator::kPlus: return Plus(left, right);
    case Operator::kMinus: return Minus(left, right);
    case Operator::kTimes: return Times(left, right);
    case Operator::kOver: return Over(left, right);
    case Operator::kEqual: BecomeInt(left, Equal(left, right) ? 1 : 0); break;
    case Operator::kNotEqual: BecomeInt(left, Equal(left, right) ? 0 : 1); break;
    case Operator::kLess: BecomeInt(left, Order(left, right) < 0 ? 1 : 0); break;
    case Operator::kGreater: BecomeInt(left, Order(left, right) > 0 ? 1 : 0); break;
    case Operator::kLessEqual: BecomeInt(left, Order(left, right) > 0 ? 0 : 1); break;
    case Operator::kGreaterEqual: BecomeInt(left, Order(left, right) < 0 ? 0 : 1); break;
    case Operator::kAnd: left.intValue = left.intValue != 0 && right.intValue != 0 ? 1 : 0; break;
    case Operator::kOr: left.intValue = left.intValue != 0 || right.intValue != 0 ? 1 : 0; break;
  }
  return Outcome::kDone;
}

}  // namespace expression_operators
