#pragma once
// `$querygroup(group, query, [mode], [dsn], [user], [password])`: the rows of an SQL query, one
// row per value. Value gives the first column of the chosen row and `$group(group, column)` the
// other columns of that same row. Modes as `$query`: 0 at random, 1 in order, 2 a run of the
// query for every value (its first row).
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/databases/QuerySource.h"
#include "synthor/generators/base/RowSetGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API GroupByQuery : public RowSetGenerator {
 public:
  GroupByQuery(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
               std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  std::wstring GroupValue(int column) override;

  static IGenerator* Make(const GeneratorCall& call);

 private:
  QuerySource query_;
};
