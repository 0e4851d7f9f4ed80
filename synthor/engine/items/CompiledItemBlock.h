#pragma once
// `(`, `)` and `#`: mark the start and end of a part of the value, and append that part again.
// The marks live on the engine, so they span the items of one rendering.
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemBlock : public CompiledItem {
 public:
  CompiledItemBlock(DSynthor* engine, int kind) : CompiledItem(engine, kind) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;
};
