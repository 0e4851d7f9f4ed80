#include "synthor/engine/CompiledPattern.h"

#include <algorithm>

#include "synthor/engine/DSynthor.h"

int CompiledPattern::nValues() const {
  if (items.empty()) return 1;  // the empty text is one value
  int most = 0;
  for (const auto& item : items) most = std::max(most, item->nValues());
  return most;
}

void CompiledPattern::Reset() {
  for (auto& item : items) item->Reset();
}
