#include "synthor/engine/expressions/ExpressionProgram.h"

#include "synthor/engine/expressions/ExpressionParser.h"

ExpressionProgram::ExpressionProgram(std::wstring_view text) : text_(text) {
  ExpressionParser(text_, &steps_).Run();
}
