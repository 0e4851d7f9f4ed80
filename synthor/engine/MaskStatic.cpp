#include "synthor/engine/MaskStatic.h"

#include "platform/Text.h"

namespace {

constexpr const wchar_t* kMonthNames[12] = {L"JAN", L"FEB", L"MAR", L"APR", L"MAY", L"JUN",
                                            L"JUL", L"AUG", L"SEP", L"OCT", L"NOV", L"DEC"};

// Where `token` first stands in the mask when that position also lies inside the text; npos
// otherwise, so a field past the end of a short text is simply not read.
size_t FieldStart(const std::wstring& text, const std::wstring& mask, const wchar_t* token) {
  size_t pos = mask.find(token);
  if (pos == std::wstring::npos || pos >= text.size()) return std::wstring::npos;
  return pos;
}

// The leading decimal digits of the `width` characters at `pos` (cut at the end of the text).
// Unlike the general integer parser, no blank or sign is accepted: a field that does not start
// with a digit is 0.
int ReadDigits(const std::wstring& text, size_t pos, size_t width) {
  int value = 0;
  for (size_t i = pos; i < text.size() && i < pos + width; ++i) {
    wchar_t c = text[i];
    if (c < L'0' || c > L'9') break;
    value = value * 10 + (c - L'0');
  }
  return value;
}

int ReadField(const std::wstring& text, const std::wstring& mask, const wchar_t* token,
              size_t width) {
  size_t pos = FieldStart(text, mask, token);
  return pos == std::wstring::npos ? 0 : ReadDigits(text, pos, width);
}

int ReadMonthName(const std::wstring& text, size_t pos) {
  const std::wstring name = platform::Mid(text, static_cast<long long>(pos), 3);
  for (int m = 0; m < 12; ++m)
    if (platform::EqualsNoCase(name, kMonthNames[m])) return m + 1;
  return 0;
}

void Store(int* target, int value) {
  if (target != nullptr) *target = value;
}

}  // namespace

int MaskStatic::DaysInMonth(int month) {
  switch (month) {
    case 2:
      return 28;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    default:
      return 31;
  }
}

int MaskStatic::ScanDate(const std::wstring& text, const std::wstring& mask, int* day, int* month,
                         int* year) {
  const int d = ReadField(text, mask, L"DD", 2);

  int m = 0;
  if (size_t pos = FieldStart(text, mask, L"MM"); pos != std::wstring::npos) {
    m = ReadDigits(text, pos, 2);
  } else {
    const wchar_t* nameToken = mask.find(L"MON") != std::wstring::npos ? L"MON" : L"mon";
    if (size_t namePos = FieldStart(text, mask, nameToken); namePos != std::wstring::npos)
      m = ReadMonthName(text, namePos);
  }

  const bool longYear = mask.find(L"YYYY") != std::wstring::npos;
  int y = longYear ? ReadField(text, mask, L"YYYY", 4) : ReadField(text, mask, L"YY", 2);
  if (!longYear || y < 100) {
    const size_t centuryPos = mask.find(L'C');
    if (centuryPos != std::wstring::npos) {
      if (!longYear) y += 100 * ReadDigits(text, centuryPos, 1) + 1900;
    } else {
      y += y < 30 ? 2000 : 1900;
    }
  }

  Store(day, d);
  Store(month, m);
  Store(year, y);
  return longYear ? 1 : 0;
}

void MaskStatic::ScanTime(const std::wstring& text, const std::wstring& mask, int* hour,
                          int* minute, int* second, int* millisecond) {
  Store(hour, ReadField(text, mask, L"HH", 2));
  const wchar_t* minuteToken = mask.find(L"mm") != std::wstring::npos ? L"mm" : L"MM";
  Store(minute, ReadField(text, mask, minuteToken, 2));
  Store(second, ReadField(text, mask, L"SS", 2));
  Store(millisecond, ReadField(text, mask, L"sss", 3));
}
