#pragma once
// `$scriptgroup(group, own column, interpreter, script file, [argument ...])`: the lines a script
// prints, split into columns at tabs. Value gives the own column of a chosen row;
// `$group(group, column)` reads the other columns of that same row.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/files/FileGroupData.h"

class CompiledPattern;
class DSynthor;
struct GeneratorCall;

// The rows are drawn at random and given as they stand, as by `$filegroup` without its
// sequential and evaluate flags. Unlike `$filegroup`, a `$group` value asked of a missing column
// or row is reported as an error.
class SYNTHOR_API ScriptGroupData : public FileGroupData {
 public:
  ScriptGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
                  std::wstring* errorText, int* errorCode);
  std::wstring GroupValue(int column) override;
  static IGenerator* Make(const GeneratorCall& call);
};
