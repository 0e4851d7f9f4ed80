// CParse on arbitrary UTF-8 text: it must never crash or hang, never return an empty statement,
// and never invent text (the statements together hold no more non-blank characters than the
// input, since separators, GO lines and blanks are all they may drop).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kavra/Parse.h"
#include "platform/Text.h"

namespace {

size_t NonBlank(const std::wstring& s) {
  size_t n = 0;
  for (wchar_t c : s)
    if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n') ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text =
      platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  CParse parser;
  const int count = parser.Parse(text, 0);
  if (count != static_cast<int>(parser.Statements.size())) std::abort();
  size_t kept = 0;
  for (const std::wstring& statement : parser.Statements) {
    if (statement.empty()) std::abort();
    kept += NonBlank(statement);
  }
  if (kept > NonBlank(text)) std::abort();
  return 0;
}
