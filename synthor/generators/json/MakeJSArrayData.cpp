#include "synthor/generators/json/MakeJSArrayData.h"

#include "platform/Text.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/json/JsonGenerators.h"

MakeJSArrayData::MakeJSArrayData(const std::vector<std::wstring>* params, DSynthor* eng,
                                 MakeJSData* reg, std::wstring* errorText, int* errorCode)
    : MakeJSAllItemsData(eng, reg) {
  if (!params || params->size() != 5) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  ownNumber = platform::ToInt((*params)[0]);
  if (ownNumber <= 0) {
    ReportConstructionError(errorText, errorCode, kItemId, kItemIdText);
    return;
  }
  if (!ReadKeyAndItem(*params, errorText, errorCode, kCompile, kCompileText)) return;
  ReadCount((*params)[4]);
  ready = 1;
}

std::wstring MakeJSArrayData::Value(std::wstring* format) {
  const int count = DrawCount();
  std::wstring out = key.empty() ? std::wstring() : KeyText();
  out += L'[';
  for (int i = 0; i < count && !IsFull(out); ++i) {
    if (i > 0) out += L',';
    if (!IsItemList()) {
      out += PatternValueText(i == 0, format);
      continue;
    }
    // Several items, or one that is itself a member, only make sense as an object.
    const std::wstring list = ItemListText();
    if (itemNumbers.size() >= 2 || list.find(L':', 1) != std::wstring::npos) {
      out += L'{' + list + L'}';
    } else {
      out += list;
    }
  }
  out += L']';
  return out;
}

IGenerator* MakeMakeJSArrayData(const GeneratorCall& call) {
  return new MakeJSArrayData(call.args, call.engine, static_cast<MakeJSData*>(call.context),
                             call.errorText, call.errorCode);
}
