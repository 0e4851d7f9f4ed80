// Reads arbitrary text as a stored field definition. Reading never fails outright (it stops at the
// first missing separator), and whatever was read is written back as an entry that reads back
// to the same field.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Text.h"
#include "synthor/generators/fields/OneField.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  OneField read;
  read.ParseEntry(platform::FromUnknown8Bit(bytes));
  OneField again;
  again.ParseEntry(read.EntryText());
  if (again != read) std::abort();
  return 0;
}
