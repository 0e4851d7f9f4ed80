#include "synthor/generators/choices/UniqueData.h"

#include "synthor/engine/DSynthor.h"
#include "synthor/generators/choices/ChoiceGenerators.h"

UniqueData::UniqueData(const std::vector<std::wstring>* params, DSynthor* engine,
                       std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!params || params->size() != 1) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  if (!engine_) return;
  handle_ = engine_->Compile(params->front(), 0, -1, nullptr);
  if (!handle_) {
    ReportConstructionError(errorText, errorCode, kCompile, kCompileText);
    return;
  }
  // What may come next depends on every value given before.
  engine_->MarkDependent();
  ready = 1;
  fault = 0;
}

std::wstring UniqueData::Value(std::wstring* format) {
  if (!ready) return std::wstring();
  for (int attempt = 0; attempt < kMaxTries; ++attempt) {
    DGValue v;
    if (!engine_->Value(-1, handle_, &v, nullptr, 0)) {
      engine_->SetError(kCalculate, kCalculateText);
      return std::wstring();
    }
    if (checker_.IsUnique(&v.value)) {
      if (format) *format = v.format;
      return v.value;
    }
  }
  fault = 1;
  engine_->SetError(kExhausted, kExhaustedText);
  return std::wstring();
}

void UniqueData::Reset() {
  if (!engine_) return;
  if (handle_) engine_->Reset(handle_);
  checker_.Reset();
}

IGenerator* MakeUniqueData(const GeneratorCall& call) {
  return new UniqueData(call.args, call.engine, call.errorText, call.errorCode);
}
