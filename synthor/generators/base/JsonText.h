#pragma once
// How the JSON-building generators write names and values: every quoted text is escaped so the
// result stays parseable JSON, and a value is written bare only when JSON reads it unchanged.
#include <string>
#include <string_view>

// The text with '"', '\\' and control characters escaped (the quotes around it not included).
std::wstring JsonEscape(std::wstring_view text);

// `"name":` for a member name.
std::wstring JsonMemberName(std::wstring_view name);

// true, false, null and plain decimal numbers (surrounding blanks dropped) are written bare; any
// other text, the empty one included, becomes a JSON string. Numbers JSON would reject ("+5",
// "007", ".5", "1e5" is left to the string form too) are kept as strings so nothing is lost.
std::wstring JsonValue(std::wstring_view value);
