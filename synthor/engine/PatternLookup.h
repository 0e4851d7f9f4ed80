#pragma once
// Where a nested pattern text was found the last time: an item that renders the same text for
// every value keeps one, so that the engine skips looking the text up. The engine trusts it only
// while its pattern list is the one the handle was found in and the handle's source is the text.
#include <cstdint>

struct PatternLookup {
  uint32_t handle = 0;
  uint64_t generation = 0;
};
