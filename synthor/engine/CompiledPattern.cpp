#include "synthor/engine/CompiledPattern.h"

#include <algorithm>

#include "synthor/engine/DSynthor.h"

int CompiledPattern::Render(DGValue* out, QuoteOptions* options) {
  for (auto& item : items) {
    if (!item->Value(out, engine, options)) return 0;
    // Items check their own growth; this catches any that append a little without asking.
    if (!engine->CanGrow(out->value.size(), 0)) return 0;
  }
  return 1;
}

int CompiledPattern::nValues() const {
  if (items.empty()) return 1;  // the empty text is one value
  int most = 0;
  for (const auto& item : items) most = std::max(most, item->nValues());
  return most;
}

void CompiledPattern::Reset() {
  for (auto& item : items) item->Reset();
}
