// Takes arbitrary bytes as a user's printf-style format and prints an integer, a number and a text
// with it. A format fits at most one kind of value, a refusal always says why, and an accepted
// format never prints more than its own text plus one bounded field.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Text.h"
#include "platform/UserFormat.h"

namespace {

// The widest field: a width or precision of 4096 plus the digits of the largest double.
constexpr size_t kMaxField = 4096 + 320;

void Check(const std::optional<std::wstring>& result, const std::wstring& error,
           const std::wstring& format, int& accepted) {
  if (!result) {
    if (error.empty()) std::abort();
    return;
  }
  ++accepted;
  if (result->size() > format.size() + kMaxField) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring format =
      platform::FromUnknown8Bit(std::string_view(reinterpret_cast<const char*>(data), size));
  int accepted = 0;
  std::wstring error;
  Check(platform::FormatUserInteger(format, LLONG_MIN, &error), error, format, accepted);
  error.clear();
  Check(platform::FormatUserNumber(format, -1.7976931348623157e308, &error), error, format,
        accepted);
  error.clear();
  Check(platform::FormatUserText(format, L"\u00e4\U0001F600 text", &error), error, format,
        accepted);
  if (accepted > 1) std::abort();
  return 0;
}
