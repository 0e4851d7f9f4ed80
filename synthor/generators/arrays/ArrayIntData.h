#pragma once
// `$rintn(low, high, format, min, max[, separator])`: min to max random integers of `$Rint`,
// joined by the separator.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/arrays/ArrayData.h"

class SYNTHOR_API ArrayIntData : public ArrayData {
 public:
  static constexpr int kArguments = 4500;
  static constexpr const wchar_t* kArgumentsText =
      L"RintN: the function expects at least 5 parameters.";
  static constexpr int kCompile = 4501;
  static constexpr const wchar_t* kCompileText = L"RintN: could not compile call.";

  ArrayIntData(const std::vector<std::wstring>* params, DSynthor* engine,
               std::wstring* errorText, int* errorCode);
};
