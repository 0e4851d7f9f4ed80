#include "synthor/generators/IncFloatData.h"

#include <cmath>
#include <new>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/generators/CounterFactories.h"

using counters::Param;

namespace {

constexpr int kStepCall = 3250;
constexpr const wchar_t* kStepCallText = L"IncFloat: incorrect call '%ls' for Step (%ls)";
constexpr int kBorderCall = 3251;
constexpr const wchar_t* kBorderCallText =
    L"IncFloat: incorrect call '%ls' for sequence border (%ls)";
constexpr int kReuseCall = 3252;
constexpr const wchar_t* kReuseCallText = L"IncFloat: incorrect call '%ls' for Reuse (%ls)";
constexpr int kLastValue = 3253;
constexpr const wchar_t* kLastValueText = L"IncFloat: could not calculate last value (%ls)";
constexpr int kStartCall = 3254;
constexpr const wchar_t* kStartCallText =
    L"IncFloat: incorrect call '%ls' for the first value (%ls)";

bool NamesTable(const std::wstring& start) {
  return !start.empty() && start[0] != L'$' && start[0] != L'#' &&
         !(start[0] >= L'0' && start[0] <= L'9') && platform::ToDouble(start) == 0.0;
}

bool UsableNumberFormat(const std::wstring& f) {
  return f.find(L'%') != std::wstring::npos &&
         (f.find(L'f', 1) != std::wstring::npos || f.find(L'g', 1) != std::wstring::npos);
}

}  // namespace

IncFloatData::IncFloatData(const std::vector<std::wstring>* params, DSynthor* engine,
                           CDB_API* conn, std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  connection = conn;
  if (engine_) engine_->MarkDependent();
  counters::ConstructionError error;
  const std::wstring& first = Param(params, 0);
  const bool table = NamesTable(first);
  const std::size_t shift = table ? 1 : 0;

  const std::wstring& stepText = Param(params, 1 + shift);
  if (!stepText.empty())
    step_ = platform::ToDouble(
        counters::Resolve(engine_, stepText, kStepCall, kStepCallText, &error));

  if (first.empty()) {
    start_ = 1.0;
  } else if (first[0] == L'$' || first[0] == L'#') {
    std::wstring value, why;
    if (!counters::Evaluate(engine_, first, &value, &why))
      error.Set(kStartCall, platform::Format(kStartCallText, first.c_str(), why.c_str()));
    start_ = platform::ToDouble(value);
  } else if (table) {
    std::wstring value, why;
    start_ = 0.0;
    if (!counters::ColumnMax(conn, first, Param(params, 1), &value, &why))
      error.Set(kLastValue, platform::Format(kLastValueText, why.c_str()));
    else
      start_ = platform::ToDouble(value) + step_;
  } else {
    start_ = platform::ToDouble(first);
  }

  borderText_ = Param(params, 3 + shift);
  if (!borderText_.empty())
    border_ = platform::ToDouble(
        counters::Resolve(engine_, borderText_, kBorderCall, kBorderCallText, &error));

  const std::wstring& formatText = Param(params, 2 + shift);
  if (!formatText.empty() && UsableNumberFormat(formatText)) {
    std::wstring why;
    if (platform::FormatUserNumber(formatText, 0.0, &why))
      format_ = formatText;
    else
      error.Set(engine_errors::kBadFormat,
                platform::Format(engine_errors::kBadFormatText, formatText.c_str(), why.c_str()));
  }

  reuseText_ = Param(params, 4 + shift);
  if (!reuseText_.empty())
    reuse_.Set(platform::ToInt(
        counters::Resolve(engine_, reuseText_, kReuseCall, kReuseCallText, &error)));

  current_ = start_;
  ready = 1;
  error.Report(errorText, errorCode);
}

std::wstring IncFloatData::Format(double value) const {
  if (format_.empty()) return platform::FormatFixed(value, 6);
  return platform::FormatUserNumber(format_, value).value_or(platform::FormatFixed(value, 6));
}

std::wstring IncFloatData::Value(std::wstring*) {
  if ((!std::isfinite(current_) || (border_ > 0.0 && border_ < current_)) &&
      reuse_.position >= reuse_.count)
    Reset();
  if (reuse_.count > 1) {
    if (reuseText_.size() > 1 && reuseText_[0] == L'$') {
      std::wstring value;
      reuse_.count =
          counters::Evaluate(engine_, reuseText_, &value, nullptr) ? platform::ToInt(value) : 1;
    }
    if (reuse_.Repeat()) return last_;
  }
  last_ = Format(current_);
  current_ += step_;
  return last_;
}

void IncFloatData::Reset() {
  if (borderText_.size() > 1 && borderText_[0] == L'$') {
    if (ValueCallback callback = DSynthor::Callback()) {
      int status = 0;
      callback(std::wstring(), &status);
    }
    std::wstring value;
    border_ = counters::Evaluate(engine_, borderText_, &value, nullptr) ? platform::ToDouble(value)
                                                                         : 0.0;
  }
  current_ = start_;
  reuse_.Restart();
}

IGenerator* MakeIncFloatData(const GeneratorCall& call) {
  return new (std::nothrow)
      IncFloatData(call.args, call.engine, call.connection, call.errorText, call.errorCode);
}
