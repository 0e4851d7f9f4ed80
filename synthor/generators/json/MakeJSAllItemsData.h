#pragma once
// The common part of `$makejsonarray`, `$makejsonobject` and `$makejsonitem`: the member name
// (plain or a pattern), the item (a pattern, or numbers of other items of the enclosing
// `$makejson`), how many elements to write, and the rendering both arrays and objects share.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;
class MakeJSData;

class SYNTHOR_API MakeJSAllItemsData : public IGenerator {
 public:
  // No count parameter can ask for more elements than this.
  static constexpr int kMaxCount = 10000;

  MakeJSAllItemsData(DSynthor* engine, MakeJSData* registry);
  void Reset() override;

 protected:
  // Parameters 2 to 4 (key, key-is-pattern, item); false after the error (code, text) is set.
  bool ReadKeyAndItem(const std::vector<std::wstring>& params, std::wstring* errorText,
                      int* errorCode, int compileCode, const wchar_t* compileText);
  // "n" (1 to n), "a:b", "a:" (exactly a), "=n", "" (exactly 1).
  void ReadCount(const std::wstring& count);
  int DrawCount();
  // `"key":`, the key pattern evaluated when the key is one.
  std::wstring KeyText();
  // The referenced items' values joined by ","; "\"\"" outside a `$makejson`.
  std::wstring ItemListText();
  // The item pattern's next value written as JSON; `first` rewinds it before the first element.
  std::wstring PatternValueText(bool first, std::wstring* format);
  bool IsItemList() const { return !itemNumbers.empty(); }
  // Elements stop once the text would outgrow what the engine accepts for one value.
  bool IsFull(const std::wstring& text) const;

  std::vector<int> itemNumbers;  // empty: the item is a pattern
  std::wstring key;
  int keyIsPattern = 0;
  uint32_t itemHandle = 0;
  uint32_t keyHandle = 0;
  int ownNumber = 0;
  int minCount = 1;
  int maxCount = 1;
  DSynthor* engine = nullptr;
  MakeJSData* registry = nullptr;
  int braces = 1;  // an item list of one item is wrapped in braces (objects)
};
