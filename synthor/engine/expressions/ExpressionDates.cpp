#include "synthor/engine/expressions/ExpressionDates.h"

#include <algorithm>

#include "synthor/engine/CivilCalendar.h"
#include "synthor/engine/expressions/MExpression.h"

namespace expression_dates {

namespace {

constexpr long long kMaxYear = 1000000;

long long FloorDiv(long long a, long long b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The day number of the date part; a month outside 1..12 counts on into the neighbouring years.
long long DayNumber(const ExpOperand& date) {
  long long year = std::clamp<long long>(date.year, -kMaxYear, kMaxYear);
  const long long monthIndex = static_cast<long long>(date.month) - 1;
  year += FloorDiv(monthIndex, 12);
  const int month = static_cast<int>(monthIndex - FloorDiv(monthIndex, 12) * 12) + 1;
  return civil_calendar::DaysFromCivil(year, month, date.day);
}

}  // namespace

int DaysInMonth(int month, long long year) { return civil_calendar::DaysInMonth(month, year); }

void AddDays(ExpOperand& date, long long days) {
  using civil_calendar::DaysFromCivil;
  long long number = DayNumber(date) + days;
  number = std::clamp(number, DaysFromCivil(-kMaxYear, 1, 1), DaysFromCivil(kMaxYear, 12, 31));
  long long newYear = 0;
  civil_calendar::CivilFromDays(number, newYear, date.month, date.day);
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
  // Beyond 32 bits the count wraps around, as the language's other integer arithmetic does.
  return static_cast<int32_t>(DayNumber(later) - DayNumber(earlier));
}

}  // namespace expression_dates
