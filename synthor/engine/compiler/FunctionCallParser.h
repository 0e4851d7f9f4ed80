#pragma once
// Splitting the text of a function call `$name(arguments)` of a pattern.
//
// The name is everything between `$` and the first `(`, blanks left out. Arguments are separated
// by commas outside inner parentheses and square brackets; each is trimmed of blanks, and one
// ended by a comma loses an outer pair of parentheses that encloses all of it (so `(a,b)` passes
// a comma inside an argument, while `(a)==(b)` stays as written). An empty argument before a comma
// counts, an empty last one does not.
#include <cstddef>
#include <string>
#include <vector>

struct FunctionCallText {
  std::wstring name;
  std::vector<std::wstring> args;
  std::wstring raw;      // every character between the outer parentheses
  std::size_t end = 0;   // position of the closing parenthesis (of the last character on error)
  int error = 0;         // 0, 90 (no parameters) or 91 (parentheses do not match)
};

// `dollar` is the position of the `$` in `text`.
FunctionCallText ParseFunctionCall(const std::wstring& text, std::size_t dollar);
