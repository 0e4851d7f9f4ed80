#include "kavra/Parse.h"

#include "platform/Text.h"

namespace {

bool IsTagStart(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c > 127;
}
bool IsTagChar(wchar_t c) { return IsTagStart(c) || (c >= L'0' && c <= L'9'); }

// The length of a dollar-quote delimiter ("$$" or "$tag$") at `pos`, or 0 when there is none.
// A '$' right after a word character belongs to the word (PostgreSQL identifiers may hold '$'),
// and "$1" is a parameter, not a delimiter.
size_t DollarTagAt(const std::wstring& s, size_t pos) {
  if (s[pos] != L'$') return 0;
  if (pos > 0 && (IsTagChar(s[pos - 1]) || s[pos - 1] == L'$')) return 0;
  size_t i = pos + 1;
  if (i < s.size() && IsTagStart(s[i])) {
    while (i < s.size() && IsTagChar(s[i])) ++i;
  }
  if (i < s.size() && s[i] == L'$') return i - pos + 1;
  return 0;
}

// The end of the line that starts at `pos` (the index of its '\n', or the text's end).
size_t LineEnd(const std::wstring& s, size_t pos) {
  size_t e = s.find(L'\n', pos);
  return e == std::wstring::npos ? s.size() : e;
}

bool IsGoLine(const std::wstring& s, size_t begin, size_t end) {
  return platform::EqualsNoCase(platform::Trim(std::wstring_view(s).substr(begin, end - begin)),
                                L"GO");
}

}  // namespace

int CParse::Parse(const std::wstring& text, int) {
  Statements.clear();
  size_t start = 0;  // where the current statement begins
  auto finish = [&](size_t end) {
    std::wstring statement =
        platform::Trim(std::wstring_view(text).substr(start, end - start));
    if (!statement.empty()) Statements.push_back(std::move(statement));
  };

  const size_t n = text.size();
  size_t i = 0;
  bool atLineStart = true;
  while (i < n) {
    if (atLineStart) {
      atLineStart = false;
      const size_t end = LineEnd(text, i);
      if (IsGoLine(text, i, end)) {
        finish(i);
        i = end < n ? end + 1 : n;
        start = i;
        atLineStart = true;
        continue;
      }
    }
    const wchar_t c = text[i];
    const wchar_t next = i + 1 < n ? text[i + 1] : L'\0';
    if (c == L';') {
      finish(i);
      start = ++i;
    } else if (c == L'\'' || c == L'"') {
      size_t close = text.find(c, i + 1);
      i = close == std::wstring::npos ? n : close + 1;
    } else if (c == L'-' && next == L'-') {
      // The '\n' itself is left for the main loop, so the next line is checked for GO.
      i = LineEnd(text, i);
    } else if (c == L'/' && next == L'*') {
      size_t close = text.find(L"*/", i + 2);
      i = close == std::wstring::npos ? n : close + 2;
    } else if (size_t tagLength = DollarTagAt(text, i)) {
      const std::wstring tag = text.substr(i, tagLength);
      size_t close = text.find(tag, i + tagLength);
      i = close == std::wstring::npos ? n : close + tagLength;
    } else {
      if (c == L'\n') atLineStart = true;
      ++i;
    }
  }
  finish(n);
  return static_cast<int>(Statements.size());
}
