#pragma once
// What the value library's two forms share: the built-in tables with their columns, and a few
// file helpers.
#include <string>
#include <vector>

namespace vlibrary {

struct BuiltInTable {
  const wchar_t* name;
  std::vector<const wchar_t*> columns;
};

// The tables an XML library holds by their own element names, in the order they are written.
const std::vector<BuiltInTable>& BuiltInTables();
bool IsBuiltInTable(const std::wstring& name);

// True for a path of at least 5 characters ending in "xml" in any case.
bool IsXmlPath(const std::wstring& path);

// Why the library file at `path` cannot be replaced, or empty when it can. A file or folder
// without any write permission counts as read-only even for a user whom the system would let
// write (root), as it would on a Windows read-only file.
std::wstring WhyNotWritable(const std::wstring& path);

}  // namespace vlibrary
