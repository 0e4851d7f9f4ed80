#include "synthor/generators/json/MakeJSObjectData.h"

#include "platform/Text.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/json/JsonGenerators.h"

MakeJSObjectData::MakeJSObjectData(const std::vector<std::wstring>* params, DSynthor* eng,
                                   MakeJSData* reg, std::wstring* errorText, int* errorCode)
    : MakeJSAllItemsData(eng, reg) {
  if (!params || params->size() < 4) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  ownNumber = platform::ToInt((*params)[0]);
  if (ownNumber <= 0) {
    ReportConstructionError(errorText, errorCode, kItemId, kItemIdText);
    return;
  }
  if (!ReadKeyAndItem(*params, errorText, errorCode, kCompile, kCompileText)) return;
  ReadCount(params->size() > 4 ? (*params)[4] : std::wstring());
  if (params->size() > 5) {
    const std::wstring& b = (*params)[5];
    braces = (b == L"0" || platform::EqualsNoCase(b, L"false")) ? 0 : 1;
  }
  ready = 1;
}

std::wstring MakeJSObjectData::Value(std::wstring* format) {
  const int count = DrawCount();
  std::wstring out;
  for (int i = 0; i < count && !IsFull(out); ++i) {
    if (i > 0) out += L',';
    out += KeyText();
    const std::wstring element =
        IsItemList() ? ItemListText() : PatternValueText(i == 0, format);
    // A pattern's value is already a JSON string or number: braces around it would not be JSON.
    const bool wrap = IsItemList() && (braces != 0 || itemNumbers.size() >= 2);
    out += wrap ? L'{' + element + L'}' : element;
  }
  return out;
}

IGenerator* MakeMakeJSObjectData(const GeneratorCall& call) {
  return new MakeJSObjectData(call.args, call.engine, static_cast<MakeJSData*>(call.context),
                              call.errorText, call.errorCode);
}
