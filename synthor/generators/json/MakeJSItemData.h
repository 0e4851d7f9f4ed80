#pragma once
// `$makejsonitem(number, key, key-is-pattern, item, [count])`: shorthand for an object member
// (with a key) or an array (without one), rewritten into that call when constructed.
#include <string>
#include <vector>

#include "synthor/generators/json/MakeJSAllItemsData.h"

class SYNTHOR_API MakeJSItemData : public MakeJSAllItemsData {
 public:
  static constexpr int kArguments = 5100;
  static constexpr const wchar_t* kArgumentsText =
      L"MakeJSONItem: the function expects at least 4 parameters.";
  static constexpr int kCompile = 5101;
  static constexpr const wchar_t* kCompileText = L"MakeJSONItem: could not compile call.";

  MakeJSItemData(const std::vector<std::wstring>* params, DSynthor* engine, MakeJSData* registry,
                 std::wstring* errorText, int* errorCode);

  std::wstring Value(std::wstring* format) override;
};
