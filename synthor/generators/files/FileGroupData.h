#pragma once
// `$filegroup(group, own column, file, [sequential], [evaluate], [delimiter])`: one row per line
// of a text file, split into columns at a delimiter (a tab by default). Value gives the own
// column of a chosen row; `$group(group, column)` reads the other columns of that same row.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;
struct GeneratorCall;

class SYNTHOR_API FileGroupData : public IGenerator {
 public:
  FileGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
                std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  std::wstring GroupValue(int column) override;
  void Reset() override { next_ = 0; }
  int nValues() override;

  // Reads `path` (already expanded) line by line up to the first empty line and appends field k
  // of each line to column k; a line with more fields adds columns, so columns may differ in
  // length. Fields pass the quote check of `pattern`. 0 on success, non-zero when unreadable.
  static int LoadGroupContent(const std::wstring& path,
                              std::vector<std::vector<std::wstring>>* columns,
                              CompiledPattern* pattern, const std::wstring& delimiter);
  // The fields of `line` between occurrences of `delimiter`, found left to right without
  // overlapping ("a;;;b" at ";;" gives "a" and ";b"). An empty delimiter finds nothing: the whole
  // line is one field (the constructors refuse an empty delimiter before that).
  static std::vector<std::wstring> SplitFields(const std::wstring& line,
                                               const std::wstring& delimiter);
  // Splits `line` and appends field k to column k, adding columns as needed; each field passes
  // the quote check of `pattern`. May throw std::bad_alloc.
  static void AddRow(const std::wstring& line, const std::wstring& delimiter,
                     CompiledPattern* pattern, std::vector<std::vector<std::wstring>>* columns);
  // The delimiter parameter at args[index]: a tab when absent or empty; its enclosing "(", ")"
  // and double quotes are removed. False when nothing is left after that, as in `("")`.
  static bool ReadDelimiter(const std::vector<std::wstring>& args, std::size_t index,
                            std::wstring* delimiter);
  static IGenerator* Make(const GeneratorCall& call);

 protected:
  // For forms that load their rows elsewhere (a download): no columns, not ready.
  explicit FileGroupData(DSynthor* engine) : engine_(engine) {}
  // Reads the group, own column and the optional sequential and evaluate flags.
  void ReadParameters(const std::vector<std::wstring>& args);
  // Value time: the own column's entry did not evaluate.
  virtual void ReportEvaluationError();

  int sequential_ = 0;
  int evaluate_ = 0;
  int next_ = 0;
  std::vector<std::vector<std::wstring>> columns_;
  DSynthor* engine_ = nullptr;
};
