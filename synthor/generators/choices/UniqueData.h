#pragma once
// `$unique(pattern)` (also `$uniq`): only values of the nested pattern that were not given before
// (compared by CRC-32, see UniqueChecker). When the pattern offers nothing new in a bounded number
// of tries, the generator reports exhaustion and stays faulty.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"
#include "synthor/generators/choices/UniqueChecker.h"

class DSynthor;

class SYNTHOR_API UniqueData : public IGenerator {
 public:
  static constexpr int kArguments = 2100;
  static constexpr const wchar_t* kArgumentsText =
      L"UniqueData: the function expects single parameter.";
  static constexpr int kCompile = 2101;
  static constexpr const wchar_t* kCompileText = L"UniqueData: could not compile nested pattern.";
  static constexpr int kExhausted = 2102;
  static constexpr const wchar_t* kExhaustedText =
      L"UniqueData: could not find unique value provided by nested pattern.";
  static constexpr int kCalculate = 2103;
  static constexpr const wchar_t* kCalculateText = L"UniqueData: could not calculate subpattern.";

  // Values of the nested pattern tried for one new value.
  static constexpr int kMaxTries = 500;

  UniqueData(const std::vector<std::wstring>* params, DSynthor* engine, std::wstring* errorText,
             int* errorCode);

  std::wstring Value(std::wstring* format) override;
  // Rewinds the nested pattern and forgets what was given (the engine's trial value among it).
  void Reset() override;

 private:
  DSynthor* engine_ = nullptr;
  uint32_t handle_ = 0;
  UniqueChecker checker_;
};
