// The Access and Excel connection-string reader on arbitrary UTF-8 text: it must never crash or
// hang, and a string it takes always names a file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kavra/FileConnString.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text =
      platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  kavra_files::FileSource source;
  if (kavra_files::ParseFileConnString(text, &source) && source.path.empty()) std::abort();
  return 0;
}
