#include "synthor/engine/items/CompiledItemText.h"

#include <algorithm>

#include "synthor/engine/DSynthor.h"
#include "synthor/engine/TextPhrases.h"

CompiledItemText::CompiledItemText(DSynthor* owner) : CompiledItem(owner, MASK_TEXT) {}

CompiledItemText::~CompiledItemText() = default;

int CompiledItemText::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  // A text only ever asks for the room the value has left, so it never fails for its length.
  const std::size_t room = eng->MaxValueLength() - std::min(out->value.size(), eng->MaxValueLength());
  const long long wanted = std::min<long long>(length, static_cast<long long>(room));
  return Append(eng, out, eng->Phrases()->MakeText(wanted, language)) ? 1 : 0;
}
