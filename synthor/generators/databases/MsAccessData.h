#pragma once
// `$msaccess(file, table, column)`: the distinct non-null values of one column of a table in an
// Access database file, drawn at random.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/ValueListGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API MsAccessData : public ValueListGenerator {
 public:
  MsAccessData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
               std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;

  static IGenerator* Make(const GeneratorCall& call);
};
