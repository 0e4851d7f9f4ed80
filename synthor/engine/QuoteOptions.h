#pragma once
// What a pattern held that matters for quoting its values in SQL. The engine only ever sets these
// flags, so a record passed along with several values collects them all.
#include <cstdint>

#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API QuoteOptions {
 public:
  int32_t apostrophe = 0;   // the pattern held '
  int32_t doubleQuote = 0;  // the pattern held "
  int32_t comma = 0;        // the pattern held ,

  // Sets every flag that is set in `other`.
  void Merge(const QuoteOptions& other) {
    if (other.apostrophe) apostrophe = 1;
    if (other.doubleQuote) doubleQuote = 1;
    if (other.comma) comma = 1;
  }
  bool AllSet() const { return apostrophe && doubleQuote && comma; }
};
