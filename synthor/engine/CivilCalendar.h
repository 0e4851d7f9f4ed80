#pragma once
// Day numbers of the proleptic Gregorian calendar (leap years included), shared by the random
// dates and the expression language so that both count the same days.
namespace civil_calendar {

bool IsLeap(long long year);
// 31 for a month outside 1..12.
int DaysInMonth(int month, long long year);
// Day number of a date (0 = 1970-01-01); month 1..12, any day (a day past the month's end counts
// on into the next months).
long long DaysFromCivil(long long year, int month, long long day);
void CivilFromDays(long long number, long long& year, int& month, int& day);

}  // namespace civil_calendar
