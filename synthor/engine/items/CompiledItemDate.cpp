#include "synthor/engine/items/CompiledItemDate.h"

#include <ctime>

#include "platform/Text.h"
#include "synthor/engine/CivilCalendar.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/MaskWriter.h"
#include "synthor/engine/MonthNames.h"

namespace {

long Find(const std::wstring& text, const wchar_t* token) {
  const std::size_t at = text.find(token);
  return at == std::wstring::npos ? -1 : static_cast<long>(at);
}

// The day number of a bound. A field the mask lacks (read as 0) opens the bound to the start or
// the end of the year or month; a month above 12 is December and a day past the month's end its
// last day.
long long BoundDay(int year, int month, int day, bool latest) {
  if (month < 1) month = latest ? 12 : 1;
  if (month > 12) month = 12;
  const int days = civil_calendar::DaysInMonth(month, year);
  if (day < 1) day = latest ? days : 1;
  if (day > days) day = days;
  return civil_calendar::DaysFromCivil(year, month, day);
}

}  // namespace

void CompiledItemDate::SetMask(const std::wstring& mask) {
  format = mask;
  dayPos = Find(mask, L"DD");
  monthPos = Find(mask, L"MM");
  yearPos = Find(mask, L"YYYY");
  fourDigitYear = yearPos >= 0 ? 1 : 0;
  if (yearPos < 0) yearPos = Find(mask, L"YY");
  lowerMonthName = Find(mask, L"mon") >= 0 ? 1 : 0;
  upperMonthName = Find(mask, L"MON") >= 0 ? 1 : 0;
  century = Find(mask, L"C") >= 0 ? 1 : 0;
}

void CompiledItemDate::Render(int year, int month, int day, std::wstring* out) const {
  std::wstring& s = *out;
  s = format;
  long yPos = yearPos, mPos = monthPos, dPos = dayPos;
  if (century) {
    const long c = Find(s, L"C");
    if (c >= 0) {
      const std::wstring digit = platform::Format(L"%d", year / 100 - 19);
      s.replace(static_cast<std::size_t>(c), 1, digit);
      // A century outside 1900..2899 takes more than the one character of its mark.
      const long shift = static_cast<long>(digit.size()) - 1;
      if (yPos > c) yPos += shift;
      if (mPos > c) mPos += shift;
      if (dPos > c) dPos += shift;
    }
  }
  mask_writer::PutDigits(s, yPos, fourDigitYear ? year : year % 100, fourDigitYear ? 4 : 2);
  mask_writer::PutDigits(s, mPos, month, 2);
  mask_writer::PutDigits(s, dPos, day, 2);
  if (lowerMonthName) mask_writer::PutText(s, Find(s, L"mon"), month_names::Lower(month));
  if (upperMonthName) mask_writer::PutText(s, Find(s, L"MON"), month_names::Upper(month));
}

int CompiledItemDate::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  switch (kind) {
    case MASK_TODAY: return CurrentDate(out, eng);
    case MASK_DATE: return GivenDate(out, eng);
    default: return RandomDate(out, eng);
  }
}

int CompiledItemDate::RandomDate(DGValue* out, DSynthor* eng) {
  if (!constantBounds) {
    std::wstring low, high;
    if (!ResolveBound(minText, eng, &low) || !ResolveBound(maxText, eng, &high)) return 0;
    MaskStatic::ScanDate(low, format, &minDay, &minMonth, &minYear);
    MaskStatic::ScanDate(high, format, &maxDay, &maxMonth, &maxYear);
  }
  // Every day of the calendar from the lower to the upper bound, both included, is equally
  // likely; bounds in the wrong order give the lower one.
  const long long low = BoundDay(minYear, minMonth, minDay, false);
  const long long high = BoundDay(maxYear, maxMonth, maxDay, true);
  const long long number = high > low ? low + eng->random.Next64(high - low + 1) : low;
  long long year = 0;
  int month = 1, day = 1;
  civil_calendar::CivilFromDays(number, year, month, day);
  Render(static_cast<int>(year), month, day, &rendered_);
  return Append(eng, out, rendered_) ? 1 : 0;
}

int CompiledItemDate::CurrentDate(DGValue* out, DSynthor* eng) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  Render(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, &rendered_);
  return Append(eng, out, rendered_) ? 1 : 0;
}

int CompiledItemDate::GivenDate(DGValue* out, DSynthor* eng) {
  std::wstring value = text;
  if (!constantBounds && !ResolveBound(text, eng, &value)) return 0;
  return Append(eng, out, value) ? 1 : 0;
}
