#include "synthor/engine/items/CompiledItemGroup.h"

#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/IGenerator.h"

int CompiledItemGroup::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng || !generator) return 0;
  return Append(eng, out, generator->GroupValue(column)) ? 1 : 0;
}

int CompiledItemGroup::nValues() { return generator ? generator->nValues() : 0; }
