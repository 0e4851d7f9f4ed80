#include "synthor/engine/items/CompiledItemExpression.h"

#include <memory>

#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/expressions/ExpressionProgram.h"

CompiledItemExpression::CompiledItemExpression(DSynthor* engine, const std::wstring& expression)
    : CompiledItem(engine, MASK_EXPRESSION),
      evaluator_(engine),
      program_(std::make_unique<ExpressionProgram>(expression)) {
  text = expression;
}

CompiledItemExpression::~CompiledItemExpression() = default;

int CompiledItemExpression::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  return evaluator_.EvaluateAppending(*program_, eng, out);
}

int CompileExpressionItem(DSynthor& engine, CompiledPattern* pattern, const std::wstring& text) {
  engine.MarkDependent();
  pattern->Add(std::make_unique<CompiledItemExpression>(&engine, text));
  return 1;
}
