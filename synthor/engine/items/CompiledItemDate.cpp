#include "synthor/engine/items/CompiledItemDate.h"

#include <algorithm>
#include <climits>
#include <ctime>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/MaskWriter.h"
#include "synthor/engine/MonthNames.h"

namespace {

long Find(const std::wstring& text, const wchar_t* token) {
  const std::size_t at = text.find(token);
  return at == std::wstring::npos ? -1 : static_cast<long>(at);
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
  DGRandom& r = eng->random;
  const int d1 = minDay, m1 = minMonth, y1 = minYear;
  const int d2 = maxDay, m2 = maxMonth;
  int year, month;
  if (y1 < maxYear) {
    const long long years = static_cast<long long>(maxYear) - y1 + 1;
    const int k = r.Next(years > INT_MAX ? INT_MAX : static_cast<int>(years));
    year = y1 + k;
    if (k > 0)
      month = r.Next(year == maxYear && m2 != 0 ? m2 : 12) + 1;
    else
      month = m1 == 12 ? 12 : m1 + r.Next(12 - m1);
  } else {
    year = y1;
    maxYear = y1;
    month = m1 < m2 ? m1 + r.Next(static_cast<int>(
                            std::min<long long>(INT_MAX, static_cast<long long>(m2) - m1 + 1)))
                    : m1;
  }
  const int y2 = maxYear;
  const int days = MaskStatic::DaysInMonth(month);
  int day;
  if (year == y1 && month == m1) {
    long long g = d1 == MaskStatic::DaysInMonth(m1) ? 1 : static_cast<long long>(days) - d1;
    if (year == y2 && month == m2) g = static_cast<long long>(d2) - d1;
    g = std::min<long long>(g, INT_MAX);
    day = d1 + r.Next(static_cast<int>(g));
  } else {
    day = r.Next(year == y2 && month == m2 ? d2 : days) + 1;
  }
  Render(year, month, day, &rendered_);
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
