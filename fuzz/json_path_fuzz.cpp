// Feeds a value path (the first line) and a JSON document (the rest) to the JSON reader. A failure
// always says why and leaves the output list as it was; a success only appends.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "mervis/JsonParser.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t feed = input.find('\n');
  const std::wstring path = platform::FromUnknown8Bit(input.substr(0, feed));
  const std::wstring document = platform::FromUnknown8Bit(
      feed == std::string_view::npos ? std::string_view() : input.substr(feed + 1));

  JsonParser parser;
  std::vector<std::wstring> values{L"first"};
  if (parser.ValueFromString(document, path, &values) != 0) {
    if (parser.ErrorText().empty() || values.size() != 1) std::abort();
  }
  if (values.empty() || values.front() != L"first") std::abort();
  return 0;
}
