#pragma once
// `$quote(pattern, type, quote, double)`: the nested value wrapped in a quote character unless
// the column type says the value is numeric, a date or a time. The type is an ODBC SQL type code
// in digits or a type name; no type means quote.
#include <string>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemQuote : public CompiledItem {
 public:
  explicit CompiledItemQuote(DSynthor* engine) : CompiledItem(engine, MASK_QUOTE) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  // Whether a value of `columnType` is written in quotes.
  static bool NeedsQuotes(const std::wstring& columnType);

  wchar_t quoteChar = L'\'';
  std::wstring columnType;
  int doubleApostrophes = 0;  // write each ' as ''
};
