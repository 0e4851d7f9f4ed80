#pragma once
// `A`, `a`, `N`, `X` with their repeater: a run of random upper-case letters, lower-case letters,
// decimal digits or hexadecimal digits whose length lies between the two counts.
#include <cstddef>
#include <cstdint>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class DGRandom;

class SYNTHOR_API CompiledItemCharList : public CompiledItem {
 public:
  CompiledItemCharList(DSynthor* engine, int kind) : CompiledItem(engine, kind) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  int minCount = 1;
  int maxCount = 1;  // below minCount: always minCount
};

// The rendering of one character-class run, shared with the fused runs of CompiledItemRun: the
// count is drawn first (only when the counts differ), then one draw per character. 1, or 0 with
// error 115 when the drawn count does not fit (nothing is drawn then).
int AppendCharClass(DSynthor* engine, DGValue* out, int kind, int minCount, int maxCount);

// Draws `n` characters of the class `kind` into `out`, one draw each, in order.
void DrawCharClass(DGRandom& random, int kind, wchar_t* out, std::size_t n);

// The most characters such a run can add.
int64_t MostCharacters(int minCount, int maxCount);
