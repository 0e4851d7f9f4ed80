#pragma once
// `$rint`: a random integer from the minimum up to, but not including, the maximum (the minimum
// itself when they are equal or reversed).
#include <cstdint>
#include <string>

#include "synthor/engine/items/CompiledItemRandom.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemInt : public CompiledItemRandom {
 public:
  explicit CompiledItemInt(DSynthor* engine) : CompiledItemRandom(engine, MASK_RINT) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;
  int NumberOrValue(DGValue* out, DSynthor* engine, QuoteOptions* options,
                    int64_t* number) override;

  int64_t minimum = 0;
  int64_t maximum = 0;
  int mode32 = 1;        // draws of up to 31 bits where the range allows
  int plainDecimal = 1;  // 0: print with `format` (default "%I64d")
  int64_t lastRange = 0;
  int64_t lastValue = 0;
  std::wstring output;  // the last text written (not when a number was handed over)

 private:
  // Value, or with `number` NumberOrValue.
  int Render(DGValue* out, DSynthor* caller, int64_t* number);
  // Bounds that are nested calls or references, anew for every value; false after the engine's
  // error was set.
  bool ResolveBounds(DSynthor* eng);
};
