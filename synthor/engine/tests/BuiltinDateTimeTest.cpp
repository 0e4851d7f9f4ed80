// Random dates and times, date and time constants: every drawn value is read back through its mask
// and must be a real date or time within its bounds.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct Day {
  int year = 0, month = 0, day = 0;
  auto Key() const { return std::tie(year, month, day); }
};

bool IsLeap(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysIn(int month, int year) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Reads `text` written in `mask`; false when it does not have the mask's length or is no real date.
bool ReadDay(const std::wstring& text, const std::wstring& mask, Day* d) {
  if (text.size() != mask.size()) return false;
  MaskStatic::ScanDate(text, mask, &d->day, &d->month, &d->year);
  return d->month >= 1 && d->month <= 12 && d->day >= 1 && d->day <= DaysIn(d->month, d->year);
}

struct DateRange {
  const wchar_t* pattern;
  const wchar_t* mask;
  Day first, last;
  const char* shape;  // the whole value, as a regular expression
};

const DateRange kDateRanges[] = {
    {L"$rdate()",
     L"DD.MM.YYYY",
     {1970, 1, 1},
     {2050, 12, 31},
     "[0-3][0-9]\\.[01][0-9]\\.[12][0-9]{3}"},
    {L"$rdate(DD.MM.YYYY,15.06.2000,20.06.2000)",
     L"DD.MM.YYYY",
     {2000, 6, 15},
     {2000, 6, 20},
     "(1[5-9]|20)\\.06\\.2000"},
    {L"$rdate(YYYY-MM-DD,2000-02-27,2000-03-02)",
     L"YYYY-MM-DD",
     {2000, 2, 27},
     {2000, 3, 2},
     "2000-0[23]-[0-3][0-9]"},
    {L"$rdate(DD.MM.YYYY,29.02.2004,01.03.2004)",
     L"DD.MM.YYYY",
     {2004, 2, 29},
     {2004, 3, 1},
     "(29\\.02|01\\.03)\\.2004"},
    {L"$rdate(DD.MM.YYYY,20.12.1999,10.01.2001)",
     L"DD.MM.YYYY",
     {1999, 12, 20},
     {2001, 1, 10},
     "[0-3][0-9]\\.[01][0-9]\\.(1999|200[01])"},
    {L"$rdate(YYYYMMDD,20201231,20201231)",
     L"YYYYMMDD",
     {2020, 12, 31},
     {2020, 12, 31},
     "20201231"},
    {L"$rdate(DD-mon-YYYY,01-jan-1999,31-dec-2001)",
     L"DD-mon-YYYY",
     {1999, 1, 1},
     {2001, 12, 31},
     "[0-3][0-9]-(jan|feb|mar|apr|may|jun|jul|aug|sep|oct|nov|dec)-(1999|200[01])"},
    {L"$rdate(MON DD YYYY,MAR 01 2010,MAY 31 2010)",
     L"MON DD YYYY",
     {2010, 3, 1},
     {2010, 5, 31},
     "(MAR|APR|MAY) [0-3][0-9] 2010"},
    // A short year without a century digit reaches 2029 at most; with one, the full range.
    {L"$rdate(DD.MM.YY)",
     L"DD.MM.YY",
     {1970, 1, 1},
     {2029, 12, 31},
     "[0-3][0-9]\\.[01][0-9]\\.[0-9]{2}"},
    {L"$rdate(DD/MM/C/YY)",
     L"DD/MM/C/YY",
     {1970, 1, 1},
     {2050, 12, 31},
     "[0-3][0-9]/[01][0-9]/[01]/[0-9]{2}"},
    // A month above 12 is December.
    {L"$rdate(DD.MM.YYYY,01.13.2000,31.12.2000)",
     L"DD.MM.YYYY",
     {2000, 12, 1},
     {2000, 12, 31},
     "[0-3][0-9]\\.12\\.2000"},
    // Bounds made anew for each value.
    {L"$rdate(DD.MM.YYYY,$date(01.01.2000),$date(31.12.2000))",
     L"DD.MM.YYYY",
     {2000, 1, 1},
     {2000, 12, 31},
     "[0-3][0-9]\\.[01][0-9]\\.2000"},
};

class DrawnDates : public EngineFixture, public ::testing::WithParamInterface<DateRange> {};

TEST_P(DrawnDates, AreRealDatesWithinTheirBounds) {
  const DateRange& r = GetParam();
  Day lowest = r.last, highest = r.first;
  for (int i = 0; i < 1000; ++i) {
    const std::wstring v = Render(r.pattern);
    Day d;
    ASSERT_TRUE(ReadDay(v, r.mask, &d)) << platform::ToUtf8(v);
    ASSERT_TRUE(Matches(v, r.shape)) << platform::ToUtf8(v);
    ASSERT_TRUE(r.first.Key() <= d.Key() && d.Key() <= r.last.Key()) << platform::ToUtf8(v);
    if (d.Key() < lowest.Key()) lowest = d;
    if (highest.Key() < d.Key()) highest = d;
  }
  // The draws spread over the range rather than sticking to one end.
  EXPECT_LE(lowest.year, r.first.year + 2) << platform::ToUtf8(r.pattern);
  EXPECT_GE(highest.year, r.last.year - 2) << platform::ToUtf8(r.pattern);
}

INSTANTIATE_TEST_SUITE_P(Dates, DrawnDates, ::testing::ValuesIn(kDateRanges),
                         testsupport::NameBy<&DateRange::pattern>());

// Every day between the bounds can be drawn: both ends, and the leap day.
TEST_F(EngineFixture, RandomDatesCoverTheirBoundsAndTheLeapDay) {
  struct Case {
    const wchar_t* pattern;
    std::set<std::wstring> days;
  };
  const Case cases[] = {
      {L"$rdate(DD.MM.YYYY,27.02.2004,02.03.2004)",
       {L"27.02.2004", L"28.02.2004", L"29.02.2004", L"01.03.2004", L"02.03.2004"}},
      {L"$rdate(DD.MM.YYYY,28.02.2001,01.03.2001)", {L"28.02.2001", L"01.03.2001"}},
      {L"$rdate(DD.MM.YYYY,30.12.1999,02.01.2000)",
       {L"30.12.1999", L"31.12.1999", L"01.01.2000", L"02.01.2000"}},
      {L"$rdate(DD.MM.YYYY,29.04.2010,01.05.2010)", {L"29.04.2010", L"30.04.2010", L"01.05.2010"}},
      {L"$rdate(DD.MM.YYYY,15.06.2000,15.06.2000)", {L"15.06.2000"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Distinct(c.pattern, 400), c.days) << platform::ToUtf8(c.pattern);
  // A long range reaches its first and last day too.
  const std::set<std::wstring> year = Distinct(L"$rdate(DD.MM.YYYY,01.01.2000,31.12.2000)", 20000);
  EXPECT_EQ(year.size(), 366u);
}

TEST_F(EngineFixture, RandomDateMonthNamesFollowTheDrawnMonth) {
  for (int i = 0; i < 500; ++i) {
    const std::wstring v = Render(L"$rdate(YYYY-MM-mon)");
    static const wchar_t* const kNames[] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                            L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};
    const int month = platform::ToInt(v.substr(5, 2));
    ASSERT_TRUE(month >= 1 && month <= 12) << platform::ToUtf8(v);
    ASSERT_EQ(v.substr(8), kNames[month - 1]) << platform::ToUtf8(v);
  }
}

struct Clock {
  int hour = 0, minute = 0, second = 0;
  auto Key() const { return std::tie(hour, minute, second); }
};

struct TimeRange {
  const wchar_t* pattern;
  const wchar_t* mask;
  Clock first, last;
  const char* shape;
};

const TimeRange kTimeRanges[] = {
    {L"$rtime()", L"HH:MM:SS", {0, 0, 0}, {23, 59, 59}, "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]"},
    {L"$rtime(HH:mm,09:30,10:15)",
     L"HH:mm",
     {9, 30, 0},
     {10, 15, 0},
     "(09:[3-5][0-9]|10:[01][0-9])"},
    {L"$rtime(HH:MM:SS,12:00:10,12:00:20)",
     L"HH:MM:SS",
     {12, 0, 10},
     {12, 0, 20},
     "12:00:(1[0-9]|20)"},
    {L"$rtime(HH:MM:SS.sss)",
     L"HH:MM:SS.sss",
     {0, 0, 0},
     {23, 59, 59},
     "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\.[0-9]{3}"},
    {L"$rtime(HH:MM:SS,$time(10:00:00),$time(11:00:00))",
     L"HH:MM:SS",
     {10, 0, 0},
     {11, 0, 0},
     "1[01]:[0-5][0-9]:[0-5][0-9]"},
};

class DrawnTimes : public EngineFixture, public ::testing::WithParamInterface<TimeRange> {};

TEST_P(DrawnTimes, StayWithinTheirBounds) {
  const TimeRange& r = GetParam();
  for (int i = 0; i < 1000; ++i) {
    const std::wstring v = Render(r.pattern);
    ASSERT_TRUE(Matches(v, r.shape)) << platform::ToUtf8(v);
    Clock c;
    MaskStatic::ScanTime(v, r.mask, &c.hour, &c.minute, &c.second);
    ASSERT_TRUE(r.first.Key() <= c.Key() && c.Key() <= r.last.Key()) << platform::ToUtf8(v);
  }
}

INSTANTIATE_TEST_SUITE_P(Times, DrawnTimes, ::testing::ValuesIn(kTimeRanges),
                         testsupport::NameBy<&TimeRange::pattern>());

// Every value lies inside the bounds and both ends are reached.
TEST_F(EngineFixture, RandomTimesCoverTheirBounds) {
  struct Case {
    const wchar_t* pattern;
    int draws;
    std::set<std::wstring> values;  // empty: only the ends are checked
    const wchar_t* first;
    const wchar_t* last;
  };
  const Case cases[] = {
      {L"$rtime(HH:MM:SS,10:30:00,10:30:00)", 100, {L"10:30:00"}, L"10:30:00", L"10:30:00"},
      {L"$rtime(HH:MM:SS,10:30:58,10:31:01)",
       400,
       {L"10:30:58", L"10:30:59", L"10:31:00", L"10:31:01"},
       L"10:30:58",
       L"10:31:01"},
      {L"$rtime(HH:mm,10:00,12:30)", 20000, {}, L"10:00", L"12:30"},
      {L"$rtime(HH:mm,23:58,23:59)", 200, {L"23:58", L"23:59"}, L"23:58", L"23:59"},
      {L"$rtime(HH:MM:SS.sss,10:00:00.998,10:00:01.001)",
       400,
       {L"10:00:00.998", L"10:00:00.999", L"10:00:01.000", L"10:00:01.001"},
       L"10:00:00.998",
       L"10:00:01.001"},
  };
  for (const Case& c : cases) {
    const std::set<std::wstring> seen = Distinct(c.pattern, c.draws);
    if (!c.values.empty()) {
      EXPECT_EQ(seen, c.values) << platform::ToUtf8(c.pattern);
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(*seen.begin(), c.first) << platform::ToUtf8(c.pattern);
    EXPECT_EQ(*seen.rbegin(), c.last) << platform::ToUtf8(c.pattern);
  }
  // The last hour of the day can be drawn.
  std::set<std::wstring> hours;
  for (const std::wstring& v : Distinct(L"$rtime()", 3000)) hours.insert(v.substr(0, 2));
  EXPECT_EQ(hours.size(), 24u);
  EXPECT_EQ(*hours.rbegin(), L"23");
}

TEST_F(EngineFixture, RandomTimesOnTheTwelveHourClockAndWithZones) {
  for (int i = 0; i < 300; ++i) {
    EXPECT_TRUE(Matches(Render(L"$rtime(HH:MM AM)"), "(0[1-9]|1[0-2]):[0-5][0-9] (AM|PM)"));
    // Hour 0 is written as 12, and the half of the day is the drawn hour's.
    EXPECT_TRUE(Matches(Render(L"$rtime(HH:MM AM,00:00,00:59)"), "12:[0-5][0-9] AM"));
    EXPECT_TRUE(Matches(Render(L"$rtime(HH:MM AM,13:00,13:59)"), "01:[0-5][0-9] PM"));
    EXPECT_TRUE(
        Matches(Render(L"$rtime(HH:MM zz)"), "[0-2][0-9]:[0-5][0-9] [+-](0[0-9]|1[01]):00"));
  }
}

struct ConstantCase {
  const wchar_t* pattern;
  const wchar_t* value;
  const wchar_t* format;  // the format the value carries
};

const ConstantCase kConstants[] = {
    {L"$date()", L"01.01.1970", L"DD.MM.YYYY"},
    {L"$date(29.02.2004)", L"29.02.2004", L"DD.MM.YYYY"},
    {L"$date(2020-12-31,YYYY-MM-DD)", L"2020-12-31", L"YYYY-MM-DD"},
    {L"$date(05-mar-99,DD-mon-YY)", L"05-mar-99", L"DD-mon-YY"},
    {L"$date(2020,YYYY)", L"2020", L"YYYY"},
    {L"$time()", L"00:00:00", L"HH:MM:SS"},
    {L"$time(23:59,HH:mm)", L"23:59", L"HH:mm"},
    {L"$time(07:08:09.123,HH:MM:SS.sss)", L"07:08:09.123", L"HH:MM:SS.sss"},
    {L"$time($time(10:11:12))", L"10:11:12", L"HH:MM:SS"},
};

class DateTimeConstants : public EngineFixture,
                          public ::testing::WithParamInterface<ConstantCase> {};

TEST_P(DateTimeConstants, RenderAsWrittenWithTheirFormat) {
  DGValue v;
  ASSERT_EQ(engine.Value(-1, GetParam().pattern, &v, nullptr), 1)
      << platform::ToUtf8(engine.Error());
  EXPECT_EQ(v.value, GetParam().value);
  EXPECT_EQ(v.format, GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(DateAndTime, DateTimeConstants, ::testing::ValuesIn(kConstants),
                         testsupport::NameBy<&ConstantCase::pattern>());

TEST_F(EngineFixture, DateConstantsMayBeMadeForEachValue) {
  for (int i = 0; i < 200; ++i) {
    Day d;
    const std::wstring v = Render(L"$date($rdate(DD.MM.YYYY,01.01.2001,31.12.2001))");
    ASSERT_TRUE(ReadDay(v, L"DD.MM.YYYY", &d)) << platform::ToUtf8(v);
    ASSERT_EQ(d.year, 2001);
  }
}

}  // namespace
}  // namespace engine_test
