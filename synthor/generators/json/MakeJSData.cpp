#include "synthor/generators/json/MakeJSData.h"

#include <algorithm>

#include "platform/Text.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/QuoteOptions.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/json/JsonGenerators.h"
#include "synthor/engine/PatternExcerpt.h"

MakeJSData::MakeJSData(const std::vector<std::wstring>* params, DSynthor* engine,
                       std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!params || !engine_) return;
  for (const std::wstring& param : *params) {
    if (param.size() < 2) continue;
    const bool nested = param.front() == L'@';
    std::wstring description = nested ? param.substr(1) : param;
    const bool isArray = !description.empty() && description.front() == L'[';
    if (description.size() >= 2 && (description.front() == L'[' || description.front() == L'(')) {
      description = description.substr(1, description.size() - 2);
    }
    const std::wstring call =
        std::wstring(L"$MakeJSON") + (isArray ? L"Array(" : L"Object(") + description + L")";
    const uint32_t handle = engine_->Compile(call, 0, -1, this);
    if (!handle) {
      ReportConstructionError(errorText, errorCode, kSubitem,
                              L"Could not compile subitem '" + PatternExcerpt(call) + L"'");
      return;
    }
    if (!nested) topLevel_.push_back(static_cast<int>(handles_.size()));
    handles_.push_back(handle);
    numbers_.push_back(platform::ToInt(description));
  }
  ready = 1;
}

std::wstring MakeJSData::ItemText(int number) {
  for (std::size_t i = 0; i < numbers_.size(); ++i) {
    if (numbers_[i] != number) continue;
    if (std::find(rendering_.begin(), rendering_.end(), number) != rendering_.end()) {
      engine_->SetError(kItemCycle, L"MakeJSON: item " + platform::FromInt(number) +
                                        L" contains itself.");
      return std::wstring();
    }
    rendering_.push_back(number);
    DGValue v;
    QuoteOptions options;
    engine_->Value(-1, handles_[i], &v, &options, 0);
    rendering_.pop_back();
    return v.value;
  }
  return std::wstring();
}

std::wstring MakeJSData::Value(std::wstring* format) {
  std::wstring out;
  for (std::size_t i = 0; i < topLevel_.size(); ++i) {
    DGValue v;
    QuoteOptions options;
    engine_->Value(-1, handles_[static_cast<std::size_t>(topLevel_[i])], &v, &options, 0);
    if (i > 0) out += L',';
    out += v.value;
    if (format) *format = v.format;
  }
  if (out.empty() || out.front() == L'{' || out.front() == L'[') return out;
  return L'{' + out + L'}';
}

IGenerator* MakeMakeJSData(const GeneratorCall& call) {
  return new MakeJSData(call.args, call.engine, call.errorText, call.errorCode);
}
