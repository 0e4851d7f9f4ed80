#include "synthor/engine/expressions/ExpressionDates.h"

#include <algorithm>
#include <cstdint>

#include "synthor/engine/CivilCalendar.h"
#include "synthor/engine/expressions/MExpression.h"

namespace expression_dates {

namespace {

constexpr long long kMaxYear = 1000000;
constexpr long long kSecondsPerDay = 24 * 60 * 60;

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

void AddDays(ExpOperand& date, int64_t days) {
  using civil_calendar::DaysFromCivil;
  const long long first = DaysFromCivil(-kMaxYear, 1, 1);
  const long long last = DaysFromCivil(kMaxYear, 12, 31);
  // Any count beyond the whole span ends at a bound all the same; cut first, so the sum fits.
  const long long span = last - first;
  long long number = DayNumber(date) + std::clamp<long long>(days, -span, span);
  number = std::clamp(number, first, last);
  long long newYear = 0;
  civil_calendar::CivilFromDays(number, newYear, date.month, date.day);
  date.year = static_cast<int>(newYear);
}

void SubtractDays(ExpOperand& date, int64_t days) {
  // -INT64_MIN does not exist; one day less makes no difference that far out.
  AddDays(date, days == INT64_MIN ? INT64_MAX : -days);
}

void AddSeconds(ExpOperand& time, int64_t seconds) {
  long long total = static_cast<long long>(time.hour) * 3600 +
                    static_cast<long long>(time.minute) * 60 + time.second +
                    seconds % kSecondsPerDay;
  total %= kSecondsPerDay;
  if (total < 0) total += kSecondsPerDay;
  time.hour = static_cast<int>(total / 3600);
  time.minute = static_cast<int>(total / 60 % 60);
  time.second = static_cast<int>(total % 60);
}

void SubtractSeconds(ExpOperand& time, int64_t seconds) {
  // Within a day first: -INT64_MIN does not exist, and the clock only needs the remainder.
  AddSeconds(time, -(seconds % kSecondsPerDay));
}

int64_t DayDifference(const ExpOperand& later, const ExpOperand& earlier) {
  return DayNumber(later) - DayNumber(earlier);
}

}  // namespace expression_dates
