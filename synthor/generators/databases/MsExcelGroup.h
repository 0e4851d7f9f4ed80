#pragma once
// `$msexcelgroup(group, file, sheet, column 1, ..., column n, [order])`: rows of several columns
// of a workbook's sheet. Value chooses a row and gives its first column, `$group(group, column)`
// the other columns of that row. A last parameter "1" (in order) or "0" (at random, the default)
// is the order, not a column.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/RowSetGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API MsExcelGroup : public RowSetGenerator {
 public:
  MsExcelGroup(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
               std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  // The column's value at the row chosen last; an empty text (no error) when there is none.
  std::wstring GroupValue(int column) override;

  static IGenerator* Make(const GeneratorCall& call);

 private:
  bool sequential_ = false;
};
