#pragma once
// The recursive descent over one expression text, writing the steps of an ExpressionProgram: a
// literal where a value was pushed, a nested step for each call or reference, an apply step where
// an operator combined its two operands, a negate step where a minus applied to a factor that is
// no literal, an error step where the reading met an error (none after the depth limit, which ends
// the reading and is always the error reported).
#include <string>
#include <string_view>
#include <vector>

#include "synthor/engine/expressions/ExpressionLexer.h"
#include "synthor/engine/expressions/ExpressionProgram.h"

class ExpressionParser {
 public:
  ExpressionParser(std::wstring_view text, std::vector<ExpressionStep>* steps);

  void Run();

 private:
  void Expr();
  void Term();
  void MoreTerms();
  void MoreFactors();
  void Factor();
  void Signed(bool minus);  // the factor after a sign
  void Parenthesis();
  void Binary(expression_operators::Operator op, void (ExpressionParser::*operand)());

  // The operand of a literal token; error 87 where it is an int too wide.
  ExpOperand ReadLiteral(const std::wstring& token);
  void Literal(ExpOperand operand);
  void Nested(const std::wstring& token);
  void SetError(int code, const std::wstring& text);

  std::wstring_view text_;  // the whole expression, which errors quote
  ExpressionLexer lexer_;
  std::vector<ExpressionStep>* steps_;
  int depth_ = 0;
  bool stopped_ = false;
};
