#include "synthor/engine/items/CompiledItemCharList.h"

#include <cstdint>

#include "synthor/engine/DSynthor.h"

int CompiledItemCharList::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  int64_t n = minCount < 0 ? 0 : minCount;
  if (maxCount != minCount) {
    const int64_t span = static_cast<int64_t>(maxCount) - minCount + 1;
    n += eng->random.Next64(span);  // an empty or reversed span draws 0
  }
  // Refused before a single character is drawn, so a huge count costs nothing.
  if (!eng->CanGrow(out->value.size(), static_cast<std::size_t>(n))) return 0;
  DGRandom& r = eng->random;
  std::wstring& v = out->value;
  v.reserve(v.size() + static_cast<std::size_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    switch (kind) {
      case MASK_HEX_DIGIT: v += r.NextHexChar(); break;
      case MASK_UPPER_LETTER: v += r.NextUpperLetter(); break;
      case MASK_LOWER_LETTER: v += r.NextLetter(); break;
      default: v += r.NextDigit(); break;
    }
  }
  return 1;
}
