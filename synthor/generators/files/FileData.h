#pragma once
// `$file(file, [sequential], [evaluate])`: the lines of a text file, drawn at random or in order;
// with `evaluate` each line is itself a pattern.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;
struct GeneratorCall;

class SYNTHOR_API FileData : public IGenerator {
 public:
  FileData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
           std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override { next_ = 0; }
  int nValues() override { return static_cast<int>(lines_.size()); }
  std::vector<std::wstring>* AllData() override { return &lines_; }

  // Reads the lines of `path` (already expanded) up to the first empty one; each passes the
  // quote check of `pattern` when one is given. 0 on success, -1 with `lines` empty on failure.
  static int LoadFileContent(const std::wstring& path, std::vector<std::wstring>* lines,
                             CompiledPattern* pattern);
  static IGenerator* Make(const GeneratorCall& call);

 protected:
  // For forms that load their lines elsewhere (a download): no lines, not ready.
  explicit FileData(DSynthor* engine) : engine_(engine) {}
  // Reads the optional sequential and evaluate flags at args[first] and args[first + 1].
  void ReadFlags(const std::vector<std::wstring>& args, std::size_t first);
  // Value time: `line` did not evaluate.
  virtual void ReportEvaluationError(const std::wstring& line);

  int sequential_ = 0;
  int evaluate_ = 0;
  int next_ = 0;
  std::vector<std::wstring> lines_;
  DSynthor* engine_ = nullptr;
};
