#pragma once
// `$list(mode, ...)`: items taken in turn (sequential mode: `S`, `SN`, `1` or `true`) or drawn by
// weight (any other mode: item, weight pairs whose weights are percentages). An `N` after the
// first character of the mode makes the items literal texts; otherwise each item is a pattern.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;

class SYNTHOR_API ListData : public IGenerator {
 public:
  static constexpr int kArguments = 2200;
  static constexpr const wchar_t* kArgumentsText =
      L"ListData: the function expects at least 2 parameters.";
  static constexpr int kIncompletePair = 2201;
  static constexpr const wchar_t* kIncompletePairText = L"ListData: incomplete pair of parameters.";
  static constexpr int kWeight = 2202;
  static constexpr const wchar_t* kWeightText = L"ListData: wrong probability value '%ls'.";
  static constexpr int kCalculate = 2204;
  static constexpr const wchar_t* kCalculateText =
      L"ListData: could not calculate item '%ls' of the list: %ls";

  ListData(const std::vector<std::wstring>* params, CompiledPattern* pattern,
           std::wstring* errorText, int* errorCode);

  std::wstring Value(std::wstring* format) override;
  // A sequential list starts again at its first item.
  void Reset() override;
  int nValues() override;
  std::vector<std::wstring>* AllData() override;

 private:
  bool ReadWeightedItems(const std::vector<std::wstring>& params, CompiledPattern* pattern,
                         std::wstring* errorText, int* errorCode);
  std::size_t DrawIndex();

  DSynthor* engine_ = nullptr;
  std::vector<std::wstring> items_;
  std::vector<uint16_t> cumulative_;  // random mode: running sums of the weights, per item
  bool sequential_ = false;
  bool literal_ = false;
  std::size_t position_ = 0;
};
