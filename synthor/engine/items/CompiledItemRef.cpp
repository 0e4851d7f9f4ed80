#include "synthor/engine/items/CompiledItemRef.h"

#include "synthor/engine/DSynthor.h"

int CompiledItemRef::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (column >= eng->ColumnCount()) return 1;
  out->format = eng->ColumnFormat(column);
  return Append(eng, out, previous ? eng->PreviousValue(column) : eng->CurrentValue(column)) ? 1
                                                                                            : 0;
}
