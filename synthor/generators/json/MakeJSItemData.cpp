#include "synthor/generators/json/MakeJSItemData.h"

#include "platform/Text.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/QuoteOptions.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/json/JsonGenerators.h"

MakeJSItemData::MakeJSItemData(const std::vector<std::wstring>* params, DSynthor* eng,
                               MakeJSData* reg, std::wstring* errorText, int* errorCode)
    : MakeJSAllItemsData(eng, reg) {
  if (!params || params->size() < 4) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  const std::vector<std::wstring>& p = *params;
  ownNumber = platform::ToInt(p[0]);
  key = p[1];
  const std::wstring count = p.size() == 5 ? p[4] : std::wstring(L"1");
  // The item goes in parentheses so commas inside it stay one argument.
  const std::wstring call =
      key.empty()
          ? platform::Format(L"$MakeJSONArray(%ls,,,(%ls),%ls)", p[0].c_str(), p[3].c_str(),
                             count.c_str())
          : platform::Format(L"$MakeJSONObject(%ls,%ls,%ls,(%ls),%ls)", p[0].c_str(),
                             key.c_str(), p[2].c_str(), p[3].c_str(), count.c_str());
  itemHandle = eng ? eng->Compile(call, 0, -1, reg) : 0;
  if (!itemHandle) {
    ReportConstructionError(errorText, errorCode, kCompile, kCompileText);
    return;
  }
  ready = 1;
}

std::wstring MakeJSItemData::Value(std::wstring* format) {
  if (!engine || !itemHandle) return std::wstring();
  DGValue v;
  QuoteOptions options;
  engine->Value(-1, itemHandle, &v, &options, 0);
  if (format) *format = v.format;
  return v.value;
}

IGenerator* MakeMakeJSItemData(const GeneratorCall& call) {
  return new MakeJSItemData(call.args, call.engine, static_cast<MakeJSData*>(call.context),
                            call.errorText, call.errorCode);
}
