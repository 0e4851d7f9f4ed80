#include "synthor/engine/items/CompiledItemCharList.h"

#include "synthor/engine/DSynthor.h"

void DrawCharClass(DGRandom& random, int kind, wchar_t* out, std::size_t n) {
  static constexpr wchar_t kHex[] = {L'0', L'1', L'2', L'3', L'4', L'5', L'6', L'7',
                                     L'8', L'9', L'A', L'B', L'C', L'D', L'E', L'F'};
  static constexpr wchar_t kUpper[] = {L'A', L'B', L'C', L'D', L'E', L'F', L'G', L'H', L'I',
                                       L'J', L'K', L'L', L'M', L'N', L'O', L'P', L'Q', L'R',
                                       L'S', L'T', L'U', L'V', L'W', L'X', L'Y', L'Z'};
  static constexpr wchar_t kLower[] = {L'a', L'b', L'c', L'd', L'e', L'f', L'g', L'h', L'i',
                                       L'j', L'k', L'l', L'm', L'n', L'o', L'p', L'q', L'r',
                                       L's', L't', L'u', L'v', L'w', L'x', L'y', L'z'};
  static constexpr wchar_t kDigits[] = {L'0', L'1', L'2', L'3', L'4',
                                        L'5', L'6', L'7', L'8', L'9'};
  // The same characters as NextHexChar, NextUpperLetter, NextLetter and NextDigit would draw.
  switch (kind) {
    case MASK_HEX_DIGIT: random.NextChars(out, n, kHex); break;
    case MASK_UPPER_LETTER: random.NextChars(out, n, kUpper); break;
    case MASK_LOWER_LETTER: random.NextChars(out, n, kLower); break;
    default: random.NextChars(out, n, kDigits); break;
  }
}

int AppendCharClass(DSynthor* eng, DGValue* out, int kind, int minCount, int maxCount) {
  int64_t n = minCount < 0 ? 0 : minCount;
  if (maxCount != minCount) {
    const int64_t span = static_cast<int64_t>(maxCount) - minCount + 1;
    n += eng->random.Next64(span);  // an empty or reversed span draws 0
  }
  // Refused before a single character is drawn, so a huge count costs nothing.
  if (!eng->CanGrow(out->value.size(), static_cast<std::size_t>(n))) return 0;
  std::wstring& v = out->value;
  const std::size_t start = v.size();
  const auto count = static_cast<std::size_t>(n);
  v.resize(start + count);
  DrawCharClass(eng->random, kind, v.data() + start, count);
  return 1;
}

int64_t MostCharacters(int minCount, int maxCount) {
  const int64_t least = minCount < 0 ? 0 : minCount;
  return maxCount > minCount ? least + (static_cast<int64_t>(maxCount) - minCount) : least;
}

int CompiledItemCharList::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  return AppendCharClass(eng, out, kind, minCount, maxCount);
}
