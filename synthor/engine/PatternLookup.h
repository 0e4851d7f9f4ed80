#pragma once
// Where a nested pattern text was found the last time: an item that renders the same text for
// every value keeps one, so that the engine skips looking the text up. The engine trusts it only
// while its pattern list is the one the handle was found in and the handle's source is the text.
// An owner whose text never changes says so, and the engine then skips comparing the texts.
#include <cstdint>

struct PatternLookup {
  uint32_t handle = 0;
  uint64_t generation = 0;
  bool textIsFixed = false;  // the owner looks up one and the same text for the lookup's lifetime
};
