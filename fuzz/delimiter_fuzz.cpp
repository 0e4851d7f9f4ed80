// Takes arbitrary bytes as a delimiter parameter and a line (split at the first 0 byte) and splits
// the line as the group file generators do. The fields joined with the delimiter give the line
// back, no field holds the delimiter, and an empty delimiter parameter is refused.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "synthor/generators/files/FileGroupData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = bytes.find('\0');
  const std::wstring parameter = platform::FromUnknown8Bit(bytes.substr(0, cut));
  const std::wstring line =
      cut == std::string_view::npos ? std::wstring() : platform::FromUnknown8Bit(bytes.substr(cut + 1));

  std::wstring delimiter;
  if (!FileGroupData::ReadDelimiter({L"1", L"1", L"f", L"0", L"0", parameter}, 5, &delimiter)) {
    if (!delimiter.empty()) std::abort();
    return 0;
  }
  if (delimiter.empty()) std::abort();
  const std::vector<std::wstring> fields = FileGroupData::SplitFields(line, delimiter);
  if (fields.empty() || fields.size() > line.size() / delimiter.size() + 1) std::abort();
  std::wstring joined;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (fields[k].find(delimiter) != std::wstring::npos) std::abort();
    if (k > 0) joined += delimiter;
    joined += fields[k];
  }
  if (joined != line) std::abort();
  return 0;
}
