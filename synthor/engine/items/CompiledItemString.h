#pragma once
// `$rstring`: a random text whose length lies between two bounds, mixing letters, blanks and
// separators by percentages, or drawing from chosen Unicode blocks.
#include <cstdint>
#include <vector>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemString : public CompiledItem {
 public:
  explicit CompiledItemString(DSynthor* engine) : CompiledItem(engine, MASK_RSTRING) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  int minLength = 0;
  int maxLength = 0;
  int upperPercent = 5;
  int spacePercent = 5;
  int separatorPercent = 0;
  std::vector<uint8_t> blocks;  // indexes into DGRandom's block table; empty = Latin letters
};
