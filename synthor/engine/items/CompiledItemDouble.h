#pragma once
// `$rfloat`: a random number between two bounds, drawn evenly, normally or linearly.
#include "synthor/engine/items/CompiledItemRandom.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemDouble : public CompiledItemRandom {
 public:
  enum Distribution { kEven = 0, kNormal = 1, kLinear = 2 };

  explicit CompiledItemDouble(DSynthor* engine) : CompiledItemRandom(engine, MASK_RFLOAT) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  double minimum = 0.0;
  double maximum = 0.0;
  int decimals = 2;  // negative -k: the integer part cut down to a multiple of 10^k
  int distribution = kEven;
  double deviation = 1.0;
};
