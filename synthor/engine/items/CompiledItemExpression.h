#pragma once
// `$$(expression)`: the value of an expression over literals, nested calls and column values
// (MExpression). The item fails when the expression reports an error; the engine then holds the
// evaluator's code and text.
#include <string>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/expressions/MExpression.h"
#include "synthor/engine/SynthorExport.h"

class CompiledPattern;

class SYNTHOR_API CompiledItemExpression : public CompiledItem {
 public:
  explicit CompiledItemExpression(DSynthor* engine)
      : CompiledItem(engine, MASK_EXPRESSION), evaluator_(engine) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

 private:
  MExpression evaluator_;
};

// Appends the item for the expression `text` (everything between the parentheses of `$$(...)`)
// to `pattern`; the value depends on nested values, so the engine records every value. 1.
int CompileExpressionItem(DSynthor& engine, CompiledPattern* pattern, const std::wstring& text);
