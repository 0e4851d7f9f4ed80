#pragma once
// What an error text quotes of a pattern, or of a piece of one (a nested call, a bound, a format,
// a name): the text itself up to kPatternExcerptLength characters, else its first ones and "…".
// Patterns may be as long as a user likes; quoted whole, one failing value of a long pattern
// would put megabytes on the console and in the logs, and a nested failure quotes it again at
// every level. Every error text that quotes a pattern goes through here.
#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t kPatternExcerptLength = 200;

inline std::wstring PatternExcerpt(std::wstring_view pattern) {
  if (pattern.size() <= kPatternExcerptLength) return std::wstring(pattern);
  std::wstring excerpt(pattern.substr(0, kPatternExcerptLength));
  excerpt += L'\u2026';
  return excerpt;
}
