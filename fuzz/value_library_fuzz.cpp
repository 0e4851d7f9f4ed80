// Feeds a filter (the first line) and an XML value library (the rest, as file bytes) to the value
// library: a library that cannot be read is refused and gives no values, one that can be read
// answers every list read with a value or an error code, never both nor neither.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchFiles.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/generators/VLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t feed = input.find('\n');
  const std::string_view filter = input.substr(0, feed);
  const std::string_view document =
      feed == std::string_view::npos ? std::string_view() : input.substr(feed + 1);

  static const std::wstring file = platform::JoinPath(fuzz::ScratchFolder(), L"library.xml");
  if (!fuzz::OverwriteFile(file, document)) std::abort();

  VLibrary library(nullptr);
  const int opened = library.Open(file, 1);
  if (opened == -1) {
    if (library.IsOpen()) std::abort();
  } else if (!library.IsOpen() || !library.IsXml()) {
    std::abort();
  }
  const std::wstring where = platform::FromUnknown8Bit(filter);
  for (const wchar_t* table : {L"Cities", L"Colors", L"Phrases"}) {
    std::wstring text;
    int code = 0;
    const std::wstring value = library.ListValue(table, L"Name", where, 0, 1, &text, &code);
    if (code != 0 && (!value.empty() || text.empty())) std::abort();
    std::vector<std::wstring> values;
    library.LoadList(table, L"Name", where, &values);
  }
  return 0;
}
