// Built-in functions that draw random numbers, texts, GUIDs and spatial literals.
#include <algorithm>
#include <climits>
#include <memory>

#include "platform/Text.h"
#include "synthor/engine/builtins/BuiltinArgs.h"
#include "synthor/engine/builtins/BuiltinErrors.h"
#include "synthor/engine/builtins/BuiltinFormats.h"
#include "synthor/engine/items/CompiledItemDouble.h"
#include "synthor/engine/items/CompiledItemInt.h"
#include "synthor/engine/items/CompiledItemString.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/PatternExcerpt.h"

using builtin_args::Arg;
using builtin_args::Count;
using builtin_args::Fail;
using builtin_args::IsNestedBound;
using namespace builtin_errors;

namespace {

constexpr int kMaxDecimals = 10;

int RInt(const FunctionCall& call) {
  auto item = std::make_unique<CompiledItemInt>(call.engine);
  item->minText = Arg(call, 0, L"0");
  item->maxText = Arg(call, 1, L"32000");
  std::wstring format = Arg(call, 2, L"%I64d");
  if (format == L"%d") format = L"%I64d";
  std::wstring why;
  if (ClassifyUserFormat(format, &why) != UserFormatKind::Integer) {
    if (why.empty()) why = L"it does not print an integer";
    return Fail(call, kRIntFormat,
                platform::Format(kRIntFormatText, PatternExcerpt(format).c_str(), why.c_str()));
  }
  item->format = format;
  item->plainDecimal = format == L"%I64d" ? 1 : 0;
  if (IsNestedBound(item->minText) || IsNestedBound(item->maxText)) {
    item->constantBounds = 0;
    call.engine->MarkDependent();
  } else {
    item->minimum = platform::ToInt64(item->minText);
    item->maximum = platform::ToInt64(item->maxText);
    if (item->maximum < item->minimum && item->maxText.size() > 8) item->maximum = INT_MAX;
    const bool fits32 = item->minimum >= INT_MIN && item->maximum <= INT_MAX;
    item->mode32 = fits32 ? 1 : 0;
  }
  call.pattern->Add(std::move(item));
  return 1;
}

int RFloat(const FunctionCall& call) {
  auto item = std::make_unique<CompiledItemDouble>(call.engine);
  item->minText = Arg(call, 0, L"0");
  item->maxText = Arg(call, 1, L"1000000");
  item->decimals = std::clamp(platform::ToInt(Arg(call, 2, L"2")), 0, kMaxDecimals);
  std::wstring format = Arg(call, 3, L"%f");
  if (format.size() < 2) format = L"%f";
  std::wstring why;
  if (ClassifyUserFormat(format, &why) != UserFormatKind::Number) {
    if (why.empty()) why = L"it does not print a number";
    return Fail(call, kRFloatFormat,
                platform::Format(kRFloatFormatText, PatternExcerpt(format).c_str(), why.c_str()));
  }
  item->format = format;
  const std::wstring distribution = Arg(call, 4);
  if (distribution == L"Normal" || distribution == L"N")
    item->distribution = CompiledItemDouble::kNormal;
  else if (distribution == L"Linear" || distribution == L"L")
    item->distribution = CompiledItemDouble::kLinear;
  item->deviation = platform::ToDouble(Arg(call, 5, L"1.0"));
  if (IsNestedBound(item->minText) || IsNestedBound(item->maxText)) {
    item->constantBounds = 0;
    call.engine->MarkDependent();
  } else {
    item->minimum = platform::ToDouble(item->minText);
    item->maximum = platform::ToDouble(item->maxText);
  }
  call.pattern->Add(std::move(item));
  return 1;
}

int RString(const FunctionCall& call) {
  // The item is listed before the arguments are checked, so a failed pattern still holds it.
  auto* item = call.pattern->Add(std::make_unique<CompiledItemString>(call.engine));
  if (Count(call) < 2) return Fail(call, kRStringArguments, kRStringArgumentsText);
  item->minLength = std::max(0, platform::ToInt(Arg(call, 0)));
  item->maxLength = std::max(item->minLength, platform::ToInt(Arg(call, 1)));
  item->upperPercent = platform::ToInt(Arg(call, 2, L"5"));
  item->spacePercent = platform::ToInt(Arg(call, 3, L"5"));
  item->separatorPercent = platform::ToInt(Arg(call, 4, L"0"));
  // Separators are the only way a comma reaches the value.
  if (item->separatorPercent > 0) call.pattern->quotes.comma = 1;
  for (std::size_t i = 5; i < Count(call); ++i) {
    for (int b = 0; b < DGRandom::nUnicodeBlocks(); ++b) {
      const U_BLOCK* block = DGRandom::getUnicodeBlock(b);
      if (block && block->name == (*call.args)[i]) item->blocks.push_back(static_cast<uint8_t>(b));
    }
  }
  return 1;
}

int Guid(const FunctionCall& call) {
  auto item = std::make_unique<CompiledItem>(call.engine, MASK_GUID);
  item->upperCase = Arg(call, 0) == L"true" ? 1 : 0;
  item->noDash = Arg(call, 1) == L"true" ? 1 : 0;
  call.pattern->Add(std::move(item));
  return 1;
}

int Geography(const FunctionCall& call) {
  if (Count(call) > 1) return Fail(call, kGeographyArguments, kGeographyArgumentsText);
  call.pattern->Add(std::make_unique<CompiledItem>(call.engine, MASK_GEOGRAPHY));
  return 1;
}

int Geometry(const FunctionCall& call) {
  if (Count(call) > 1) return Fail(call, kGeometryArguments, kGeometryArgumentsText);
  const std::wstring parts = Arg(call, 0, L"1");
  if (platform::ToInt(parts) < 1)
    return Fail(call, kGeometryParts,
                platform::Format(kGeometryPartsText, PatternExcerpt(parts).c_str()));
  auto item = std::make_unique<CompiledItem>(call.engine, MASK_GEOMETRY);
  item->text = parts;
  call.pattern->Add(std::move(item));
  return 1;
}

}  // namespace

void RegisterRandomFunctions(FunctionTable& table) {
  table.AddBuiltin(L"rint", MASK_RINT, &RInt);
  table.AddBuiltin(L"rfloat", MASK_RFLOAT, &RFloat);
  table.AddBuiltin(L"rstring", MASK_RSTRING, &RString);
  table.AddBuiltin(L"guid", MASK_GUID, &Guid);
  table.AddBuiltin(L"geography", MASK_GEOGRAPHY, &Geography);
  table.AddBuiltin(L"geometry", MASK_GEOMETRY, &Geometry);
}
