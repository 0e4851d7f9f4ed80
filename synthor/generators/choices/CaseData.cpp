#include "synthor/generators/choices/CaseData.h"

#include "synthor/engine/DSynthor.h"
#include "synthor/generators/choices/ChoiceGenerators.h"

CaseData::CaseData(const std::vector<std::wstring>* params, DSynthor* engine,
                   std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!params || params->size() < 3) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  if (!engine_) return;
  selector_ = params->front();
  for (std::size_t i = 1; i < params->size(); ++i) {
    const std::wstring& p = (*params)[i];
    const std::size_t colon = p.find(L':');
    if (colon == std::wstring::npos) {
      // The first parameter without a key is the default; whatever follows it is ignored.
      default_ = p;
      break;
    }
    keys_.push_back(p.substr(0, colon));
    // A pattern that does not compile keeps handle 0 and fails when its key is chosen; the
    // compile error itself is already the engine's.
    handles_.push_back(engine_->Compile(p.substr(colon + 1), 0, -1, nullptr));
  }
  ready = 1;
}

std::wstring CaseData::Value(std::wstring* format) {
  if (!ready) return std::wstring();
  DGValue selected;
  if (!engine_->Value(selector_, &selected)) {
    engine_->SetError(kSelector, kSelectorText);
    return std::wstring();
  }
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] != selected.value) continue;
    DGValue v;
    QuoteOptions options;
    if (!engine_->Value(-1, handles_[i], &v, &options, 0)) {
      engine_->SetError(kCalculate, kCalculateText);
      return std::wstring();
    }
    if (format) *format = v.format;
    return v.value;
  }
  return default_;
}

IGenerator* MakeCaseData(const GeneratorCall& call) {
  return new CaseData(call.args, call.engine, call.errorText, call.errorCode);
}
