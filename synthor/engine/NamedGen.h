#pragma once
// A named pattern supplied by the caller for `$call(name)`. The caller owns the list and its
// entries; the engine only keeps a pointer to the list.
#include <string>

struct NamedGen {
  std::wstring name;
  std::wstring pattern;
};
