#pragma once
// `$scriptgroup(group, own column, interpreter, script file, [argument ...])`: the lines a script
// prints, split into columns at tabs. Value gives the own column of a chosen row;
// `$group(group, column)` reads the other columns of that same row.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/IGenerator.h"

class CompiledPattern;
class DSynthor;
struct GeneratorCall;

class SYNTHOR_API ScriptGroupData : public IGenerator {
 public:
  ScriptGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
                  std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  std::wstring GroupValue(int column) override;
  int nValues() override;
  static IGenerator* Make(const GeneratorCall& call);

 private:
  std::vector<std::vector<std::wstring>> columns_;
  DSynthor* engine_ = nullptr;
};
