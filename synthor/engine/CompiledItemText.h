#pragma once
// `$text(length, source)`: random phrases joined by blanks, at most `length` characters.
#include <memory>
#include <string>

#include "synthor/engine/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class TextPhrases;

class SYNTHOR_API CompiledItemText : public CompiledItem {
 public:
  explicit CompiledItemText(DSynthor* engine);
  ~CompiledItemText() override;
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  int length = 128;
  std::wstring language = L"EN";  // a language of the value library, or a phrase file

 private:
  // Loaded on the first value and kept while the pattern lives.
  std::unique_ptr<TextPhrases> phrases_;
};
