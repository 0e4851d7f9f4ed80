#pragma once
// `$webfilegroup(group, own column, URL, [sequential], [evaluate], [delimiter])`: the rows of a
// downloaded text, one per line, split into columns as `$filegroup` splits a file's lines.
// Unlike `$filegroup` it reports a value asked of a missing column or row as an error.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/files/FileGroupData.h"

class DSynthor;
struct GeneratorCall;

class SYNTHOR_API WebFileGroupData : public FileGroupData {
 public:
  WebFileGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                   DSynthor* engine, std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  std::wstring GroupValue(int column) override;

  static IGenerator* Make(const GeneratorCall& call);

 protected:
  void ReportEvaluationError() override;
};
