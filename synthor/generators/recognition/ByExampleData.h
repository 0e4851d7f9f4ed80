#pragma once
// `$byexample(sample, ...)`: values shaped like the samples. The samples' shapes are recognised
// once, each shape is compiled as a pattern of its own, and every value comes from one shape drawn
// uniformly (how often a shape was seen plays no part here).
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/IGenerator.h"
#include "synthor/generators/recognition/PatRecognizer.h"

class CompiledPattern;
class DSynthor;

class SYNTHOR_API ByExampleData : public IGenerator {
 public:
  static constexpr int kArguments = 2900;
  static constexpr const wchar_t* kArgumentsText =
      L"ByExample: the function expects at least one parameters.";
  static constexpr int kNothingRecognized = 2901;
  static constexpr const wchar_t* kNothingRecognizedText =
      L"ByExample: could not recognize any pattern.";
  static constexpr int kCalculate = 2902;
  static constexpr const wchar_t* kCalculateText = L"ByExample: could not calculate the item";

  ByExampleData(const std::vector<std::wstring>* params, CompiledPattern* pattern,
                std::wstring* errorText, int* errorCode);

  std::wstring Value(std::wstring* format) override;
  void Reset() override;

  const PatRecognizer& Recognizer() const { return recognizer_; }

 private:
  DSynthor* engine_ = nullptr;
  PatRecognizer recognizer_;
  std::vector<uint32_t> handles_;  // one compiled pattern per recognised shape, in item order
};

IGenerator* MakeByExampleData(const GeneratorCall& call);
