#pragma once
// `$text(length, source)`: random phrases joined by blanks, at most `length` characters.
#include <string>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemText : public CompiledItem {
 public:
  explicit CompiledItemText(DSynthor* engine);
  ~CompiledItemText() override;
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  int length = 128;
  std::wstring language = L"EN";  // a language of the value library, or a phrase file
};
