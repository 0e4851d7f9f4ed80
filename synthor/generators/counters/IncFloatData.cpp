#include "synthor/generators/counters/IncFloatData.h"

#include <cmath>
#include <new>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/counters/CounterFactories.h"
#include "synthor/generators/counters/CounterSettings.h"

namespace {

constexpr counters::CounterErrors kErrors = {
    3250, L"IncFloat: incorrect call '%ls' for Step (%ls)",
    3254, L"IncFloat: incorrect call '%ls' for the first value (%ls)",
    3253, L"IncFloat: could not calculate last value (%ls)",
    3251, L"IncFloat: incorrect call '%ls' for sequence border (%ls)",
    3252, L"IncFloat: incorrect call '%ls' for Reuse (%ls)",
};

}  // namespace

IncFloatData::IncFloatData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* conn,
                           std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  connection = conn;
  if (engine_) engine_->MarkDependent();
  counters::ConstructionError error;
  counters::ReadCounterSettings<counters::FloatCounter>(params, engine_, conn, kErrors, &settings_,
                                                        &error);
  current_ = settings_.start;
  ready = 1;
  error.Report(errorText, errorCode);
}

std::wstring IncFloatData::Format(double value) const {
  if (settings_.format.empty()) return platform::FormatFixed(value, 6);
  return platform::FormatUserNumber(settings_.format, value)
      .value_or(platform::FormatFixed(value, 6));
}

std::wstring IncFloatData::Value(std::wstring*) {
  if ((!std::isfinite(current_) || settings_.PastBorder(current_)) &&
      settings_.reuse.position >= settings_.reuse.count)
    Reset();
  if (settings_.reuse.count > 1) {
    counters::RefreshReuseCount<counters::FloatCounter>(engine_, &settings_);
    if (settings_.reuse.Repeat()) return last_;
  }
  last_ = Format(current_);
  current_ += settings_.step;
  return last_;
}

void IncFloatData::Reset() {
  counters::RefreshBorder<counters::FloatCounter>(engine_, &settings_);
  current_ = settings_.start;
  settings_.reuse.Restart();
}

IGenerator* MakeIncFloatData(const GeneratorCall& call) {
  return new (std::nothrow)
      IncFloatData(call.args, call.engine, call.connection, call.errorText, call.errorCode);
}
