#include "synthor/engine/items/CompiledItemExpression.h"

#include <memory>

#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"

int CompiledItemExpression::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  scratch = evaluator_.calc(text, eng);
  if (evaluator_.ErrorCode() != 0) return 0;
  return AppendTakingFormat(eng, out, scratch) ? 1 : 0;
}

int CompileExpressionItem(DSynthor& engine, CompiledPattern* pattern, const std::wstring& text) {
  auto item = std::make_unique<CompiledItemExpression>(&engine);
  item->text = text;
  engine.MarkDependent();
  pattern->Add(std::move(item));
  return 1;
}
