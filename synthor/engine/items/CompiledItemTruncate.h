#pragma once
// `$truncate(pattern, n)`: the nested value cut to at most n characters.
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemTruncate : public CompiledItem {
 public:
  explicit CompiledItemTruncate(DSynthor* engine) : CompiledItem(engine, MASK_TRUNCATE) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  int length = 0;
};
