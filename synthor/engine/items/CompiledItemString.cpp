#include "synthor/engine/items/CompiledItemString.h"

#include "synthor/engine/DSynthor.h"

int CompiledItemString::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  DGRandom& r = eng->random;
  int64_t length = minLength < 0 ? 0 : minLength;
  if (minLength < maxLength) length += r.Next64(static_cast<int64_t>(maxLength) - minLength + 1);
  if (!eng->CanGrow(out->value.size(), static_cast<std::size_t>(length))) return 0;
  // The percentages come from the pattern as written: summed in 64 bits so huge ones cannot
  // overflow.
  const int64_t separators = separatorPercent;
  const int64_t blanks = separators + spacePercent;
  const int64_t uppers = blanks + upperPercent;
  std::wstring& v = out->value;
  for (int64_t i = 0; i < length; ++i) {
    const int d = r.Next(100);
    if (d < separators) {
      v += r.NextSeparator();
    } else if (d < blanks) {
      v += L' ';
    } else if (!blocks.empty()) {
      v += r.OneUnicodeChar(blocks);
    } else {
      v += d < uppers ? r.NextUpperLetter() : r.NextLetter();
    }
  }
  return 1;
}
