#pragma once
// `$case(selector, key:pattern, ..., default)` (also `$switch`): the selector pattern's value is
// compared exactly with the keys in order; the first equal key's pattern gives the value, and
// when no key is equal the default text (taken literally) does.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API CaseData : public IGenerator {
 public:
  static constexpr int kArguments = 4000;
  static constexpr const wchar_t* kArgumentsText =
      L"Case: the function expects at least 3 parameters.";
  static constexpr int kSelector = 4001;
  static constexpr const wchar_t* kSelectorText = L"Case: could not calculate the selector.";
  static constexpr int kCalculate = 4002;
  static constexpr const wchar_t* kCalculateText = L"Case: could not calculate the value.";

  CaseData(const std::vector<std::wstring>* params, DSynthor* engine, std::wstring* errorText,
           int* errorCode);

  std::wstring Value(std::wstring* format) override;

 private:
  DSynthor* engine_ = nullptr;
  std::wstring selector_;
  std::wstring default_;
  std::vector<std::wstring> keys_;
  std::vector<uint32_t> handles_;  // parallel to keys_; 0 where the pattern did not compile
};
