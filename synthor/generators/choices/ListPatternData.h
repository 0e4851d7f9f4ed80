#pragma once
// `$listpattern(n, pattern)`: n distinct values of the pattern, made once at construction; each
// value is one of them drawn at random.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;

class SYNTHOR_API ListPatternData : public IGenerator {
 public:
  static constexpr int kArguments = 2800;
  static constexpr const wchar_t* kArgumentsText =
      L"ListPatternData: the function expects 2 parameters.";
  static constexpr int kCount = 2801;
  static constexpr const wchar_t* kCountText =
      L"ListPatternData: expects positive integer as 1st parameter.";
  static constexpr int kNotUnique = 2802;
  static constexpr const wchar_t* kNotUniqueText =
      L"ListPatternData: could not generate unique value.";
  static constexpr int kPattern = 2803;
  static constexpr const wchar_t* kPatternText =
      L"ListPattern: incorrect pattern or expression '%ls': %ls";

  // Larger counts are cut to this many values: the list is held in memory and made at once.
  static constexpr int kMaxValues = 65536;
  // Evaluations spent on one value before the pattern counts as out of new values.
  static constexpr int kTriesPerValue = 20;

  ListPatternData(const std::vector<std::wstring>* params, CompiledPattern* pattern,
                  std::wstring* errorText, int* errorCode);

  std::wstring Value(std::wstring* format) override;
  int nValues() override;
  std::vector<std::wstring>* AllData() override;

 private:
  DSynthor* engine_ = nullptr;
  std::vector<std::wstring> values_;
};
