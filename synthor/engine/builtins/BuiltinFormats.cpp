#include "synthor/engine/builtins/BuiltinFormats.h"

#include "platform/UserFormat.h"

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

struct ConversionParts {
  std::wstring_view length;  // "", "I64", "ll", "l", "h"
  wchar_t letter = 0;        // 0 when the format ends inside the conversion
};

// The first conversion of `format` (after any "%%"); npos-like letter 0 when there is none.
ConversionParts FirstConversion(std::wstring_view f) {
  ConversionParts conversion;
  std::size_t i = 0;
  while (i < f.size()) {
    if (f[i] != L'%') {
      ++i;
      continue;
    }
    if (i + 1 < f.size() && f[i + 1] == L'%') {
      i += 2;
      continue;
    }
    std::size_t j = i + 1;
    while (j < f.size() && std::wstring_view(L"-+ #0").find(f[j]) != std::wstring_view::npos) ++j;
    while (j < f.size() && (IsDigit(f[j]) || f[j] == L'.')) ++j;
    for (std::wstring_view length : {L"I64", L"ll", L"l", L"h"}) {
      if (f.substr(j).starts_with(length)) {
        conversion.length = length;
        j += length.size();
        break;
      }
    }
    if (j < f.size()) conversion.letter = f[j];
    return conversion;
  }
  return conversion;
}

UserFormatKind Refuse(std::wstring* why, std::wstring reason) {
  if (why) *why = std::move(reason);
  return UserFormatKind::Invalid;
}

}  // namespace

UserFormatKind ClassifyUserFormat(std::wstring_view format, std::wstring* why) {
  if (format.find(L'%') == std::wstring_view::npos) return UserFormatKind::Literal;
  const ConversionParts conversion = FirstConversion(format);
  std::wstring reason;
  const std::wstring_view integers = L"diuxX";
  const std::wstring_view numbers = L"feg";
  if (conversion.letter != 0 && integers.find(conversion.letter) != std::wstring_view::npos) {
    if (conversion.length == L"h") return Refuse(why, L"the length h does not fit an integer");
    if (!platform::FormatUserInteger(format, 0, &reason)) return Refuse(why, reason);
    return UserFormatKind::Integer;
  }
  if (conversion.letter != 0 && numbers.find(conversion.letter) != std::wstring_view::npos) {
    if (!platform::FormatUserNumber(format, 0.0, &reason)) return Refuse(why, reason);
    return UserFormatKind::Number;
  }
  if (conversion.letter == L's') {
    if (!platform::FormatUserText(format, L"", &reason)) return Refuse(why, reason);
    return UserFormatKind::Text;
  }
  // A conversion the platform could print but this engine does not offer is named here; for
  // anything else the platform says what is wrong (a lone '%', a stray '*', two conversions, ...).
  std::wstring ignored;
  const bool printable = platform::FormatUserInteger(format, 0, &reason) ||
                         platform::FormatUserNumber(format, 0.0, &ignored) ||
                         platform::FormatUserText(format, L"", &ignored);
  if (printable && conversion.letter != 0)
    return Refuse(why, std::wstring(L"conversion %") + conversion.letter + L" is not allowed");
  return Refuse(why, reason.empty() ? L"the format must contain exactly one conversion" : reason);
}
