#pragma once
// UTF-16LE bytes added to a byte buffer, for writers that build a whole line before they write
// it (the executed-statement log): the bytes are those of platform::ToUtf16Le.
#include <string>
#include <string_view>

namespace platform {

void AppendUtf16Le(std::string& out, std::wstring_view s);

}  // namespace platform
