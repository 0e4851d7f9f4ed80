#include "synthor/generators/counters/IncTimeData.h"

#include <cstdint>
#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/generators/counters/CounterFactories.h"

namespace {

constexpr int kUnit = 3200;
constexpr const wchar_t* kUnitText = L"IncTime: wrong step size: 'H','M','m' or 'S' expected";
constexpr int kFromCall = 3201;
constexpr const wchar_t* kFromCallText = L"IncTime: incorrect call '%ls' for From value (%ls)";
constexpr int kStepCall = 3202;
constexpr const wchar_t* kStepCallText = L"IncTime: incorrect call '%ls' for Step (%ls)";
constexpr int kLastValue = 3203;
constexpr const wchar_t* kLastValueText = L"IncTime: could not calculate last value [%ls]";

constexpr int64_t kSecondsPerDay = 24 * 60 * 60;

std::wstring MidnightText(const std::wstring& mask) {
  std::wstring t = mask;
  for (const wchar_t* token : {L"HH", L"MM", L"mm", L"SS"})
    t = platform::ReplaceAll(t, token, L"00");
  return t;
}

}  // namespace

IncTimeData::IncTimeData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* conn,
                         std::wstring* errorText, int* errorCode) {
  connection = conn;
  if (engine) engine->MarkDependent();
  counters::ConstructionError error;
  mask_ = Param(params, 0).empty() ? L"HH:MM:SS" : Param(params, 0);

  std::wstring startText;
  const bool table =
      counters::ReadStartText(engine, conn, params, mask_, MidnightText(mask_), &startText, &error,
                              kFromCall, kFromCallText, kLastValue, kLastValueText);
  std::wstring borderText;
  counters::ReadStepParams(engine, params, table ? 1 : 0, kStepCall, kStepCallText, &step_, &unit_,
                           &borderText, &reuse_, &error);
  if (!borderText.empty())
    MaskStatic::ScanTime(borderText, mask_, &border_.hour, &border_.minute, &border_.second,
                         &border_.millisecond);

  MaskStatic::ScanTime(startText, mask_, &start_.hour, &start_.minute, &start_.second,
                       &start_.millisecond);
  if (unit_ != L'H' && unit_ != L'M' && unit_ != L'm' && unit_ != L'S') error.Set(kUnit, kUnitText);
  if (table && error.code == 0) Step(&start_);
  Reset();
  ready = 1;
  error.Report(errorText, errorCode);
}

void IncTimeData::Step(Fields* f) const {
  int64_t seconds = int64_t(f->hour) * 3600 + int64_t(f->minute) * 60 + f->second;
  switch (unit_) {
    case L'H':
      seconds += int64_t(step_) * 3600;
      break;
    case L'M':
    case L'm':
      seconds += int64_t(step_) * 60;
      break;
    case L'S':
      seconds += step_;
      break;
    default:
      return;
  }
  seconds %= kSecondsPerDay;
  if (seconds < 0) seconds += kSecondsPerDay;
  f->hour = static_cast<int>(seconds / 3600);
  f->minute = static_cast<int>(seconds / 60 % 60);
  f->second = static_cast<int>(seconds % 60);
  const bool pastBorder =
      border_.hour >= 0 &&
      (f->hour > border_.hour || (f->hour == border_.hour && f->minute > border_.minute) ||
       (f->hour == border_.hour && f->minute == border_.minute && f->second > border_.second));
  if (pastBorder) {
    f->hour = start_.hour;
    f->minute = start_.minute;
    f->second = start_.second;
  }
}

std::wstring IncTimeData::Value(std::wstring* format) {
  if (format) *format = mask_;
  if (reuse_.Repeat()) return last_;
  std::wstring t = mask_;
  const bool twelveHours = t.find(L"AM") != std::wstring::npos;
  const int shownHour =
      twelveHours ? (current_.hour % 12 == 0 ? 12 : current_.hour % 12) : current_.hour;
  t = platform::ReplaceAll(t, L"HH", platform::Format(L"%02d", shownHour));
  const std::wstring minute = platform::Format(L"%02d", current_.minute);
  t = platform::ReplaceAll(t, L"MM", minute);
  t = platform::ReplaceAll(t, L"mm", minute);
  t = platform::ReplaceAll(t, L"SS", platform::Format(L"%02d", current_.second));
  t = platform::ReplaceAll(t, L"sss", platform::Format(L"%03d", current_.millisecond));
  // Last, so the letters put in are not read as tokens.
  if (twelveHours) t = platform::ReplaceAll(t, L"AM", current_.hour < 12 ? L"AM" : L"PM");
  last_ = t;
  Step(&current_);
  return last_;
}

void IncTimeData::Reset() {
  current_ = start_;
  reuse_.Restart();
}

IGenerator* MakeIncTimeData(const GeneratorCall& call) {
  return new (std::nothrow)
      IncTimeData(call.args, call.engine, call.connection, call.errorText, call.errorCode);
}
