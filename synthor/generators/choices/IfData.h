#pragma once
// `$ifr(chance, A, B)`: a draw in percent picks pattern A (below the chance) or pattern B. Both
// patterns are compiled into handles of the engine once, at construction.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API IfData : public IGenerator {
 public:
  static constexpr int kArguments = 2000;
  static constexpr const wchar_t* kArgumentsText = L"IfData: the function expects 3 parameters.";
  static constexpr int kChance = 2001;
  static constexpr const wchar_t* kChanceText =
      L"IfData: the first parameter must be between 0 and 100.";
  static constexpr int kFirstPattern = 2002;
  static constexpr const wchar_t* kFirstPatternText =
      L"IfData: could not compile the first pattern '%ls': %ls.";
  static constexpr int kSecondPattern = 2003;
  static constexpr const wchar_t* kSecondPatternText =
      L"IfData: could not compile the second pattern '%ls': %ls.";
  static constexpr int kCalculate = 2004;
  static constexpr const wchar_t* kCalculateText = L"IfData: could not calculate the item.";

  IfData(const std::vector<std::wstring>* params, DSynthor* engine, std::wstring* errorText,
         int* errorCode);

  std::wstring Value(std::wstring* format) override;
  // Rewinds both nested patterns.
  void Reset() override;

 protected:
  // For `$if`, which shares the branches but chooses by an expression.
  explicit IfData(DSynthor* engine) : engine_(engine) {}
  // Compiles parameters 2 and 3 as the two branches; sets `ready` when both compile.
  void CompileBranches(const std::vector<std::wstring>& params, std::wstring* errorText,
                       int* errorCode);
  // The value of one branch (A when `first`), its format through `format`.
  std::wstring Branch(bool first, std::wstring* format);

  DSynthor* engine_ = nullptr;
  std::wstring patternA_;
  std::wstring patternB_;
  uint32_t handleA_ = 0;
  uint32_t handleB_ = 0;

 private:
  int chance_ = 0;
};
