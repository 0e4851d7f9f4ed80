#include "synthor/engine/CivilCalendar.h"

namespace civil_calendar {

namespace {

long long FloorDiv(long long a, long long b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

bool IsLeap(long long year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int month, long long year) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Eras of 400 years repeat exactly, so the count works within one era starting in March (the leap
// day falls at the era-year's end).
long long DaysFromCivil(long long year, int month, long long day) {
  year -= month <= 2;
  const long long era = FloorDiv(year, 400);
  const long long yoe = year - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + (day - 1);
}

void CivilFromDays(long long number, long long& year, int& month, int& day) {
  number += 719468;
  const long long era = FloorDiv(number, 146097);
  const long long doe = number - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = yoe + era * 400 + (month <= 2);
}

}  // namespace civil_calendar
