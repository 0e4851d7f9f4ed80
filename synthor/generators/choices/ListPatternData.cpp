#include "synthor/generators/choices/ListPatternData.h"

#include <algorithm>
#include <unordered_set>

#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/choices/ChoiceGenerators.h"
#include "synthor/engine/PatternExcerpt.h"

ListPatternData::ListPatternData(const std::vector<std::wstring>* params,
                                 CompiledPattern* pattern, std::wstring* errorText,
                                 int* errorCode)
    : engine_(pattern ? pattern->engine : nullptr) {
  if (!params || params->size() != 2) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  const int count = std::min(platform::ToInt(params->front()), kMaxValues);
  if (count <= 0) {
    ReportConstructionError(errorText, errorCode, kCount, kCountText);
    return;
  }
  if (!engine_) return;
  const std::wstring& source = (*params)[1];
  // Every evaluation clears the engine's error, so the error to report is kept aside and handed
  // over once collecting ends.
  int code = 0;
  std::wstring text;
  std::unordered_set<std::wstring> held;
  values_.reserve(static_cast<std::size_t>(std::min(count, 1024)));
  for (int n = 0; n < count && code != kNotUnique; ++n) {
    for (int attempt = 1;; ++attempt) {
      DGValue v;
      if (!engine_->Value(source, &v)) {
        code = kPattern;
        text = platform::Format(kPatternText, PatternExcerpt(source).c_str(),
                                engine_->Error().c_str());
        break;
      }
      if (held.insert(v.value).second) {
        DSynthor::CheckForQuotes(v.value, pattern);
        values_.push_back(std::move(v.value));
        break;
      }
      if (attempt == kTriesPerValue) {
        code = kNotUnique;
        text = kNotUniqueText;
        break;
      }
    }
  }
  if (code != 0) ReportConstructionError(errorText, errorCode, code, text);
  ready = 1;
}

std::wstring ListPatternData::Value(std::wstring*) {
  if (values_.empty()) return std::wstring();
  return values_[static_cast<std::size_t>(engine_->random.Next(static_cast<int>(values_.size())))];
}

int ListPatternData::nValues() { return static_cast<int>(values_.size()); }

std::vector<std::wstring>* ListPatternData::AllData() { return &values_; }

IGenerator* MakeListPatternData(const GeneratorCall& call) {
  return new ListPatternData(call.args, call.pattern, call.errorText, call.errorCode);
}
