#include "synthor/engine/expressions/ExpressionProgram.h"

#include "synthor/engine/expressions/ExpressionParser.h"

ExpressionProgram::ExpressionProgram(std::wstring_view text) {
  ExpressionParser(text, &steps_).Run();
}
