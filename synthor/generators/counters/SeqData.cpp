#include "synthor/generators/counters/SeqData.h"

#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/counters/CounterFactories.h"
#include "synthor/generators/counters/CounterSupport.h"

namespace {

constexpr int kParameters = 2300;
constexpr const wchar_t* kParametersText = L"SeqData: the function expects 2 parameters.";
constexpr int kCountCall = 2301;
constexpr const wchar_t* kCountCallText = L"Seq: incorrect pattern '%ls' provided (%ls)";
constexpr int kCountValue = 2304;
constexpr const wchar_t* kCountValueText = L"Seq: could not calculate counter value";

}  // namespace

SeqData::SeqData(const std::vector<std::wstring>* params, DSynthor* engine,
                 std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (engine_) engine_->MarkDependent();
  counters::ConstructionError error;
  if (!params || params->size() < 2 || !engine_) {
    error.Set(kParameters, kParametersText);
    error.Report(errorText, errorCode);
    return;
  }
  handle_ = engine_->Compile((*params)[0], 0, -1, nullptr);
  if (handle_ == 0) {
    // The engine's own error says why the nested pattern does not compile.
    error.Set(engine_->ErrorCode() ? engine_->ErrorCode() : kCountCall, engine_->Error());
    error.Report(errorText, errorCode);
    return;
  }
  countText_ = (*params)[1];
  count_ = platform::ToInt(
      counters::Resolve(engine_, countText_, kCountCall, kCountCallText, &error));
  if (count_ < 1) count_ = 1;
  ready = 1;
  error.Report(errorText, errorCode);
}

std::wstring SeqData::Value(std::wstring* format) {
  if (!ready) return std::wstring();
  // A failure here concerns this value only; the next one may succeed.
  fault = 0;
  if (counter_ == 0) {
    if (!engine_->Value(-1, handle_, &scratch_, nullptr, 0)) {
      fault = 1;
      return std::wstring();
    }
    current_ = scratch_.value;
    currentFormat_ = scratch_.format;
  }
  if (!countText_.empty() && countText_[0] == L'$') {
    std::wstring value;
    if (!counters::Evaluate(engine_, countText_, &value, nullptr)) {
      engine_->SetError(kCountValue, kCountValueText);
      fault = 1;
      return std::wstring();
    }
    count_ = platform::ToInt(value);
    if (count_ < 1) count_ = 1;
  }
  if (++counter_ >= count_) counter_ = 0;
  if (format) *format = currentFormat_;
  return current_;
}

void SeqData::Reset() {
  counter_ = 0;
  fault = 0;
  if (engine_ && handle_) engine_->Reset(handle_);
}

IGenerator* MakeSeqData(const GeneratorCall& call) {
  return new (std::nothrow) SeqData(call.args, call.engine, call.errorText, call.errorCode);
}
