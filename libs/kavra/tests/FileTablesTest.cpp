// Value rules shared by every file reader: numbers, dates, date formats, the memory budget.
#include <gtest/gtest.h>

#include <cmath>

#include "kavra/FileTables.h"

namespace kavra_files {
namespace {

TEST(FileTables, WholeNumbersBecomeIntegersAndOthersStayReal) {
  Cell c;
  SetNumber(&c, 42.0);
  EXPECT_EQ(c.kind, Cell::kInteger);
  EXPECT_EQ(c.integer, 42);
  SetNumber(&c, -7.0);
  EXPECT_EQ(c.integer, -7);
  SetNumber(&c, 0.1);
  EXPECT_EQ(c.kind, Cell::kReal);
  SetNumber(&c, 1e20);  // beyond 64 bits: must not overflow into a wrong integer
  EXPECT_EQ(c.kind, Cell::kReal);
  SetNumber(&c, std::nan(""));
  EXPECT_EQ(c.kind, Cell::kReal);
}

TEST(FileTables, DateSerialsAsText) {
  EXPECT_EQ(DateText(45292, false, false), "2024-01-01");
  EXPECT_EQ(DateText(45292.5, false, false), "2024-01-01 12:00:00");
  EXPECT_EQ(DateText(0.75, false, true), "18:00:00");
  EXPECT_EQ(DateText(0.25, false, false), "06:00:00");  // no day part: a time
  EXPECT_EQ(DateText(1, false, false), "1900-01-01");
  EXPECT_EQ(DateText(59, false, false), "1900-02-28");
  EXPECT_EQ(DateText(60, false, false), "1900-02-29");  // the 1900 system's phantom day
  EXPECT_EQ(DateText(61, false, false), "1900-03-01");
  EXPECT_EQ(DateText(0, true, false), "1904-01-01");
  EXPECT_EQ(DateText(2958465, false, false), "9999-12-31");
  // 23:59:59.9 rounds into the next day rather than to "24:00:00".
  EXPECT_EQ(DateText(45292 + 86399.9 / 86400, false, false), "2024-01-02");
}

TEST(FileTables, DateSerialsOutOfRangeStayNumbers) {
  EXPECT_EQ(DateText(-1, false, false), "-1");
  EXPECT_EQ(DateText(3e6, false, false), "3000000");
  EXPECT_EQ(DateText(1e300, false, false), "1e+300");
  EXPECT_EQ(DateText(std::nan(""), false, false), "nan");
}

TEST(FileTables, DateFormatsAreToldFromNumberFormats) {
  EXPECT_TRUE(IsDateFormatId(14));
  EXPECT_TRUE(IsDateFormatId(22));
  EXPECT_FALSE(IsDateFormatId(0));
  EXPECT_FALSE(IsDateFormatId(4));
  EXPECT_TRUE(IsTimeOnlyFormatId(20));
  EXPECT_FALSE(IsTimeOnlyFormatId(14));

  EXPECT_TRUE(IsDateFormatCode("yyyy-mm-dd"));
  EXPECT_TRUE(IsDateFormatCode("[$-409]d-mmm-yy;@"));
  EXPECT_TRUE(IsDateFormatCode("[h]:mm"));
  EXPECT_FALSE(IsDateFormatCode("0.00"));
  EXPECT_FALSE(IsDateFormatCode("[Red]#,##0"));
  EXPECT_FALSE(IsDateFormatCode("\"days\" 0"));  // letters in quotes are literal text
  EXPECT_FALSE(IsDateFormatCode("0\\d"));        // an escaped letter too
  EXPECT_FALSE(IsDateFormatCode("General"));
  EXPECT_FALSE(IsDateFormatCode("\"unterminated"));

  EXPECT_TRUE(IsTimeOnlyFormatCode("hh:mm:ss"));
  EXPECT_TRUE(IsTimeOnlyFormatCode("mm:ss"));
  EXPECT_FALSE(IsTimeOnlyFormatCode("yyyy-mm-dd hh:mm"));
}

TEST(FileTables, BudgetStopsALoadPastItsLimit) {
  LoadBudget budget(1000);
  budget.AddCell(10);
  try {
    for (int i = 0; i < 100; ++i) budget.AddCell(10);
    FAIL() << "no error past the limit";
  } catch (const ReadError& e) {
    EXPECT_EQ(e.kind, ReadError::kTooLarge);
  }
}

}  // namespace
}  // namespace kavra_files
