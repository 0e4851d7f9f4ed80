#pragma once
// `$makejson(description, ...)`: a JSON document built from numbered items. Each description
// becomes a `$MakeJSONArray` ("[...]") or `$MakeJSONObject` ("(...)" or bare) call; one marked
// with a leading "@" is only referred to by other items' "[n,m]" lists, the others are written
// at the top level. The object is the registry those lists are resolved through.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API MakeJSData : public IGenerator {
 public:
  static constexpr int kSubitem = 5102;
  // An item whose "[n,m]" list leads back to itself would nest until the depth limit, doubling
  // the work at every level for a list like "[1,1]".
  static constexpr int kItemCycle = 5103;

  MakeJSData(const std::vector<std::wstring>* params, DSynthor* engine, std::wstring* errorText,
             int* errorCode);

  std::wstring Value(std::wstring* format) override;

  // The value of the first item registered under `number`; empty when there is none.
  std::wstring ItemText(int number);

 private:
  DSynthor* engine_ = nullptr;
  std::vector<uint32_t> handles_;  // in parameter order
  std::vector<int> numbers_;       // parallel to handles_
  std::vector<int> topLevel_;      // places in handles_ of the items written at the top level
  std::vector<int> rendering_;     // numbers of the items being rendered now, outermost first
};
