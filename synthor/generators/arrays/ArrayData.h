#pragma once
// The shared behaviour of the array generators: a random number of values of one nested pattern,
// each wrapped in a quote text, joined by a separator. The derived classes only build the nested
// pattern and read the count, quote and separator parameters from their own positions.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API ArrayData : public IGenerator {
 public:
  static constexpr int kCalculate = 4502;
  static constexpr const wchar_t* kCalculateText = L"Arrays: could not calculate the value.";
  // Larger counts are cut to this: every element is a full pattern evaluation, and the value
  // length limit of the engine would stop far longer arrays anyway.
  static constexpr int kMaxCount = 100000;

  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 protected:
  explicit ArrayData(DSynthor* engine) : engine_(engine) {}

  // Reads the counts at `minIndex`/`maxIndex`, the quote at `quoteIndex` (-1: none) and the
  // separator at `separatorIndex`; positions past the end count as missing.
  void ReadShape(const std::vector<std::wstring>& params, std::size_t minIndex,
                 std::size_t maxIndex, int quoteIndex, std::size_t separatorIndex);
  // Compiles the nested pattern; on failure reports `code`/`text` and returns false.
  bool CompileNested(const std::wstring& text, int code, const wchar_t* codeText,
                     std::wstring* errorText, int* errorCode);

  DSynthor* engine_ = nullptr;
  uint32_t handle_ = 0;
  int minCount_ = 1;
  int maxCount_ = 1;
  std::wstring separator_ = L",";
  std::wstring quote_;
};
