#pragma once
// `$$(expression)`: the value of an expression over literals, nested calls and column values
// (MExpression). The text is compiled once, when the item is made; every value runs the compiled
// steps. The item fails when the expression reports an error; the engine then holds the
// evaluator's code and text.
#include <memory>
#include <string>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/expressions/MExpression.h"
#include "synthor/engine/SynthorExport.h"

class CompiledPattern;
class ExpressionProgram;

class SYNTHOR_API CompiledItemExpression : public CompiledItem {
 public:
  // `expression` is the text between the parentheses of `$$(...)`.
  CompiledItemExpression(DSynthor* engine, const std::wstring& expression);
  ~CompiledItemExpression() override;
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

 private:
  MExpression evaluator_;
  std::unique_ptr<ExpressionProgram> program_;
};

// Appends the item for the expression `text` (everything between the parentheses of `$$(...)`)
// to `pattern`; the value depends on nested values, so the engine records every value. 1.
int CompileExpressionItem(DSynthor& engine, CompiledPattern* pattern, const std::wstring& text);
