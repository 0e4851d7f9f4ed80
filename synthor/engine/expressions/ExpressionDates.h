#pragma once
// Calendar and clock arithmetic on expression operands. Dates follow the proleptic Gregorian
// calendar (leap years included) and are normalised in both directions, so a day or month out of
// range (read from an odd text, or left by an addition) always ends up as a real date. Years are
// kept within +-1,000,000 so that no later step can overflow.
#include <cstdint>

struct ExpOperand;

namespace expression_dates {

int DaysInMonth(int month, long long year);  // month 1..12

// Moves the date part of `date` by `days` (negative: back), any count: a date that would fall
// beyond the years kept stops at their first or last day.
void AddDays(ExpOperand& date, int64_t days);
void SubtractDays(ExpOperand& date, int64_t days);
// Moves the time part of `time` by `seconds` around the clock (hours wrap at 24).
void AddSeconds(ExpOperand& time, int64_t seconds);
void SubtractSeconds(ExpOperand& time, int64_t seconds);
// The number of calendar days from `earlier` to `later` (negative when `later` is earlier), so
// that earlier + (later - earlier) is later again.
int64_t DayDifference(const ExpOperand& later, const ExpOperand& earlier);

}  // namespace expression_dates
