#pragma once
// `$msexcel(file, sheet, column, [order])`: the distinct non-null values of one column of a
// workbook's sheet (the header row names the columns), at random or, with an order other than
// "0", in order.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/ValueListGenerator.h"

class CompiledPattern;
struct GeneratorCall;

class SYNTHOR_API MsExcelData : public ValueListGenerator {
 public:
  MsExcelData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
              std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;

  static IGenerator* Make(const GeneratorCall& call);

 private:
  bool sequential_ = false;
};
