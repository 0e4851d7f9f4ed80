#pragma once
// The parameters $inc and $incfloat share, read once for both number types:
//   (start, step, format, border, reuse)            start a number or a "$"/"#" call
//   (table, column, step, format, border, reuse)    start one step after the column's largest value
// A kind (IntegerCounter, FloatCounter) says how its numbers are read, which formats print them
// and how the step is added to the largest stored value.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/generators/counters/CounterSupport.h"

namespace counters {

template <typename Number>
struct CounterSettings {
  Number start = 1;
  Number step = 1;
  Number border = 0;        // 0: none
  std::wstring borderText;  // a "$" call is evaluated again at each restart
  std::wstring reuseText;   // a "$" call is evaluated again for each new value
  std::wstring format;      // empty: the kind's plain form
  Reuse reuse;

  // A counter going up stops at a positive border; one going down stops at its border from above.
  bool PastBorder(Number current) const {
    if (step < 0) return border != 0 && current < border;
    return border > 0 && current > border;
  }
};

// The error of each parameter of one counter function (codes and Format texts).
struct CounterErrors {
  int stepCall;
  const wchar_t* stepCallText;  // %ls: the parameter, the engine's reason
  int startCall;
  const wchar_t* startCallText;  // %ls: the parameter, the engine's reason
  int lastValue;
  const wchar_t* lastValueText;  // %ls: the reason
  int borderCall;
  const wchar_t* borderCallText;
  int reuseCall;
  const wchar_t* reuseCallText;
};

struct IntegerCounter {
  using Number = int64_t;
  static Number Parse(const std::wstring& text) { return platform::ToInt64(text); }
  static int64_t ParseReuse(const std::wstring& text) { return platform::ToInt64(text); }
  // The border when its "$" call fails at a restart.
  static constexpr Number kBorderWhenCallFails = 1;
  // A format that could not print a whole number gives way to the plain decimal form.
  static bool Usable(const std::wstring& f) {
    return f.find(L'%') != std::wstring::npos &&
           (f.find(L'd', 1) != std::wstring::npos || f.find(L'i', 1) != std::wstring::npos);
  }
  static bool Prints(const std::wstring& f, std::wstring* why) {
    return platform::FormatUserInteger(f, 0, why).has_value();
  }
  // At the top of the range the largest value itself starts the counter.
  static Number After(Number largest, Number step) {
    Number next;
    return __builtin_add_overflow(largest, step, &next) ? largest : next;
  }
};

struct FloatCounter {
  using Number = double;
  static Number Parse(const std::wstring& text) { return platform::ToDouble(text); }
  static int64_t ParseReuse(const std::wstring& text) { return platform::ToInt(text); }
  static constexpr Number kBorderWhenCallFails = 0.0;
  static bool Usable(const std::wstring& f) {
    return f.find(L'%') != std::wstring::npos &&
           (f.find(L'f', 1) != std::wstring::npos || f.find(L'g', 1) != std::wstring::npos);
  }
  static bool Prints(const std::wstring& f, std::wstring* why) {
    return platform::FormatUserNumber(f, 0.0, why).has_value();
  }
  static Number After(Number largest, Number step) { return largest + step; }
};

// Reads the parameters into `settings`; every problem lands in `error` (the last one wins, in
// the order step, start, border, format, reuse).
template <class Kind>
void ReadCounterSettings(const std::vector<std::wstring>* params, DSynthor* engine,
                         CDB_API* connection, const CounterErrors& errors,
                         CounterSettings<typename Kind::Number>* settings,
                         ConstructionError* error) {
  const std::wstring& first = Param(params, 0);
  // A start that reads as 0 but does not begin with a digit names a table.
  const bool table = !first.empty() && first[0] != L'$' && first[0] != L'#' &&
                     !(first[0] >= L'0' && first[0] <= L'9') && Kind::Parse(first) == 0;
  // The table form takes the column where the step would stand; everything else moves right.
  const std::size_t shift = table ? 1 : 0;

  const std::wstring& stepText = Param(params, 1 + shift);
  if (!stepText.empty())
    settings->step =
        Kind::Parse(Resolve(engine, stepText, errors.stepCall, errors.stepCallText, error));

  if (first.empty()) {
    settings->start = 1;
  } else if (first[0] == L'$' || first[0] == L'#') {
    std::wstring value, why;
    if (!Evaluate(engine, first, &value, &why))
      error->Set(errors.startCall,
                 platform::Format(errors.startCallText, first.c_str(), why.c_str()));
    settings->start = Kind::Parse(value);
  } else if (table) {
    std::wstring value, why;
    settings->start = 0;
    if (!ColumnMax(connection, first, Param(params, 1), &value, &why))
      error->Set(errors.lastValue, platform::Format(errors.lastValueText, why.c_str()));
    else
      settings->start = Kind::After(Kind::Parse(value), settings->step);
  } else {
    settings->start = Kind::Parse(first);
  }

  settings->borderText = Param(params, 3 + shift);
  if (!settings->borderText.empty())
    settings->border = Kind::Parse(
        Resolve(engine, settings->borderText, errors.borderCall, errors.borderCallText, error));

  const std::wstring& formatText = Param(params, 2 + shift);
  if (!formatText.empty() && Kind::Usable(formatText)) {
    std::wstring why;
    if (Kind::Prints(formatText, &why))
      settings->format = formatText;
    else
      error->Set(engine_errors::kBadFormat,
                 platform::Format(engine_errors::kBadFormatText, formatText.c_str(), why.c_str()));
  }

  settings->reuseText = Param(params, 4 + shift);
  if (!settings->reuseText.empty())
    settings->reuse.Set(Kind::ParseReuse(
        Resolve(engine, settings->reuseText, errors.reuseCall, errors.reuseCallText, error)));
}

// Before each new value: a "$" reuse count is evaluated again (1 when the call fails).
template <class Kind>
void RefreshReuseCount(DSynthor* engine, CounterSettings<typename Kind::Number>* settings) {
  if (settings->reuseText.size() < 2 || settings->reuseText[0] != L'$') return;
  std::wstring value;
  settings->reuse.count =
      Evaluate(engine, settings->reuseText, &value, nullptr) ? Kind::ParseReuse(value) : 1;
}

// At each restart: a "$" border is evaluated again, after the variable source was given the
// chance to refresh. That refresh's status concerns the source only, so it does not mark the
// counter as failed.
template <class Kind>
void RefreshBorder(DSynthor* engine, CounterSettings<typename Kind::Number>* settings) {
  if (settings->borderText.size() < 2 || settings->borderText[0] != L'$') return;
  if (ValueCallback callback = DSynthor::Callback()) {
    int status = 0;
    callback(std::wstring(), &status);
  }
  std::wstring value;
  settings->border = Evaluate(engine, settings->borderText, &value, nullptr)
                         ? Kind::Parse(value)
                         : Kind::kBorderWhenCallFails;
}

}  // namespace counters
