#include "synthor/engine/MaskWriter.h"

namespace mask_writer {

void PutDigits(std::wstring& text, long position, long long value, int width) {
  if (position < 0 || width <= 0) return;
  unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                   : static_cast<unsigned long long>(value);
  for (int i = width - 1; i >= 0; --i) {
    const unsigned long long at = static_cast<unsigned long long>(position) + i;
    if (at < text.size()) text[at] = static_cast<wchar_t>(L'0' + v % 10);
    v /= 10;
  }
}

void PutText(std::wstring& text, long position, const std::wstring& piece) {
  if (position < 0) return;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    const std::size_t at = static_cast<std::size_t>(position) + i;
    if (at >= text.size()) break;
    text[at] = piece[i];
  }
}

}  // namespace mask_writer
