#include <gtest/gtest.h>

#include <ostream>

#include "platform/Text.h"
#include "synthor/engine/MaskStatic.h"
#include "testsupport/CaseNames.h"

namespace {

// Readable case names in test listings: the text and the mask.
void PrintCase(const wchar_t* text, const wchar_t* mask, std::ostream* os) {
  *os << '[' << platform::ToUtf8(text) << "] by [" << platform::ToUtf8(mask) << ']';
}

struct DateCase {
  const wchar_t* text;
  const wchar_t* mask;
  int day, month, year, result;
};

void PrintTo(const DateCase& c, std::ostream* os) { PrintCase(c.text, c.mask, os); }

class ScanDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ScanDateTest, ReadsFieldsByMask) {
  const DateCase& c = GetParam();
  int day = -1, month = -1, year = -1;
  int result = MaskStatic::ScanDate(c.text, c.mask, &day, &month, &year);
  EXPECT_EQ(day, c.day);
  EXPECT_EQ(month, c.month);
  EXPECT_EQ(year, c.year);
  EXPECT_EQ(result, c.result);
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, ScanDateTest,
    ::testing::Values(DateCase{L"31.12.2050", L"DD.MM.YYYY", 31, 12, 2050, 1},
                      DateCase{L"2050-12-31", L"YYYY-MM-DD", 31, 12, 2050, 1},
                      DateCase{L"12/31/2001", L"MM/DD/YYYY", 31, 12, 2001, 1},
                      DateCase{L"05-mar-99", L"DD-mon-YY", 5, 3, 1999, 0},
                      DateCase{L"05-mar-29", L"DD-mon-YY", 5, 3, 2029, 0},
                      DateCase{L"05-MAR-30", L"DD-MON-YY", 5, 3, 1930, 0},
                      DateCase{L"05-Dec-00", L"DD-MON-YY", 5, 12, 2000, 0},
                      DateCase{L"05-jan-00", L"DD-MON-YY", 5, 1, 2000, 0},
                      DateCase{L"01/01/1/05", L"DD/MM/C/YY", 1, 1, 2005, 0},
                      DateCase{L"01/01/0/05", L"DD/MM/C/YY", 1, 1, 1905, 0},
                      // A four-digit field holding a small year is widened like a short year.
                      DateCase{L"31.12.0029", L"DD.MM.YYYY", 31, 12, 2029, 1},
                      DateCase{L"31.12.0099", L"DD.MM.YYYY", 31, 12, 1999, 1},
                      // The century digit applies to short years only.
                      DateCase{L"31.12.0029 5", L"DD.MM.YYYY C", 31, 12, 29, 1}),
    testsupport::NameBy<&DateCase::text>());

INSTANTIATE_TEST_SUITE_P(
    Malformed, ScanDateTest,
    ::testing::Values(
        // Fields past the end of the text are not read; a missing year falls into the 2000s.
        DateCase{L"", L"DD.MM.YYYY", 0, 0, 2000, 1}, DateCase{L"3", L"DD.MM.YYYY", 3, 0, 2000, 1},
        DateCase{L"31.12.20", L"DD.MM.YYYY", 31, 12, 2020, 1},
        DateCase{L"31.12.2050", L"", 0, 0, 2000, 0},
        DateCase{L"ab.cd.efgh", L"DD.MM.YYYY", 0, 0, 2000, 1},
        DateCase{L" 5.-3.2050", L"DD.MM.YYYY", 0, 0, 2050, 1},
        DateCase{L"5x.1y.2z50", L"DD.MM.YYYY", 5, 1, 2002, 1},
        // The text must have the mask's layout: positions are not adjusted.
        DateCase{L"1.2.2050", L"DD.MM.YYYY", 1, 0, 1950, 1},
        DateCase{L"05-xyz-30", L"DD-MON-YY", 5, 0, 1930, 0},
        DateCase{L"05-ma", L"DD-MON-YY", 5, 0, 2000, 0},
        DateCase{L"01/01/x/05", L"DD/MM/C/YY", 1, 1, 1905, 0},
        DateCase{L"01/01/", L"DD/MM/C/YY", 1, 1, 1900, 0}),
    testsupport::NameBy<&DateCase::text>());

