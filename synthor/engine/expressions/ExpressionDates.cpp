#include "synthor/engine/expressions/ExpressionDates.h"

#include <algorithm>

#include "synthor/engine/expressions/MExpression.h"

namespace expression_dates {

namespace {

constexpr long long kMaxYear = 1000000;

long long FloorDiv(long long a, long long b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

bool IsLeap(long long year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Day number of a civil date (0 = 1970-01-01); month 1..12, any day.
long long DaysFromCivil(long long year, int month, long long day) {
  year -= month <= 2;
  const long long era = FloorDiv(year, 400);
  const long long yoe = year - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + (day - 1);
}

void CivilFromDays(long long z, long long& year, int& month, int& day) {
  z += 719468;
  const long long era = FloorDiv(z, 146097);
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = yoe + era * 400 + (month <= 2);
}

}  // namespace

int DaysInMonth(int month, long long year) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

void AddDays(ExpOperand& date, long long days) {
  // A month outside 1..12 counts on into the neighbouring years first.
  long long year = std::clamp<long long>(date.year, -kMaxYear, kMaxYear);
  const long long monthIndex = static_cast<long long>(date.month) - 1;
  year += FloorDiv(monthIndex, 12);
  const int month = static_cast<int>(monthIndex - FloorDiv(monthIndex, 12) * 12) + 1;
  long long number = DaysFromCivil(year, month, date.day) + days;
  number = std::clamp(number, DaysFromCivil(-kMaxYear, 1, 1), DaysFromCivil(kMaxYear, 12, 31));
  long long newYear = 0;
  CivilFromDays(number, newYear, date.month, date.day);
  date.year = static_cast<int>(newYear);
}

void AddSeconds(ExpOperand& time, long long seconds) {
  constexpr long long kDay = 24 * 60 * 60;
  long long total = static_cast<long long>(time.hour) * 3600 +
                    static_cast<long long>(time.minute) * 60 + time.second + seconds % kDay;
  total %= kDay;
  if (total < 0) total += kDay;
  time.hour = static_cast<int>(total / 3600);
  time.minute = static_cast<int>(total / 60 % 60);
  time.second = static_cast<int>(total % 60);
}

int32_t DayDifference(const ExpOperand& later, const ExpOperand& earlier) {
  const long long years = static_cast<long long>(later.year) - earlier.year;
  const long long months = static_cast<long long>(later.month) - earlier.month;
  const long long days = static_cast<long long>(later.day) - earlier.day;
  const long long total =
      years * 365 + static_cast<long long>(static_cast<double>(months) * 30.5) + days;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(total)));
}

}  // namespace expression_dates
