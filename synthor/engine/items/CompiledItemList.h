#pragma once
// `<a|b|c>`: one alternative drawn uniformly. Each alternative is compiled into a pattern of its
// own when it is added, so `<Anna|Bob>` has random letters in it like any other pattern. An
// alternative without any construct character renders its text directly, without the nested
// pattern call (same draws, same result).
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemList : public CompiledItem {
 public:
  explicit CompiledItemList(DSynthor* engine) : CompiledItem(engine, MASK_CHOICE) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;
  int nValues() override { return static_cast<int>(alternatives.size()); }

  // Compiles `alternative` through the engine; a failed compilation keeps handle 0 (the engine's
  // error says why) and false is returned.
  bool Add(const std::wstring& alternative);

  std::vector<std::wstring> alternatives;
  std::vector<uint32_t> handles;

 private:
  // Whether the compiled alternative is nothing but its own text, one flag per alternative.
  std::vector<bool> literal_;
};
