#include "synthor/engine/expressions/ExpressionParser.h"

#include <utility>

#include "synthor/engine/PatternExcerpt.h"
#include "synthor/engine/expressions/ExpressionOperand.h"

namespace {

// Texts are joined rather than formatted: a token may be of any length and hold any character.
constexpr const wchar_t* kCloseParenthesisText = L"Expression: factor error: expect ')'";
constexpr const wchar_t* kEmptyFactorText = L"Expression: unexpected empty factor";
constexpr const wchar_t* kTooDeepText = L"Expression: parentheses nest deeper than 64 levels.";

std::wstring ExpectValueText(const std::wstring& token) {
  return L"Expression: Factor error: expect value instead of '" + PatternExcerpt(token) + L"'";
}

std::wstring UnexpectedTokenText(const std::wstring& token) {
  return L"Expression: unexpected operation ot token '" + PatternExcerpt(token) + L"'";
}

using expression_operators::Operator;

// The operators of the two levels; the one-character spellings read as the two-character ones.
// False for any other token.
bool TermOperator(const std::wstring& token, Operator* op) {
  if (token == L"+") *op = Operator::kPlus;
  else if (token == L"-") *op = Operator::kMinus;
  else if (token == L"==" || token == L"=") *op = Operator::kEqual;
  else if (token == L"!=" || token == L"!") *op = Operator::kNotEqual;
  else if (token == L"<") *op = Operator::kLess;
  else if (token == L">") *op = Operator::kGreater;
  else if (token == L"<=") *op = Operator::kLessEqual;
  else if (token == L">=") *op = Operator::kGreaterEqual;
  else return false;
  return true;
}

bool FactorOperator(const std::wstring& token, Operator* op) {
  if (token == L"*") *op = Operator::kTimes;
  else if (token == L"/") *op = Operator::kOver;
  else if (token == L"&&" || token == L"&") *op = Operator::kAnd;
  else if (token == L"||" || token == L"|") *op = Operator::kOr;
  else return false;
  return true;
}

}  // namespace

ExpressionParser::ExpressionParser(std::wstring_view text, std::vector<ExpressionStep>* steps)
    : text_(text), lexer_(text), steps_(steps) {}

void ExpressionParser::Run() { Expr(); }

void ExpressionParser::Expr() {
  Term();
  MoreTerms();
}

void ExpressionParser::Term() {
  Factor();
  MoreFactors();
}

// Both levels read their operators left to right: a op b op c is (a op b) op c.
void ExpressionParser::MoreTerms() {
  while (!stopped_) {
    const std::wstring token = lexer_.Next();
    if (token.empty()) return;
    Operator op;
    if (TermOperator(token, &op)) {
      Binary(op, &ExpressionParser::Term);
      continue;
    }
    if (token != L")") SetError(MExpression::kErrorUnexpectedToken, UnexpectedTokenText(token));
    lexer_.PushBack();
    return;
  }
}

void ExpressionParser::MoreFactors() {
  while (!stopped_) {
    Operator op;
    if (!FactorOperator(lexer_.Next(), &op)) {
      lexer_.PushBack();
      return;
    }
    Binary(op, &ExpressionParser::Factor);
  }
}

void ExpressionParser::Binary(Operator op, void (ExpressionParser::*operand)()) {
  const std::size_t before = steps_->size();
  (this->*operand)();
  // A right operand that is a plain literal need not go through the stack.
  if (steps_->size() == before + 1 && steps_->back().kind == ExpressionStep::kLiteral) {
    steps_->back().kind = ExpressionStep::kApplyLiteral;
    steps_->back().op = op;
    return;
  }
  ExpressionStep step;
  step.kind = ExpressionStep::kApply;
  step.op = op;
  steps_->push_back(std::move(step));
}

void ExpressionParser::Factor() {
  if (stopped_) return;
  const std::wstring token = lexer_.Next();
  if (token.empty()) {
    SetError(MExpression::kErrorEmptyFactor, kEmptyFactorText);
    return;
  }
  const wchar_t first = token[0];
  if (token == L"(") {
    Parenthesis();
  } else if (first == L'$' || first == L'@') {
    Nested(token);
  } else if (token == L"-" || token == L"+") {
    Signed(token == L"-");
  } else if (IsExpressionDigit(first) || first == L'\'') {
    Literal(ReadLiteral(token));
  } else {
    SetError(MExpression::kErrorExpectValue, ExpectValueText(token));
  }
}

// A sign before a literal belongs to the literal: a number is read with its minus, so that the
// least int, whose magnitude is no int, reads as well, and other literals have no sign to change.
// Before a parenthesis, a nested call or a reference it applies to that factor's value. Signs in a
// row combine (read in a loop, so that no run of them deepens the reading).
void ExpressionParser::Signed(bool minus) {
  std::wstring next = lexer_.Next();
  while (next == L"-" || next == L"+") {
    if (next == L"-") minus = !minus;
    next = lexer_.Next();
  }
  const wchar_t first = next.empty() ? L'\0' : next[0];
  if (next == L"(" || first == L'$' || first == L'@') {
    lexer_.PushBack();
    Factor();
    if (minus && !stopped_) {
      ExpressionStep step;
      step.kind = ExpressionStep::kNegate;
      steps_->push_back(std::move(step));
    }
    return;
  }
  ExpOperand operand = ReadLiteral(minus && IsExpressionDigit(first) ? L"-" + next : next);
  if (minus && operand.kind != ExpOperand::kString)
    operand.text = expression_operand::Render(operand);
  Literal(std::move(operand));
}

void ExpressionParser::Parenthesis() {
  if (depth_ >= MExpression::kMaxParentheses) {
    SetError(MExpression::kErrorTooDeep, kTooDeepText);
    stopped_ = true;
    lexer_.Stop();
    return;
  }
  ++depth_;
  Expr();
  --depth_;
  if (stopped_) return;
  if (lexer_.Next() != L")") SetError(MExpression::kErrorCloseParenthesis, kCloseParenthesisText);
}

ExpOperand ExpressionParser::ReadLiteral(const std::wstring& token) {
  ExpOperand operand;
  if (!expression_operand::FromLiteralInto(token, &operand))
    SetError(MExpression::kErrorIntegerOverflow, IntegerOverflowText(text_));
  return operand;
}

void ExpressionParser::Literal(ExpOperand operand) {
  ExpressionStep step;
  step.kind = ExpressionStep::kLiteral;
  step.textIsRendering = operand.kind != ExpOperand::kString &&
                         expression_operand::Render(operand) == operand.text;
  step.literal = std::move(operand);
  steps_->push_back(std::move(step));
}

void ExpressionParser::Nested(const std::wstring& token) {
  ExpressionStep step;
  step.kind = ExpressionStep::kNested;
  step.text = token;
  step.lookup.textIsFixed = true;  // a compiled program never changes its steps' texts
  steps_->push_back(std::move(step));
}

void ExpressionParser::SetError(int code, const std::wstring& text) {
  if (stopped_) return;  // the depth limit is the one error worth reporting then
  ExpressionStep step;
  step.kind = ExpressionStep::kError;
  step.errorCode = code;
  step.text = text;
  steps_->push_back(std::move(step));
}
