#pragma once
// `$query(query, [mode], [dsn], [user], [password])`: the first column of an SQL query's rows,
// drawn at random (mode 0), in order (1), or from a run of the query for every value (2). The
// query runs on the engine's connection, or on a connection of its own given by DSN.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/databases/QuerySource.h"
#include "synthor/generators/base/ValueListGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API ByQuery : public ValueListGenerator {
 public:
  ByQuery(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
          std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;

  static IGenerator* Make(const GeneratorCall& call);

 private:
  QuerySource query_;
};
