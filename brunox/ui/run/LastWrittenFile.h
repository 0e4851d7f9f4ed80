#pragma once
// The file that a report or log name of the project stands for. The runner and the report
// writers expand the date and time macros of a name when they write (DateAndTimeMacros), so a
// name with macros stands for another file at every run: the pages show the file that was
// written last when it came from this name, else the name as a write now would expand it.
#include <string>

#include "mervis/Macros.h"

namespace last_written_detail {

// Digits of the name itself are shielded from the check below as characters of the private use
// area, so that only the digits that the macros produced may differ.
constexpr wchar_t kShieldedZero = 0xE000;

inline bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace last_written_detail

// True when `name` is what `pattern` expanded to at some moment: the macros expand to digits of
// a fixed count, the rest of the name is the same.
inline bool IsExpansionOf(const std::wstring& pattern, const std::wstring& name) {
  using namespace last_written_detail;
  std::wstring shielded = pattern;
  for (wchar_t& c : shielded)
    if (IsDigit(c)) c = static_cast<wchar_t>(kShieldedZero + (c - L'0'));
  const std::wstring expanded = DateAndTimeMacros(shielded, 0, 0);
  if (expanded.size() != name.size()) return false;
  for (size_t i = 0; i < expanded.size(); ++i) {
    const wchar_t e = expanded[i];
    if (IsDigit(e)) {
      if (!IsDigit(name[i])) return false;
    } else if (e >= kShieldedZero && e < kShieldedZero + 10) {
      if (name[i] != L'0' + (e - kShieldedZero)) return false;
    } else if (e != name[i]) {
      return false;
    }
  }
  return true;
}

// `lastWritten`: the expanded name of the file written last ("" when none was). A project that
// names no file had its run write to a temporary file, which is the one to show.
inline std::wstring LastWrittenFile(const std::wstring& pattern, const std::wstring& lastWritten) {
  if (pattern.empty()) return lastWritten;
  if (!lastWritten.empty() && IsExpansionOf(pattern, lastWritten)) return lastWritten;
  return DateAndTimeMacros(pattern, 0, 0);
}