TEST(ScanDate, AcceptsNullOutputs) {
  EXPECT_EQ(MaskStatic::ScanDate(L"31.12.2050", L"DD.MM.YYYY", nullptr, nullptr, nullptr), 1);
  int year = 0;
  EXPECT_EQ(MaskStatic::ScanDate(L"05-mar-99", L"DD-mon-YY", nullptr, nullptr, &year), 0);
  EXPECT_EQ(year, 1999);
}

struct TimeCase {
  const wchar_t* text;
  const wchar_t* mask;
  int hour, minute, second, millisecond;
};

void PrintTo(const TimeCase& c, std::ostream* os) { PrintCase(c.text, c.mask, os); }

class ScanTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(ScanTimeTest, ReadsFieldsByMask) {
  const TimeCase& c = GetParam();
  int hour = -1, minute = -1, second = -1, millisecond = -1;
  MaskStatic::ScanTime(c.text, c.mask, &hour, &minute, &second, &millisecond);
  EXPECT_EQ(hour, c.hour);
  EXPECT_EQ(minute, c.minute);
  EXPECT_EQ(second, c.second);
  EXPECT_EQ(millisecond, c.millisecond);
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, ScanTimeTest,
    ::testing::Values(TimeCase{L"23:59:58.123", L"HH:MM:SS.sss", 23, 59, 58, 123},
                      TimeCase{L"10:05", L"HH:mm", 10, 5, 0, 0},
                      TimeCase{L"10:05:07", L"HH:mm:SS", 10, 5, 7, 0},
                      TimeCase{L"12:34 PM", L"HH:mm AM", 12, 34, 0, 0},
                      TimeCase{L"2050-12-31 08:15:30", L"YYYY-MM-DD HH:mm:SS", 8, 15, 30, 0},
                      // "mm" names the minute before "MM" does.
                      TimeCase{L"99/10:20", L"MM/HH:mm", 10, 20, 0, 0}),
    testsupport::NameBy<&TimeCase::text>());

INSTANTIATE_TEST_SUITE_P(Malformed, ScanTimeTest,
                         ::testing::Values(TimeCase{L"", L"HH:MM:SS.sss", 0, 0, 0, 0},
                                           TimeCase{L"2", L"HH:MM", 2, 0, 0, 0},
                                           TimeCase{L"23:59:58", L"HH:MM:SS.sss", 23, 59, 58, 0},
                                           TimeCase{L"23:59:58.", L"HH:MM:SS.sss", 23, 59, 58, 0},
                                           TimeCase{L"23:59:58.1", L"HH:MM:SS.sss", 23, 59, 58, 1},
                                           TimeCase{L"ab:cd:ef", L"HH:MM:SS", 0, 0, 0, 0},
                                           TimeCase{L"07:5x", L"HH:MM", 7, 5, 0, 0},
                                           TimeCase{L"10:05", L"", 0, 0, 0, 0}),
                         testsupport::NameBy<&TimeCase::text>());

TEST(ScanTime, MillisecondOutputIsOptional) {
  int hour = -1, minute = -1, second = -1;
  MaskStatic::ScanTime(L"23:59:58.123", L"HH:MM:SS.sss", &hour, &minute, &second);
  EXPECT_EQ(hour, 23);
  EXPECT_EQ(minute, 59);
  EXPECT_EQ(second, 58);
}

TEST(DaysInMonth, FebruaryIsAlways28AndUnknownMonthsHave31) {
  const struct {
    int month, days;
  } cases[] = {{1, 31}, {2, 28},  {3, 31},  {4, 30},  {5, 31},  {6, 30}, {7, 31}, {8, 31},
               {9, 30}, {10, 31}, {11, 30}, {12, 31}, {13, 31}, {0, 31}, {-1, 31}};
  for (const auto& c : cases) EXPECT_EQ(MaskStatic::DaysInMonth(c.month), c.days) << c.month;
}

}  // namespace
