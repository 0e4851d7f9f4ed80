#include "kavra/SqlLiteral.h"

std::wstring SqlStringLiteral(std::wstring_view text) {
  std::wstring literal;
  literal.reserve(text.size() + 2);
  literal += L'\'';
  for (const wchar_t c : text) {
    if (c == L'\'') literal += L'\'';
    literal += c;
  }
  literal += L'\'';
  return literal;
}
