#pragma once
// `$group(id, column)`: one column of the row that a group generator chose for its own column.
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class IGenerator;

class SYNTHOR_API CompiledItemGroup : public CompiledItem {
 public:
  explicit CompiledItemGroup(DSynthor* engine) : CompiledItem(engine, MASK_GROUP) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;
  int nValues() override;

  int column = 0;  // from 1, passed to the generator
  IGenerator* generator = nullptr;
};
