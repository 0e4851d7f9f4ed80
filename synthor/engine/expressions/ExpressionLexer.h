#pragma once
// Splits an expression text into tokens. A token's first character decides what it is:
//   ""          the end of the text
//   @ @@        a column reference: "@name" up to the closing apostrophe of "@'name'", or "@"
//               followed by the digits of a column number
//   $           a nested call, up to the ")" that closes its first "(" (or the end of the text)
//   digit       a number: digits, one ".", one exponent ("e" or "E", then an optional sign)
//   '           a text up to and including the next "'" (no escapes; unterminated: to the end)
//   operator    "==" "!=" "<=" ">=" "&&" "||" or any other single character
// Blanks and tabs between tokens are skipped. Tokens have no length limit.
#include <cstddef>
#include <string>
#include <string_view>

class ExpressionLexer {
 public:
  explicit ExpressionLexer(std::wstring_view text) : text_(text) {}

  // The next token, or the current one again after PushBack.
  const std::wstring& Next();
  void PushBack() { pushedBack_ = true; }
  // Makes every later Next return the end of the text.
  void Stop();

 private:
  void Reference();
  void NestedCall();
  void Number();
  void Text();
  void Operator();

  std::wstring_view text_;
  std::size_t pos_ = 0;
  std::wstring token_;
  bool pushedBack_ = false;
};

// What the parser needs to know about a token's first character.
inline bool IsExpressionDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
