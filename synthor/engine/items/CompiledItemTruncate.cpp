#include "synthor/engine/items/CompiledItemTruncate.h"

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"

int CompiledItemTruncate::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (!Nested(eng, nullptr)) return 0;
  out->format = scratch.format;
  return Append(eng, out, platform::Left(scratch.value, length < 0 ? 0 : length)) ? 1 : 0;
}
