#pragma once
// `$const(text)`: always the same text, never read as a pattern.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;

class SYNTHOR_API ConstData : public IGenerator {
 public:
  static constexpr int kArguments = 5400;
  static constexpr const wchar_t* kArgumentsText = L"ConstData: the function expects one parameters.";

  ConstData(const std::vector<std::wstring>* params, CompiledPattern* pattern,
            std::wstring* errorText, int* errorCode);

  std::wstring Value(std::wstring* format) override;

 private:
  std::wstring text_;
};
