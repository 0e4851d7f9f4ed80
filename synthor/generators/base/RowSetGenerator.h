#pragma once
// The base of the group generators that load rows of several columns from a data source: Value
// chooses a row (at random or in order) and gives its first column, GroupValue (pattern function
// `$group`) gives another column of that same row.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;

class SYNTHOR_API RowSetGenerator : public IGenerator {
 public:
  explicit RowSetGenerator(DSynthor* engine) : engine_(engine) {}
  void Reset() override;
  // The rows of the first column; 0 without columns.
  int nValues() override;

 protected:
  enum class Cell { kFound, kNoColumn, kNoRow };

  // Every value passes the quote check of `pattern`; ready when there is at least one column.
  void Loaded(CompiledPattern* pattern);
  // Chooses the next row and gives its first column; `empty` when there is no row.
  std::wstring DrawRow(bool sequential, const std::wstring& empty);
  // Column `column` (from 1) of the row chosen last.
  Cell Lookup(int column, std::wstring* value) const;

  std::vector<std::vector<std::wstring>> columns_;
  int next_ = 0;
  DSynthor* engine_ = nullptr;
};
