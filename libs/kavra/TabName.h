#pragma once
// A named database object with its owner; driver lists use only Name.
#include <string>

struct TabName {
  std::wstring Name;
  std::wstring Owner;
};
