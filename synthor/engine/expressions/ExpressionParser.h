#pragma once
// The recursive descent over one expression text, for MExpression::calc. Each calc makes its own
// parser, so the operand stack, the token position and the error belong to that one evaluation (a
// nested call may evaluate another expression through the same MExpression meanwhile).
#include <string>
#include <string_view>
#include <vector>

#include "synthor/engine/expressions/ExpressionLexer.h"
#include "synthor/engine/expressions/MExpression.h"

class ExpressionParser {
 public:
  // Nested calls and references go through `engine` (may be null).
  ExpressionParser(DSynthor* engine, std::wstring_view text);

  // Evaluates the whole text and returns the result (the int 0 when nothing was left).
  ExpOperand Run();
  // The last error of the evaluation (the evaluation goes on after an error), 0 for none.
  int ErrorCode() const { return errorCode_; }
  const std::wstring& ErrorText() const { return errorText_; }

 private:
  void Expr();
  void Term();
  void MoreTerms();
  void MoreFactors();
  void Factor();
  void Parenthesis();
  void Nested(const std::wstring& token);
  void Binary(const std::wstring& op, void (ExpressionParser::*operand)());

  void Push(ExpOperand operand);
  ExpOperand Pop();
  void SetError(int code, const std::wstring& text);

  DSynthor* engine_;
  ExpressionLexer lexer_;
  std::vector<ExpOperand> stack_;
  int depth_ = 0;
  bool stopped_ = false;
  int errorCode_ = 0;
  std::wstring errorText_;
};
