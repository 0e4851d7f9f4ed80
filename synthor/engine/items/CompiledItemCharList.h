#pragma once
// `A`, `a`, `N`, `X` with their repeater: a run of random upper-case letters, lower-case letters,
// decimal digits or hexadecimal digits whose length lies between the two counts.
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemCharList : public CompiledItem {
 public:
  CompiledItemCharList(DSynthor* engine, int kind) : CompiledItem(engine, kind) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  int minCount = 1;
  int maxCount = 1;  // below minCount: always minCount
};
