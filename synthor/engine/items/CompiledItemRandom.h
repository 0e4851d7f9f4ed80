#pragma once
// The base of the items whose bounds may be resolved anew for every value: random integers,
// numbers, dates and times, and the date and time constants. A bound text is a constant, a nested
// call (`$...`), a column reference (`@'name'`) or a variable (`#name`, `@name`).
#include <string>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemRandom : public CompiledItem {
 public:
  CompiledItemRandom(DSynthor* engine, int kind) : CompiledItem(engine, kind) {}

  std::wstring minText;
  std::wstring maxText;
  int constantBounds = 1;  // 1: the bounds were parsed at compile time

 protected:
  // The current text of `bound` (and its format, when `format` is given). False after the
  // engine's error was set (92, or the value callback's 109/110).
  bool ResolveBound(const std::wstring& bound, DSynthor* eng, std::wstring* value,
                    std::wstring* format = nullptr);
};
