#include "synthor/generators/base/JsonText.h"

#include "platform/Text.h"

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// -?(0|[1-9][0-9]*)(\.[0-9]+)? — exponents are deliberately left out.
bool IsPlainNumber(std::wstring_view s) {
  std::size_t p = 0;
  if (p < s.size() && s[p] == L'-') ++p;
  if (p >= s.size() || !IsDigit(s[p])) return false;
  if (s[p] == L'0') {
    ++p;
  } else {
    while (p < s.size() && IsDigit(s[p])) ++p;
  }
  if (p < s.size() && s[p] == L'.') {
    ++p;
    if (p >= s.size() || !IsDigit(s[p])) return false;
    while (p < s.size() && IsDigit(s[p])) ++p;
  }
  return p == s.size();
}

}  // namespace

std::wstring JsonEscape(std::wstring_view text) {
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring out;
  out.reserve(text.size() + 2);
  for (const wchar_t c : text) {
    switch (c) {
      case L'"': out += L"\\\""; break;
      case L'\\': out += L"\\\\"; break;
      case L'\b': out += L"\\b"; break;
      case L'\f': out += L"\\f"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      case L'\t': out += L"\\t"; break;
      default:
        if (static_cast<unsigned>(c) < 0x20) {
          out += L"\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::wstring JsonMemberName(std::wstring_view name) {
  return L"\"" + JsonEscape(name) + L"\":";
}

std::wstring JsonValue(std::wstring_view value) {
  if (value == L"true" || value == L"false" || value == L"null") return std::wstring(value);
  const std::wstring trimmed = platform::Trim(value, L" ");
  if (IsPlainNumber(trimmed)) return trimmed;
  return L"\"" + JsonEscape(value) + L"\"";
}
