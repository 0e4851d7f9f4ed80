#pragma once
// `$listn(min, max, quote, separator, item, ...)`: min to max picks from the items, each quoted,
// joined by the separator.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/arrays/ArrayData.h"

class SYNTHOR_API ArrayListData : public ArrayData {
 public:
  static constexpr int kArguments = 4700;
  static constexpr const wchar_t* kArgumentsText =
      L"ListN: the function expects at least 5 parameters.";
  static constexpr int kCompile = 4701;
  static constexpr const wchar_t* kCompileText = L"ListN: could not compile call.";

  ArrayListData(const std::vector<std::wstring>* params, DSynthor* engine,
                std::wstring* errorText, int* errorCode);
};
