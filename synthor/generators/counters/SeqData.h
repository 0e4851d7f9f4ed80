#pragma once
// `$sequence(pattern, count)` (also `$seq`): each value of the nested pattern given `count` times
// in a row. A count beginning with "$" is evaluated again for every value.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/DGValue.h"
#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API SeqData : public IGenerator {
 public:
  SeqData(const std::vector<std::wstring>* params, DSynthor* engine, std::wstring* errorText,
          int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 private:
  std::wstring current_;
  std::wstring countText_;
  std::wstring currentFormat_;
  DGValue scratch_;
  DSynthor* engine_ = nullptr;
  int count_ = 1;
  uint32_t handle_ = 0;
  int counter_ = 0;
};
