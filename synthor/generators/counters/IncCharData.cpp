#include "synthor/generators/counters/IncCharData.h"

#include <cstdint>
#include <new>

#include "platform/Text.h"
#include "synthor/generators/counters/CounterFactories.h"

IncCharData::IncCharData(const std::vector<std::wstring>* params, std::wstring*, int*) {
  if (!Param(params, 0).empty()) first_ = Param(params, 0)[0];
  if (!Param(params, 1).empty()) lastChar_ = Param(params, 1)[0];
  step_ = platform::ToInt(Param(params, 2));
  if (step_ == 0) step_ = 1;
  if (!Param(params, 3).empty()) reuse_.Set(platform::ToInt(Param(params, 3)));
  if (step_ > 0 && lastChar_ < first_) lastChar_ = first_;
  if (step_ < 0 && lastChar_ > first_) lastChar_ = first_;
  Reset();
  ready = 1;
}

std::wstring IncCharData::Value(std::wstring*) {
  if (reuse_.Repeat()) return last_;
  last_.assign(1, current_);
  // Wide arithmetic: a large step passes the last character instead of wrapping around.
  const int64_t next = int64_t(current_) + step_;
  const bool passed = step_ > 0 ? next > int64_t(lastChar_) : next < int64_t(lastChar_);
  current_ = passed ? first_ : static_cast<wchar_t>(next);
  return last_;
}

void IncCharData::Reset() {
  current_ = first_;
  reuse_.Restart();
}

IGenerator* MakeIncCharData(const GeneratorCall& call) {
  return new (std::nothrow) IncCharData(call.args, call.errorText, call.errorCode);
}
