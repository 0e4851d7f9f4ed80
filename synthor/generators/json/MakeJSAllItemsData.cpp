#include "synthor/generators/json/MakeJSAllItemsData.h"

#include <algorithm>

#include "platform/Text.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/QuoteOptions.h"
#include "synthor/generators/base/JsonText.h"
#include "synthor/generators/json/MakeJSData.h"

MakeJSAllItemsData::MakeJSAllItemsData(DSynthor* eng, MakeJSData* reg)
    : engine(eng), registry(reg) {}

void MakeJSAllItemsData::Reset() {
  if (!engine) return;
  if (itemHandle) engine->Reset(itemHandle);
  if (keyHandle) engine->Reset(keyHandle);
}

bool MakeJSAllItemsData::ReadKeyAndItem(const std::vector<std::wstring>& params,
                                        std::wstring* errorText, int* errorCode, int compileCode,
                                        const wchar_t* compileText) {
  auto fail = [&] {
    if (errorText) *errorText = compileText;
    if (errorCode) *errorCode = compileCode;
    return false;
  };
  if (!engine) return fail();
  key = params[1];
  keyIsPattern = IsTrueParameter(params[2]) ? 1 : 0;
  if (keyIsPattern && !key.empty()) {
    keyHandle = engine->Compile(key, 0, -1, nullptr);
    if (!keyHandle) return fail();
  }
  const std::wstring& item = params[3];
  if (!item.empty() && item.front() == L'[') {
    // "[3,4]": the number after the bracket and after every comma; nonsense reads as 0, skipped.
    for (std::size_t p = 0; p != std::wstring::npos && p < item.size();
         p = item.find(L',', p + 1)) {
      const int number = platform::ToInt(std::wstring_view(item).substr(p + 1));
      if (number > 0) itemNumbers.push_back(number);
    }
    return true;
  }
  itemHandle = engine->Compile(item, 0, -1, registry);
  return itemHandle != 0 || fail();
}

void MakeJSAllItemsData::ReadCount(const std::wstring& count) {
  const std::wstring text = platform::Trim(count);
  const std::size_t colon = text.find(L':');
  long long low = 1;
  long long high = 1;
  if (text.empty()) {
  } else if (text.front() == L'=') {
    low = high = platform::ToInt64(std::wstring_view(text).substr(1));
  } else if (colon != std::wstring::npos) {
    low = platform::ToInt64(std::wstring_view(text).substr(0, colon));
    const std::wstring rest = platform::Trim(std::wstring_view(text).substr(colon + 1));
    high = rest.empty() ? low : platform::ToInt64(rest);
  } else {
    high = platform::ToInt64(text);
  }
  low = std::clamp<long long>(low, 0, kMaxCount);
  high = std::clamp<long long>(high, 0, kMaxCount);
  minCount = static_cast<int>(low);
  maxCount = static_cast<int>(std::max(low, high));
}

int MakeJSAllItemsData::DrawCount() {
  if (maxCount <= minCount || !engine) return minCount;
  return minCount + engine->random.Next(maxCount - minCount + 1);
}

std::wstring MakeJSAllItemsData::KeyText() {
  if (!keyHandle || !engine) return JsonMemberName(key);
  DGValue v;
  QuoteOptions options;
  engine->Value(-1, keyHandle, &v, &options, 0);
  return JsonMemberName(v.value);
}

std::wstring MakeJSAllItemsData::ItemListText() {
  if (!registry) return L"\"\"";
  std::wstring out;
  for (std::size_t i = 0; i < itemNumbers.size(); ++i) {
    if (i > 0) out += L',';
    out += registry->ItemText(itemNumbers[i]);
  }
  return out;
}

std::wstring MakeJSAllItemsData::PatternValueText(bool first, std::wstring* format) {
  if (!engine || !itemHandle) return JsonValue(L"");
  if (first) engine->Reset(itemHandle);
  DGValue v;
  QuoteOptions options;
  engine->Value(-1, itemHandle, &v, &options, 0);
  if (format) *format = v.format;
  return JsonValue(v.value);
}

bool MakeJSAllItemsData::IsFull(const std::wstring& text) const {
  return engine && text.size() > engine->MaxValueLength();
}
