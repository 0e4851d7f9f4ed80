#include "synthor/engine/items/CompiledItemQuote.h"

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"

bool CompiledItemQuote::NeedsQuotes(const std::wstring& columnType) {
  if (columnType.empty()) return true;
  if (const int code = platform::ToInt(columnType); code != 0) {
    // bit, tinyint, bigint; numeric .. double; date, time, timestamp (old and new codes)
    const bool unquoted = code == -7 || code == -6 || code == -5 || (code >= 2 && code <= 11) ||
                          code == 91 || code == 92 || code == 93;
    return !unquoted;
  }
  static constexpr const wchar_t* kUnquotedNames[] = {
      L"integer", L"decimal", L"numeric", L"smallint", L"float", L"real",
      L"bigint",  L"tinyint", L"bit",     L"double",   L"date",  L"time"};
  for (const wchar_t* name : kUnquotedNames) {
    if (platform::EqualsNoCase(columnType, name)) return false;
  }
  return true;
}

int CompiledItemQuote::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (!Nested(eng, nullptr)) return 0;
  std::wstring v = doubleApostrophes ? platform::ReplaceAll(scratch.value, L"'", L"''")
                                     : scratch.value;
  out->format = scratch.format;
  if (NeedsQuotes(columnType)) v = quoteChar + v + quoteChar;
  return Append(eng, out, v) ? 1 : 0;
}
