#pragma once
// `$table(table, column, [sequential], [filter], [dsn], [user], [password])`: the distinct
// non-null values of one column of a table, drawn at random or in order. `filter` is an SQL
// condition of the user's own, added to the statement as it stands. The table is read on the
// engine's connection, or on a connection of its own given by DSN.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/ValueListGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API FromTable : public ValueListGenerator {
 public:
  FromTable(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
            CDB_API* engineConnection, std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;

  static IGenerator* Make(const GeneratorCall& call);

 private:
  int sequential_ = 0;
  std::wstring filter_;
};
