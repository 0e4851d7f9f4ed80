#pragma once
// Writing the fields of a date or time into a copy of its mask, in place.
#include <string>

namespace mask_writer {

// Writes `value` as `width` zero-padded decimal digits starting at `position` (the value is taken
// modulo 10^width, its sign dropped). A negative position, or digits past the end, are skipped.
void PutDigits(std::wstring& text, long position, long long value, int width);
// Overwrites the characters at `position` with `piece`, as far as the text reaches.
void PutText(std::wstring& text, long position, const std::wstring& piece);

}  // namespace mask_writer
