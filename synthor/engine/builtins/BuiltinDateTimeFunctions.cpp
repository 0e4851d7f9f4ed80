// Built-in functions of dates and times: random ones between bounds ($rdate, $rtime), the clock
// ($today, $now) and constants ($date, $time). Constant texts are checked here, once, so that a
// pattern whose bounds cannot be read fails when it is compiled rather than drawing nonsense.
#include <memory>

#include "platform/Text.h"
#include "synthor/engine/builtins/BuiltinArgs.h"
#include "synthor/engine/builtins/BuiltinDateTimeChecks.h"
#include "synthor/engine/builtins/BuiltinErrors.h"
#include "synthor/engine/items/CompiledItemDate.h"
#include "synthor/engine/items/CompiledItemTime.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/PatternExcerpt.h"

using builtin_args::Arg;
using builtin_args::Fail;
using builtin_args::IsNestedBound;
using namespace builtin_errors;
using namespace datetime_checks;

namespace {

constexpr int kFirstYear = 1970;
constexpr int kLastYear = 2050;
// A short year without a century digit reads 00..29 as 2000..2029, so that is as far as it goes.
constexpr int kLastShortYear = 2029;

bool ShortYearWithoutCentury(const std::wstring& mask) {
  return mask.find(L"YYYY") == std::wstring::npos && mask.find(L"YY") != std::wstring::npos &&
         mask.find(L'C') == std::wstring::npos;
}

struct DateBoundErrors {
  int lengthCode;
  const wchar_t* lengthText;
  int unreadableCode;
  const wchar_t* unreadableText;
};

constexpr DateBoundErrors kFromErrors{kFromDateLength, kFromDateLengthText, kFromDateUnreadable,
                                      kFromDateUnreadableText};
constexpr DateBoundErrors kToErrors{kToDateLength, kToDateLengthText, kToDateUnreadable,
                                    kToDateUnreadableText};

// Reads a constant bound of `$rdate` into day, month and year; fields the mask lacks take the
// bound's extreme. 1, or 0 with the engine's error set.
int ReadDateBound(const FunctionCall& call, const std::wstring& bound, const std::wstring& mask,
                  const DateBoundErrors& errors, bool latest, int* day, int* month, int* year) {
  const DateReading r = ReadDate(bound, mask);
  switch (r.problem) {
    case DateProblem::None:
      break;
    case DateProblem::Length:
      return Fail(call, errors.lengthCode,
                  platform::Format(errors.lengthText, PatternExcerpt(bound).c_str(),
                                   PatternExcerpt(mask).c_str()));
    case DateProblem::Unreadable:
      return Fail(call, errors.unreadableCode,
                  platform::Format(errors.unreadableText, PatternExcerpt(mask).c_str(),
                                   PatternExcerpt(bound).c_str()));
    case DateProblem::LongYear:
      return Fail(call, kLongYear, platform::Format(kLongYearText, PatternExcerpt(mask).c_str()));
    case DateProblem::ShortYear:
      return Fail(call, kShortYear, platform::Format(kShortYearText, PatternExcerpt(mask).c_str()));
  }
  *month = r.hasMonth ? (r.month > 12 ? 12 : r.month) : (latest ? 12 : 1);
  *year = r.hasYear ? r.year : (latest ? kLastYear : kFirstYear);
  *day = r.hasDay ? r.day : (latest ? RealDaysInMonth(*month, *year) : 1);
  return 1;
}

int RDate(const FunctionCall& call) {
  // The item is listed before the arguments are checked, so a failed pattern still holds it.
  auto* item = call.pattern->Add(std::make_unique<CompiledItemDate>(call.engine, MASK_RDATE));
  const std::wstring mask = Arg(call, 0, L"DD.MM.YYYY");
  item->SetMask(mask);
  if (!IsDateMask(mask))
    return Fail(call, kDateFormat, platform::Format(kDateFormatText, PatternExcerpt(mask).c_str()));
  std::wstring from = Arg(call, 1);
  std::wstring to = Arg(call, 2);
  const bool nestedFrom = IsNestedBound(from);
  const bool nestedTo = IsNestedBound(to);
  // Defaults are written in the mask, so a bound resolved at value time reads them back alike.
  if (!nestedFrom && from.size() <= 2) item->Render(kFirstYear, 1, 1, &from);
  const int lastYear = ShortYearWithoutCentury(mask) ? kLastShortYear : kLastYear;
  if (!nestedTo && to.size() <= 2) item->Render(lastYear, 12, 31, &to);
  item->minText = from;
  item->maxText = to;
  if (!nestedFrom &&
      !ReadDateBound(call, from, mask, kFromErrors, false, &item->minDay, &item->minMonth, &item->minYear))
    return 0;
  if (!nestedTo &&
      !ReadDateBound(call, to, mask, kToErrors, true, &item->maxDay, &item->maxMonth, &item->maxYear))
    return 0;
  if (nestedFrom || nestedTo) {
    item->constantBounds = 0;
    call.engine->MarkDependent();
  }
  return 1;
}

int RTime(const FunctionCall& call) {
  const std::wstring mask = Arg(call, 0, L"HH:MM:SS");
  if (!IsTimeMask(mask))
    return Fail(call, kTimeFormat, platform::Format(kTimeFormatText, PatternExcerpt(mask).c_str()));
  auto item = std::make_unique<CompiledItemTime>(call.engine, MASK_RTIME);
  item->SetMask(mask);
  const std::wstring from = Arg(call, 1);
  const std::wstring to = Arg(call, 2);
  const bool nestedFrom = IsNestedBound(from);
  const bool nestedTo = IsNestedBound(to);
  item->minText = from.empty() ? TimeBoundText(mask, false) : from;
  item->maxText = to.empty() ? TimeBoundText(mask, true) : to;
  // A defaulted bound keeps the item's own extremes (00:00:00 and 23:59:59): a zone field early
  // in the mask would shift the default text against the mask's positions.
  TimeReading r;
  if (!from.empty() && !nestedFrom) {
    if (!ReadTime(from, mask, &r))
      return Fail(call, kFromTime,
                  platform::Format(kFromTimeText, PatternExcerpt(from).c_str(),
                                   PatternExcerpt(mask).c_str()));
    item->minHour = r.hour;
    item->minMinute = r.minute;
    item->minSecond = r.second;
    item->minMillisecond = r.millisecond;
  }
  if (!to.empty() && !nestedTo) {
    if (!ReadTime(to, mask, &r))
      return Fail(
          call, kToTime,
          platform::Format(kToTimeText, PatternExcerpt(to).c_str(), PatternExcerpt(mask).c_str()));
    item->maxHour = r.hour;
    item->maxMinute = r.minute;
    item->maxSecond = r.second;
    item->maxMillisecond = r.millisecond;
  }
  if (nestedFrom || nestedTo) {
    item->constantBounds = 0;
    call.engine->MarkDependent();
  }
  call.pattern->Add(std::move(item));
  return 1;
}

int Today(const FunctionCall& call) {
  auto item = std::make_unique<CompiledItemDate>(call.engine, MASK_TODAY);
  item->SetMask(Arg(call, 0, L"DD.MM.YYYY"));
  call.pattern->Add(std::move(item));
  return 1;
}

int Now(const FunctionCall& call) {
  auto item = std::make_unique<CompiledItemTime>(call.engine, MASK_NOW);
  item->SetMask(Arg(call, 0, L"HH:MM:SS"));
  call.pattern->Add(std::move(item));
  return 1;
}

constexpr int kLatestConstantYear = 2999;

int Date(const FunctionCall& call) {
  auto* item = call.pattern->Add(std::make_unique<CompiledItemDate>(call.engine, MASK_DATE));
  const std::wstring constant = Arg(call, 0, L"01.01.1970");
  const std::wstring mask = Arg(call, 1, L"DD.MM.YYYY");
  item->SetMask(mask);
  item->text = constant;
  if (IsNestedBound(constant)) {
    item->constantBounds = 0;
    call.engine->MarkDependent();
    return 1;
  }
  const DateReading r = ReadDate(constant, mask);
  const bool valid = IsDateMask(mask) && r.problem == DateProblem::None &&
                     (!r.hasMonth || r.month <= 12) &&
                     (!r.hasYear || (r.year >= 1 && r.year <= kLatestConstantYear));
  if (!valid)
    return Fail(call, kDateConstant,
                platform::Format(kDateConstantText, PatternExcerpt(constant).c_str(),
                                 PatternExcerpt(mask).c_str()));
  return 1;
}

int Time(const FunctionCall& call) {
  const std::wstring constant = Arg(call, 0, L"00:00:00");
  const std::wstring mask = Arg(call, 1, L"HH:MM:SS");
  auto item = std::make_unique<CompiledItemTime>(call.engine, MASK_TIME);
  item->SetMask(mask);
  item->text = constant;
  if (constant.size() >= 2 && !IsNestedBound(constant)) {
    if (!ReadTime(constant, mask, nullptr))
      return Fail(call, kTimeConstant,
                  platform::Format(kTimeConstantText, PatternExcerpt(constant).c_str(),
                                   PatternExcerpt(mask).c_str()));
  } else {
    item->constantBounds = 0;
    call.engine->MarkDependent();
  }
  call.pattern->Add(std::move(item));
  return 1;
}

}  // namespace

void RegisterDateTimeFunctions(FunctionTable& table) {
  table.AddBuiltin(L"rdate", MASK_RDATE, &RDate);
  table.AddBuiltin(L"rtime", MASK_RTIME, &RTime);
  table.AddBuiltin(L"today", MASK_TODAY, &Today);
  table.AddBuiltin(L"now", MASK_NOW, &Now);
  table.AddBuiltin(L"date", MASK_DATE, &Date);
  table.AddBuiltin(L"time", MASK_TIME, &Time);
}
