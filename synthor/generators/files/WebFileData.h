#pragma once
// `$webfile(URL, [sequential], [evaluate])`: the lines of a downloaded text, drawn at random or in
// order as `$file` draws the lines of a file; with `evaluate` each line is itself a pattern.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/files/FileData.h"

class DSynthor;
struct GeneratorCall;

class SYNTHOR_API WebFileData : public FileData {
 public:
  WebFileData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
              std::wstring* errorText, int* errorCode);

  // `text` cut at every line feed, trailing CR and LF removed from each piece; empty pieces are
  // lines too, except after a final line feed. An empty text has no lines.
  static std::vector<std::wstring> SplitLines(const std::wstring& text);
  static IGenerator* Make(const GeneratorCall& call);

 protected:
  void ReportEvaluationError(const std::wstring& line) override;
};
