#pragma once
// `$repeat(min, max, quote, separator, pattern)`: min to max values of any pattern, each quoted,
// joined by the separator.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/arrays/ArrayData.h"

class SYNTHOR_API ArrayRepeatData : public ArrayData {
 public:
  static constexpr int kArguments = 4800;
  static constexpr const wchar_t* kArgumentsText =
      L"Repeat: the function expects 5 parameters.";
  static constexpr int kCompile = 4801;
  static constexpr const wchar_t* kCompileText = L"Repeat: could not compile call.";

  ArrayRepeatData(const std::vector<std::wstring>* params, DSynthor* engine,
                  std::wstring* errorText, int* errorCode);
};
