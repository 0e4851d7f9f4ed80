#pragma once
// `$lib(list, [column], [maximum length], [sequential], [filter])` (also `$library`): values of
// one list of the value library. The filter is an SQL condition on the list's table; its first
// column reference @'name' takes the current value of that column of the row (quotes in the
// value doubled, so the user writes it inside a quoted literal: Country='@'Country'').
//
// The library folder is process-wide: every engine's Initialize sets it (all engines of a process
// pass the same path) and the library generators of any engine read it.
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;
class VLibrary;
struct GeneratorCall;

class SYNTHOR_API LibData : public IGenerator {
 public:
  LibData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
          std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;

  static IGenerator* Make(const GeneratorCall& call);

  static void SetLibraryFolder(const wchar_t* path);  // null is taken as empty
  static std::wstring LibraryFolder();

  // The engine's value library, opened at the library folder when it is not open yet; null when
  // it cannot be opened.
  static VLibrary* OpenLibrary(DSynthor* engine);
  // Where `filter` holds the column reference @'name': the position of "@'" and the name. False
  // when there is none; `unterminated` tells a reference without its closing quote.
  static bool FindColumnReference(const std::wstring& filter, std::size_t* at, std::wstring* name,
                                  bool* unterminated);

 private:
  std::wstring ResolvedFilter() const;

  DSynthor* engine_ = nullptr;
  CompiledPattern* pattern_ = nullptr;
  VLibrary* library_ = nullptr;
  std::wstring list_, column_, filter_;
  int maxLength_ = 0;
  int sequential_ = 0;
  // The filter's column reference, found once by the constructor.
  bool hasReference_ = false;
  std::size_t referenceAt_ = 0;
  std::wstring referenceName_;
  // The filters whose lists have passed the pattern's quote check: a list is checked once, not
  // on every value.
  std::set<std::wstring> checkedFilters_;
};
