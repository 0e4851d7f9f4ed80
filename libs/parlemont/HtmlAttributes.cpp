#include "parlemont/HtmlAttributes.h"

#include "parlemont/Markup.h"
#include "platform/Text.h"

namespace parlemont {
namespace {

bool IsNameChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L'-' || c == L'_' || c == L':';
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace

std::wstring NormalizeAttributes(std::wstring_view s) {
  std::wstring out;
  size_t i = 0;
  while (i < s.size()) {
    if (IsBlank(s[i])) {
      ++i;
      continue;
    }
    const size_t nameStart = i;
    while (i < s.size() && IsNameChar(s[i])) ++i;
    if (i == nameStart) {  // junk: skip to the next blank
      while (i < s.size() && !IsBlank(s[i])) ++i;
      continue;
    }
    const std::wstring name = platform::ToLower(s.substr(nameStart, i - nameStart));
    size_t j = i;
    while (j < s.size() && IsBlank(s[j])) ++j;
    std::wstring_view value;
    bool junk = false;
    if (j < s.size() && s[j] == L'=') {
      ++j;
      while (j < s.size() && IsBlank(s[j])) ++j;
      if (j < s.size() && (s[j] == L'"' || s[j] == L'\'')) {
        const wchar_t quote = s[j];
        const size_t close = s.find(quote, j + 1);
        if (close == std::wstring_view::npos) {  // unterminated: the rest is lost, not guessed
          value = s.substr(j + 1);
          junk = true;
          j = s.size();
        } else {
          value = s.substr(j + 1, close - j - 1);
          j = close + 1;
        }
      } else {
        const size_t start = j;
        while (j < s.size() && !IsBlank(s[j])) ++j;
        value = s.substr(start, j - start);
      }
      i = j;
    } else if (i < s.size() && !IsBlank(s[i])) {  // a name glued to junk such as `width"5"`
      while (i < s.size() && !IsBlank(s[i])) ++i;
      continue;
    }
    if (junk || platform::StartsWith(name, L"on")) continue;
    out += L' ' + name + L"=\"" + EscapeAttribute(value) + L'"';
  }
  return out;
}

}  // namespace parlemont
