#pragma once
// Compile-time checks of the date and time texts given to `$rdate`, `$rtime`, `$date` and
// `$time`: whether a mask names the fields it needs, and whether a constant text really holds a
// date or time in that mask. The values themselves are read with MaskStatic, exactly as the items
// read bounds that are resolved only when a value is made.
#include <string>

namespace datetime_checks {

// A date mask names at least one of DD, MM, YY (or YYYY), mon and MON.
bool IsDateMask(const std::wstring& mask);
// A time mask names the hour (HH) and the minute (mm or MM).
bool IsTimeMask(const std::wstring& mask);

enum class DateProblem {
  None,
  Length,      // the text is not as long as the mask
  Unreadable,  // a day or month field holds no number (or no month name), or a day out of range
  LongYear,    // the YYYY field is not four digits
  ShortYear,   // the YY field is not two digits, or the century field not one
};

struct DateReading {
  DateProblem problem = DateProblem::None;
  int day = 0, month = 0, year = 0;
  bool hasDay = false, hasMonth = false, hasYear = false;
};

// Reads a date written in `mask`. The day must exist in its month (leap years included); the
// month is only required to be at least 1, the callers decide what a larger one means.
DateReading ReadDate(const std::wstring& text, const std::wstring& mask);

// The days of `month` in `year`, leap years included; February has 29 when the year is unknown
// (0), so a date without a year is never refused for its 29th of February.
int RealDaysInMonth(int month, int year);

struct TimeReading {
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Reads a time written in `mask`: every field the mask names must hold digits, with an hour up
// to 23 and a minute and second up to 59. False when it does not.
bool ReadTime(const std::wstring& text, const std::wstring& mask, TimeReading* reading);

// The earliest (00:00:00.000) or latest (23:59:59.999) time written in `mask`, with a zone field
// written as -00:00.
std::wstring TimeBoundText(const std::wstring& mask, bool latest);

}  // namespace datetime_checks
