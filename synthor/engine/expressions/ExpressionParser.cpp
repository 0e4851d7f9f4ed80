#include "synthor/engine/expressions/ExpressionParser.h"

#include <utility>

#include "synthor/engine/DSynthor.h"
#include "synthor/engine/expressions/ExpressionOperand.h"
#include "synthor/engine/expressions/ExpressionOperators.h"

namespace {

// Texts are joined rather than formatted: a token may be of any length and hold any character.
constexpr const wchar_t* kCloseParenthesisText = L"Expression: factor error: expect ')'";
constexpr const wchar_t* kEmptyFactorText = L"Expression: unexpected empty factor";
constexpr const wchar_t* kTooDeepText = L"Expression: parentheses nest deeper than 64 levels.";

std::wstring ExpectValueText(const std::wstring& token) {
  return L"Expression: Factor error: expect value instead of '" + token + L"'";
}

std::wstring NestedCallText(const std::wstring& token, const std::wstring& why) {
  return L"Expression: could not evaluate nested call '" + token + L"': " + why;
}

std::wstring UnexpectedTokenText(const std::wstring& token) {
  return L"Expression: unexpected operation ot token '" + token + L"'";
}

// The one-character spellings of the operators read as the two-character ones.
std::wstring TermOperator(const std::wstring& token) {
  if (token == L"+" || token == L"-" || token == L"==" || token == L"!=" || token == L"<" ||
      token == L">" || token == L"<=" || token == L">=")
    return token;
  if (token == L"=") return L"==";
  if (token == L"!") return L"!=";
  return {};
}

std::wstring FactorOperator(const std::wstring& token) {
  if (token == L"*" || token == L"/" || token == L"&&" || token == L"||") return token;
  if (token == L"&") return L"&&";
  if (token == L"|") return L"||";
  return {};
}

}  // namespace

ExpressionParser::ExpressionParser(DSynthor* engine, std::wstring_view text)
    : engine_(engine), lexer_(text) {}

ExpOperand ExpressionParser::Run() {
  Expr();
  return Pop();
}

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
    const std::wstring op = TermOperator(token);
    if (!op.empty()) {
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
    const std::wstring op = FactorOperator(lexer_.Next());
    if (op.empty()) {
      lexer_.PushBack();
      return;
    }
    Binary(op, &ExpressionParser::Factor);
  }
}

void ExpressionParser::Binary(const std::wstring& op, void (ExpressionParser::*operand)()) {
  (this->*operand)();
  const ExpOperand right = Pop();
  ExpOperand left = Pop();
  expression_operators::Apply(op, left, right);
  Push(std::move(left));
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
    // A sign applies to the literal that follows it, not to a whole factor.
    ExpOperand operand = expression_operand::FromLiteral(lexer_.Next());
    if (token == L"-") {
      expression_operand::Negate(operand);
      if (operand.kind != ExpOperand::kString) operand.text = expression_operand::Render(operand);
    }
    Push(std::move(operand));
  } else if (IsExpressionDigit(first) || first == L'\'') {
    Push(expression_operand::FromLiteral(token));
  } else {
    SetError(MExpression::kErrorExpectValue, ExpectValueText(token));
  }
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

void ExpressionParser::Nested(const std::wstring& token) {
  if (!engine_) return;
  DGValue value;
  if (engine_->Value(-1, token, &value, nullptr)) {
    Push(expression_operand::FromValue(value.value, value.format));
  } else {
    SetError(MExpression::kErrorNestedCall, NestedCallText(token, engine_->Error()));
  }
}

void ExpressionParser::Push(ExpOperand operand) {
  // At most MY_STACK_SIZE - 1 operands are held; a push beyond is dropped. Parentheses nest 64
  // deep at most and every operator takes two operands and gives back one, so it never happens.
  if (stack_.size() + 1 < static_cast<std::size_t>(MExpression::MY_STACK_SIZE))
    stack_.push_back(std::move(operand));
}

ExpOperand ExpressionParser::Pop() {
  if (stack_.empty()) return ExpOperand();
  ExpOperand top = std::move(stack_.back());
  stack_.pop_back();
  return top;
}

void ExpressionParser::SetError(int code, const std::wstring& text) {
  if (stopped_) return;  // the depth limit is the one error worth reporting then
  errorCode_ = code;
  errorText_ = text;
}
