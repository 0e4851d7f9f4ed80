#include "synthor/engine/builtins/BuiltinDateTimeChecks.h"

#include "platform/Text.h"
#include "synthor/engine/CivilCalendar.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/MonthNames.h"

namespace datetime_checks {

namespace {

constexpr std::size_t npos = std::wstring::npos;

bool Has(const std::wstring& mask, const wchar_t* token) { return mask.find(token) != npos; }

// The `width` characters at the position of `token` in the mask are all digits of the text.
bool DigitsAt(const std::wstring& text, std::size_t pos, std::size_t width) {
  if (pos == npos || pos + width > text.size()) return false;
  for (std::size_t i = pos; i < pos + width; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
  }
  return true;
}

bool IsMonthName(const std::wstring& text, std::size_t pos) {
  const std::wstring name = platform::Mid(text, static_cast<long long>(pos), 3);
  for (const wchar_t* month : month_names::kUpper) {
    if (platform::EqualsNoCase(name, month)) return true;
  }
  return false;
}

}  // namespace

bool IsDateMask(const std::wstring& mask) {
  return Has(mask, L"DD") || Has(mask, L"MM") || Has(mask, L"YY") || Has(mask, L"mon") ||
         Has(mask, L"MON");
}

bool IsTimeMask(const std::wstring& mask) {
  return Has(mask, L"HH") && (Has(mask, L"mm") || Has(mask, L"MM"));
}

// Year 0 is a leap year of the calendar, which is what an unknown year needs.
int RealDaysInMonth(int month, int year) { return civil_calendar::DaysInMonth(month, year); }

DateReading ReadDate(const std::wstring& text, const std::wstring& mask) {
  DateReading r;
  if (text.size() != mask.size()) {
    r.problem = DateProblem::Length;
    return r;
  }
  // The same field positions MaskStatic::ScanDate reads: a month number wins over a month name,
  // a long year over a short one, and the century digit counts only for a short year.
  r.hasDay = Has(mask, L"DD");
  if (r.hasDay && !DigitsAt(text, mask.find(L"DD"), 2)) r.problem = DateProblem::Unreadable;
  if (Has(mask, L"MM")) {
    r.hasMonth = true;
    if (!DigitsAt(text, mask.find(L"MM"), 2)) r.problem = DateProblem::Unreadable;
  } else if (Has(mask, L"MON") || Has(mask, L"mon")) {
    r.hasMonth = true;
    const std::size_t pos = Has(mask, L"MON") ? mask.find(L"MON") : mask.find(L"mon");
    if (!IsMonthName(text, pos)) r.problem = DateProblem::Unreadable;
  }
  if (r.problem != DateProblem::None) return r;
  if (Has(mask, L"YYYY")) {
    r.hasYear = true;
    if (!DigitsAt(text, mask.find(L"YYYY"), 4)) r.problem = DateProblem::LongYear;
  } else if (Has(mask, L"YY")) {
    r.hasYear = true;
    const bool centuryOk = !Has(mask, L"C") || DigitsAt(text, mask.find(L'C'), 1);
    if (!DigitsAt(text, mask.find(L"YY"), 2) || !centuryOk) r.problem = DateProblem::ShortYear;
  }
  if (r.problem != DateProblem::None) return r;
  MaskStatic::ScanDate(text, mask, &r.day, &r.month, &r.year);
  if (r.hasMonth && r.month < 1) r.problem = DateProblem::Unreadable;
  const int month = r.month > 12 ? 12 : r.month;
  if (r.hasDay && (r.day < 1 || r.day > RealDaysInMonth(r.hasMonth ? month : 1, r.hasYear ? r.year : 0)))
    r.problem = DateProblem::Unreadable;
  return r;
}

bool ReadTime(const std::wstring& text, const std::wstring& mask, TimeReading* reading) {
  const std::wstring minuteToken = Has(mask, L"mm") ? L"mm" : L"MM";
  if (Has(mask, L"HH") && !DigitsAt(text, mask.find(L"HH"), 2)) return false;
  if (Has(mask, minuteToken.c_str()) && !DigitsAt(text, mask.find(minuteToken), 2)) return false;
  if (Has(mask, L"SS") && !DigitsAt(text, mask.find(L"SS"), 2)) return false;
  if (Has(mask, L"sss") && !DigitsAt(text, mask.find(L"sss"), 3)) return false;
  TimeReading r;
  MaskStatic::ScanTime(text, mask, &r.hour, &r.minute, &r.second, &r.millisecond);
  if (r.hour > 23 || r.minute > 59 || r.second > 59) return false;
  if (reading) *reading = r;
  return true;
}

std::wstring TimeBoundText(const std::wstring& mask, bool latest) {
  std::wstring text = mask;
  text = platform::ReplaceAll(text, L"HH", latest ? L"23" : L"00");
  text = platform::ReplaceAll(text, L"MM", latest ? L"59" : L"00");
  text = platform::ReplaceAll(text, L"mm", latest ? L"59" : L"00");
  text = platform::ReplaceAll(text, L"SS", latest ? L"59" : L"00");
  text = platform::ReplaceAll(text, L"sss", latest ? L"999" : L"000");
  text = platform::ReplaceAll(text, L"zz", L"-00:00");
  return text;
}

}  // namespace datetime_checks
