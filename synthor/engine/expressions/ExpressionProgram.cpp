#include "synthor/engine/expressions/ExpressionProgram.h"

#include "synthor/engine/PatternExcerpt.h"
#include "synthor/engine/expressions/ExpressionParser.h"

std::wstring IntegerOverflowText(std::wstring_view expression) {
  return L"Expression: integer overflow in '" + PatternExcerpt(expression) + L"'";
}

ExpressionProgram::ExpressionProgram(std::wstring_view text) : text_(text) {
  ExpressionParser(text_, &steps_).Run();
}
