#pragma once
// A generator function's item: each value is the generator's next value. The engine owns the
// generator; the item only refers to it. Its kind is the generator's op code.
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class IGenerator;

class SYNTHOR_API CompiledItemGenerator : public CompiledItem {
 public:
  CompiledItemGenerator(DSynthor* engine, int kind) : CompiledItem(engine, kind) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;
  int nValues() override;
  void Reset() override;

  IGenerator* generator = nullptr;
};
