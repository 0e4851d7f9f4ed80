#include "synthor/engine/compiler/FunctionCallParser.h"

#include "platform/Text.h"
#include "synthor/engine/EngineErrors.h"

namespace {

constexpr std::wstring_view kBlanks = L" \t";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// True when the argument's first character opens a parenthesis that its last character closes:
// "(a,b)" is wrapped, "(a)==(b)" is not.
bool IsWrapped(const std::wstring& arg) {
  if (arg.size() <= 2 || arg.front() != L'(' || arg.back() != L')') return false;
  int depth = 0;
  for (std::size_t i = 0; i < arg.size(); ++i) {
    if (arg[i] == L'(') {
      ++depth;
    } else if (arg[i] == L')' && --depth == 0) {
      return i + 1 == arg.size();
    }
  }
  return false;
}

}  // namespace

FunctionCallText ParseFunctionCall(const std::wstring& text, std::size_t dollar) {
  FunctionCallText call;
  const std::size_t n = text.size();
  std::size_t open = dollar + 1;
  for (; open < n && text[open] != L'('; ++open) {
    if (!IsBlank(text[open])) call.name += text[open];
  }
  if (open + 1 >= n) {
    call.error = engine_errors::kParametersMissed;
    call.end = n == 0 ? 0 : n - 1;
    return call;
  }
  int depth = 1;
  int brackets = 0;
  std::wstring current;
  std::size_t p = open + 1;
  for (; p < n; ++p) {
    const wchar_t c = text[p];
    if (c == L'(') {
      ++depth;
    } else if (c == L')') {
      if (--depth == 0) break;
    } else if (c == L'[') {
      ++brackets;
    } else if (c == L']') {
      --brackets;
    } else if (c == L',' && depth == 1 && brackets < 1) {
      std::wstring arg = platform::Trim(current, kBlanks);
      if (IsWrapped(arg)) arg = arg.substr(1, arg.size() - 2);
      call.args.push_back(std::move(arg));
      current.clear();
      continue;
    }
    current += c;
  }
  if (p >= n) {
    call.error = engine_errors::kBrackets;
    call.end = n - 1;
    return call;
  }
  if (!current.empty()) call.args.push_back(platform::Trim(current, kBlanks));
  call.raw = text.substr(open + 1, p - open - 1);
  call.end = p;
  return call;
}
