#pragma once
// `$makejsonarray(number, key, key-is-pattern, item, count)`: a JSON array of `count` elements,
// named by `key` when one is given.
#include <string>
#include <vector>

#include "synthor/generators/json/MakeJSAllItemsData.h"

class SYNTHOR_API MakeJSArrayData : public MakeJSAllItemsData {
 public:
  static constexpr int kArguments = 4900;
  static constexpr const wchar_t* kArgumentsText =
      L"MakeJSONArray : the function expects 5 parameters.";
  static constexpr int kItemId = 4901;
  static constexpr const wchar_t* kItemIdText = L"MakeJSONArray : incorrect item ID.";
  static constexpr int kCompile = 4902;
  static constexpr const wchar_t* kCompileText = L"MakeJSONArray: could not compile call.";

  MakeJSArrayData(const std::vector<std::wstring>* params, DSynthor* engine, MakeJSData* registry,
                  std::wstring* errorText, int* errorCode);

  std::wstring Value(std::wstring* format) override;
};
