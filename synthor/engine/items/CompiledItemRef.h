#pragma once
// `@n`, `@'name'` and `@@...`: the current (or, with `@@`, the previous row's) value of another
// column of the row. A column that does not exist gives nothing.
#include <cstddef>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemRef : public CompiledItem {
 public:
  explicit CompiledItemRef(DSynthor* engine) : CompiledItem(engine, MASK_COLUMN) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  std::size_t column = 0;  // 0-based
  int previous = 0;        // read the previous row's value
};
