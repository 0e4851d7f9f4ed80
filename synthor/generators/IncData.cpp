#include "synthor/generators/IncData.h"

#include <new>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/generators/CounterFactories.h"

using counters::Param;

namespace {

constexpr int kStepCall = 3150;
constexpr const wchar_t* kStepCallText = L"Inc: incorrect call '%ls' for Step (%ls)";
constexpr int kStartCall = 3151;
constexpr const wchar_t* kStartCallText = L"Inc: incorrect call '%ls' for hte first value (%ls)";
constexpr int kLastValue = 3152;
constexpr const wchar_t* kLastValueText = L"Inc: could not calculate last value [%ls]";
constexpr int kBorderCall = 3153;
constexpr const wchar_t* kBorderCallText = L"Inc: incorrect call '%ls' for sequence border (%ls)";
constexpr int kReuseCall = 3154;
constexpr const wchar_t* kReuseCallText = L"Inc: incorrect call '%ls' for Reuse counter (%ls)";

// A start that reads as 0 but does not begin with a digit names a table.
bool NamesTable(const std::wstring& start) {
  return !start.empty() && start[0] != L'$' && start[0] != L'#' &&
         !(start[0] >= L'0' && start[0] <= L'9') && platform::ToInt64(start) == 0;
}

// A format that could not print a whole number gives way to the plain decimal form.
bool UsableIntegerFormat(const std::wstring& f) {
  return f.find(L'%') != std::wstring::npos &&
         (f.find(L'd', 1) != std::wstring::npos || f.find(L'i', 1) != std::wstring::npos);
}

}  // namespace

IncData::IncData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* conn,
                 std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  connection = conn;
  if (engine_) engine_->MarkDependent();
  counters::ConstructionError error;
  const std::wstring& first = Param(params, 0);
  const bool table = NamesTable(first);
  // The table form takes the column where the step would stand; everything else moves right.
  const std::size_t shift = table ? 1 : 0;

  const std::wstring& stepText = Param(params, 1 + shift);
  if (!stepText.empty())
    step_ = platform::ToInt64(
        counters::Resolve(engine_, stepText, kStepCall, kStepCallText, &error));

  if (first.empty()) {
    start_ = 1;
  } else if (first[0] == L'$' || first[0] == L'#') {
    std::wstring value, why;
    if (!counters::Evaluate(engine_, first, &value, &why))
      error.Set(kStartCall, platform::Format(kStartCallText, first.c_str(), why.c_str()));
    start_ = platform::ToInt64(value);
  } else if (table) {
    std::wstring value, why;
    start_ = 0;
    if (!counters::ColumnMax(conn, first, Param(params, 1), &value, &why)) {
      error.Set(kLastValue, platform::Format(kLastValueText, why.c_str()));
    } else {
      const int64_t largest = platform::ToInt64(value);
      if (__builtin_add_overflow(largest, step_, &start_)) start_ = largest;
    }
  } else {
    start_ = platform::ToInt64(first);
  }

  borderText_ = Param(params, 3 + shift);
  if (!borderText_.empty())
    border_ = platform::ToInt64(
        counters::Resolve(engine_, borderText_, kBorderCall, kBorderCallText, &error));

  const std::wstring& formatText = Param(params, 2 + shift);
  if (!formatText.empty() && UsableIntegerFormat(formatText)) {
    std::wstring why;
    if (platform::FormatUserInteger(formatText, 0, &why))
      format_ = formatText;
    else
      error.Set(engine_errors::kBadFormat,
                platform::Format(engine_errors::kBadFormatText, formatText.c_str(), why.c_str()));
  }

  reuseText_ = Param(params, 4 + shift);
  if (!reuseText_.empty())
    reuse_.Set(platform::ToInt64(
        counters::Resolve(engine_, reuseText_, kReuseCall, kReuseCallText, &error)));

  current_ = start_;
  ready = 1;
  error.Report(errorText, errorCode);
}

std::wstring IncData::Format(int64_t value) const {
  if (format_.empty()) return platform::FromInt(value);
  return platform::FormatUserInteger(format_, value).value_or(platform::FromInt(value));
}

std::wstring IncData::Value(std::wstring*) {
  if ((outOfRange_ || (border_ > 0 && border_ < current_)) && reuse_.position >= reuse_.count)
    Reset();
  if (reuse_.count > 1) {
    if (reuseText_.size() > 1 && reuseText_[0] == L'$') {
      std::wstring value;
      reuse_.count = counters::Evaluate(engine_, reuseText_, &value, nullptr)
                         ? platform::ToInt64(value)
                         : 1;
    }
    if (reuse_.Repeat()) return last_;
  }
  last_ = Format(current_);
  outOfRange_ = __builtin_add_overflow(current_, step_, &current_);
  return last_;
}

void IncData::Reset() {
  if (borderText_.size() > 1 && borderText_[0] == L'$') {
    // Lets the variable source refresh before the border is read again; its status concerns
    // that refresh only, so it does not mark this generator as failed.
    if (ValueCallback callback = DSynthor::Callback()) {
      int status = 0;
      callback(std::wstring(), &status);
    }
    std::wstring value;
    border_ = counters::Evaluate(engine_, borderText_, &value, nullptr) ? platform::ToInt64(value)
                                                                         : 1;
  }
  current_ = start_;
  reuse_.Restart();
  outOfRange_ = false;
}

IGenerator* MakeIncData(const GeneratorCall& call) {
  return new (std::nothrow)
      IncData(call.args, call.engine, call.connection, call.errorText, call.errorCode);
}
