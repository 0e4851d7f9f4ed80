#pragma once
// Values of one list of the value library. The library folder is process-wide: every engine's
// Initialize sets it (all engines of a process pass the same folder) and the library generators
// of any engine read it.
#include <string>

#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API LibData {
 public:
  static void SetLibraryFolder(const wchar_t* path);  // null is taken as empty
  static std::wstring LibraryFolder();
};
