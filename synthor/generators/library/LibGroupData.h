#pragma once
// `$libgroup(group, table, column 1, ..., column n [, *, filter])`: rows of several columns of a
// value-library table. Value gives the first column of a row drawn at random, `$group(group, k)`
// column k of that same row. A "*" before the last parameter makes that parameter an SQL
// condition on the table.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/RowSetGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API LibGroupData : public RowSetGenerator {
 public:
  LibGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
               std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  std::wstring GroupValue(int column) override;

  static IGenerator* Make(const GeneratorCall& call);
};
