#include "synthor/generators/recognition/ByExampleData.h"

#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

// A sample may be wrapped in parentheses to keep its commas and outer blanks.
std::wstring Unwrapped(const std::wstring& sample) {
  if (sample.size() >= 3 && sample.front() == L'(' && sample.back() == L')')
    return sample.substr(1, sample.size() - 2);
  return sample;
}

}  // namespace

ByExampleData::ByExampleData(const std::vector<std::wstring>* params, CompiledPattern* pattern,
                             std::wstring* errorText, int* errorCode)
    : engine_(pattern ? pattern->engine : nullptr) {
  if (!params || params->empty()) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  for (const std::wstring& param : *params) {
    const std::wstring sample = Unwrapped(param);
    DSynthor::CheckForQuotes(sample, pattern);
    recognizer_.Add(&sample, 1);
  }
  recognizer_.Recognize();
  if (recognizer_.Items().empty()) {
    ReportConstructionError(errorText, errorCode, kNothingRecognized, kNothingRecognizedText);
    return;
  }
  if (!engine_) return;
  for (const auto& item : recognizer_.Items()) {
    // A shape that does not compile leaves the engine's error, which fails the calling pattern.
    const uint32_t handle = engine_->Compile(item->Render(), 0, -1, nullptr);
    if (handle == 0) return;
    handles_.push_back(handle);
  }
  // The nested compilations started the engine's dependency count afresh.
  engine_->MarkDependent();
  ready = 1;
}

std::wstring ByExampleData::Value(std::wstring* format) {
  if (!engine_ || handles_.empty()) return std::wstring();
  const uint32_t handle = handles_[engine_->random.Next(static_cast<int>(handles_.size()))];
  DGValue v;
  if (!engine_->Value(-1, handle, &v, nullptr, 0)) {
    engine_->SetError(kCalculate, kCalculateText);
    return std::wstring();
  }
  if (format) *format = v.format;
  return v.value;
}

void ByExampleData::Reset() {
  if (!engine_) return;
  for (const uint32_t handle : handles_) engine_->Reset(handle);
}

IGenerator* MakeByExampleData(const GeneratorCall& call) {
  return new ByExampleData(call.args, call.pattern, call.errorText, call.errorCode);
}
