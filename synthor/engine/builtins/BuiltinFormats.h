#pragma once
// Which value a user-written printf-style format (of `$format`, `$rint`, `$rfloat`) prints. The
// printing itself is done by platform/UserFormat.h; this only decides which of its functions the
// value goes through, so that a format is either printed safely or refused with a reason.
#include <string>
#include <string_view>

#include "synthor/engine/SynthorExport.h"

enum class UserFormatKind {
  Literal,  // no '%' at all: the format prints itself
  Integer,  // one d i u x X conversion, optionally with I64, l or ll
  Number,   // one f e g conversion, optionally with l
  Text,     // one s conversion
  Invalid,  // anything else (the reason is given)
};

// Classifies `format` and proves that it prints: flags, width, precision and "%%" are allowed
// around the one conversion. `why` (optional) receives the reason of an Invalid result.
SYNTHOR_API UserFormatKind ClassifyUserFormat(std::wstring_view format, std::wstring* why = nullptr);
