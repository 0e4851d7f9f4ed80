#pragma once
// Texts for the result codes of the SourceSafe automation server: the server's own table first,
// then the common system codes, then a generic text naming the code.
#include <cstdint>
#include <span>
#include <string>

#include "wexal/WexalExport.h"

namespace wexal {

struct VssErrorRow {
  std::uint32_t code;
  const wchar_t* text;
};

// The server's table in its own order. Some codes appear twice; the first row wins.
WEXAL_EXPORT std::span<const VssErrorRow> VssErrorTable();

// The text for `code`: the server table's first matching row, else the system's text for a
// common code, else "Unknown error 0x8XXXXXXX".
WEXAL_EXPORT std::wstring VssErrorText(std::int32_t code);

}  // namespace wexal
