#pragma once
// One compiled pattern: its source text, the quote flags its text set, and its items in order.
// The pattern owns its items.
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/DSynthor.h"
#include "synthor/engine/items/CompiledItem.h"
#include "synthor/engine/QuoteOptions.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledPattern {
 public:
  explicit CompiledPattern(DSynthor* owner) : engine(owner) {}
  CompiledPattern(const CompiledPattern&) = delete;
  CompiledPattern& operator=(const CompiledPattern&) = delete;

  // Takes ownership; returns the item for further setting up.
  template <class Item>
  Item* Add(std::unique_ptr<Item> item) {
    Item* raw = item.get();
    items.push_back(std::move(item));
    return raw;
  }
  // Renders the items in order into `out`; stops at the first failing item (what was appended so
  // far stays). 1 success, 0 failure.
  int Render(DGValue* out, QuoteOptions* options) {
    for (auto& item : items) {
      if (!item->Value(out, engine, options)) return 0;
      // Items check their own growth; this catches any that append a little without asking.
      if (!engine->CanGrow(out->value.size(), 0)) return 0;
    }
    return 1;
  }
  // The largest nValues of any item (1 for a pattern without items: the empty text).
  int nValues() const;
  void Reset();

  std::wstring source;
  DSynthor* engine = nullptr;
  QuoteOptions quotes;
  std::vector<std::unique_ptr<CompiledItem>> items;
};
