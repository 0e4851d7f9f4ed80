#pragma once
// The binary operators of expressions. The left operand becomes the result; what an operator does
// depends on the kind of the left operand first (then of the right one):
//
//   op   int left                 double left        date / date-time left   time left   string
//   +    int, double, +date/time  + number           + int days              + int sec   append
//   -    int, double              - number           - int days; - date: int - int sec   -
//   *    int, double              * number           -                       -           -
//   /    int, double (x/0 = x)    / number (x/0 = x) -                       -           -
//   == != < > <= >=  give the int 0 or 1 (an int equals only an int);
//   && ||            set the left's int value to 0 or 1 and keep its kind.
//
// "-" in the table: the left operand stays as it was. Integer results wrap around at 32 bits.
#include <string_view>

#include "synthor/engine/expressions/MExpression.h"

namespace expression_operators {

// `op` is one of + - * / == != < > <= >= && || (the parser maps = ! & | onto them).
void Apply(std::wstring_view op, ExpOperand& left, const ExpOperand& right);

}  // namespace expression_operators
