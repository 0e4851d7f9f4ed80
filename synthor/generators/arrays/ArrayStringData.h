#pragma once
// `$rstringn(a, b, min, max[, quote[, separator]])`: min to max random strings of
// `$RString(a, b)`, each quoted, joined by the separator.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/arrays/ArrayData.h"

class SYNTHOR_API ArrayStringData : public ArrayData {
 public:
  static constexpr int kArguments = 4600;
  static constexpr const wchar_t* kArgumentsText =
      L"RStringN: the function expects at least 4 parameters.";
  static constexpr int kCompile = 4601;
  static constexpr const wchar_t* kCompileText = L"RStringN: could not compile call.";

  ArrayStringData(const std::vector<std::wstring>* params, DSynthor* engine,
                  std::wstring* errorText, int* errorCode);
};
