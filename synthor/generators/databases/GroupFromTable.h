#pragma once
// `$tablegroup(group, table, column 1, ..., column n, [1])` on the engine's connection and
// `$tablegroupc(group, dsn, user, password, table, column 1, ..., column n, [1])` on a connection
// of its own: the rows of several columns of a table, one row per value. Value gives the first
// column of the chosen row and `$group(group, column)` the other columns of that same row. A last
// parameter "1" hands the rows out in order instead of at random.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/RowSetGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API GroupFromTable : public RowSetGenerator {
 public:
  GroupFromTable(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
                 CDB_API* engineConnection, bool ownConnection, std::wstring* errorText,
                 int* errorCode);
  std::wstring Value(std::wstring* format) override;
  std::wstring GroupValue(int column) override;

  static IGenerator* Make(const GeneratorCall& call);

 private:
  int sequential_ = 0;
};
