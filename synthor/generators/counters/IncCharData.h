#pragma once
// `$incchar(first, last, step, reuse)`: single characters from `first` towards `last` (a
// negative step counts down), back to `first` once past `last`.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/counters/CounterSupport.h"
#include "synthor/generators/base/IGenerator.h"

class SYNTHOR_API IncCharData : public IGenerator {
 public:
  IncCharData(const std::vector<std::wstring>* params, std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 private:
  std::wstring last_;
  wchar_t first_ = L'a';
  wchar_t lastChar_ = L'z';
  wchar_t current_ = L'a';
  int step_ = 1;
  counters::Reuse reuse_;
};
