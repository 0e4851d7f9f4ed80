#include "synthor/generators/counters/IncData.h"

#include <new>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/counters/CounterFactories.h"
#include "synthor/generators/counters/CounterSettings.h"

namespace {

constexpr counters::CounterErrors kErrors = {
    3150, L"Inc: incorrect call '%ls' for Step (%ls)",
    3151, L"Inc: incorrect call '%ls' for hte first value (%ls)",
    3152, L"Inc: could not calculate last value [%ls]",
    3153, L"Inc: incorrect call '%ls' for sequence border (%ls)",
    3154, L"Inc: incorrect call '%ls' for Reuse counter (%ls)",
};

}  // namespace

IncData::IncData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* conn,
                 std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  connection = conn;
  if (engine_) engine_->MarkDependent();
  counters::ConstructionError error;
  counters::ReadCounterSettings<counters::IntegerCounter>(params, engine_, conn, kErrors,
                                                          &settings_, &error);
  current_ = settings_.start;
  ready = 1;
  error.Report(errorText, errorCode);
}

std::wstring IncData::Format(int64_t value) const {
  if (settings_.format.empty()) return platform::FromInt(value);
  return platform::FormatUserInteger(settings_.format, value).value_or(platform::FromInt(value));
}

std::wstring IncData::Value(std::wstring*) {
  if ((outOfRange_ || settings_.PastBorder(current_)) &&
      settings_.reuse.position >= settings_.reuse.count)
    Reset();
  if (settings_.reuse.count > 1) {
    counters::RefreshReuseCount<counters::IntegerCounter>(engine_, &settings_);
    if (settings_.reuse.Repeat()) return last_;
  }
  last_ = Format(current_);
  outOfRange_ = __builtin_add_overflow(current_, settings_.step, &current_);
  return last_;
}

void IncData::Reset() {
  counters::RefreshBorder<counters::IntegerCounter>(engine_, &settings_);
  current_ = settings_.start;
  settings_.reuse.Restart();
  outOfRange_ = false;
}

IGenerator* MakeIncData(const GeneratorCall& call) {
  return new (std::nothrow)
      IncData(call.args, call.engine, call.connection, call.errorText, call.errorCode);
}
