#pragma once
// `$makejsonobject(number, key, key-is-pattern, item, [count], [braces])`: `count` members named
// `key`, joined by commas, without outer braces (the enclosing array or `$makejson` adds them).
#include <string>
#include <vector>

#include "synthor/generators/json/MakeJSAllItemsData.h"

class SYNTHOR_API MakeJSObjectData : public MakeJSAllItemsData {
 public:
  static constexpr int kArguments = 5000;
  static constexpr const wchar_t* kArgumentsText =
      L"MakeJSONObject: the function expects at least 4 parameters.";
  static constexpr int kItemId = 5001;
  static constexpr const wchar_t* kItemIdText = L"MakeJSONObject: incorrect item ID.";
  static constexpr int kCompile = 5002;
  static constexpr const wchar_t* kCompileText = L"MakeJSONObject: could not compile call.";

  MakeJSObjectData(const std::vector<std::wstring>* params, DSynthor* engine,
                   MakeJSData* registry, std::wstring* errorText, int* errorCode);

  std::wstring Value(std::wstring* format) override;
};
