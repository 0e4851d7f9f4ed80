// Items whose functions are not wired yet, or whose behaviour needs exact bounds: random dates
// and times, given dates and times with nested bounds, and generator items.
#include <gtest/gtest.h>

#include <memory>

#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/items/CompiledItemDate.h"
#include "synthor/engine/items/CompiledItemGenerator.h"
#include "synthor/engine/items/CompiledItemTime.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/base/IGenerator.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

std::wstring Draw(CompiledItem& item, DSynthor& engine) {
  DGValue out;
  EXPECT_EQ(item.Value(&out, &engine, nullptr), 1) << platform::ToUtf8(engine.Error());
  return out.value;
}

// ---- Dates ----

struct DateRange {
  const wchar_t* mask;
  int d1, m1, y1, d2, m2, y2;
};

const DateRange kDateRanges[] = {
    {L"DD.MM.YYYY", 1, 1, 1970, 31, 12, 2050},
    {L"YYYY-MM-DD", 15, 6, 2020, 10, 2, 2021},
    {L"DD/MM/YY", 28, 2, 1999, 3, 3, 1999},
    {L"MM-DD-YYYY", 5, 5, 2000, 5, 5, 2000},
};

class RandomDates : public EngineFixture, public ::testing::WithParamInterface<DateRange> {};

TEST_P(RandomDates, StayWithinTheirBounds) {
  const DateRange& r = GetParam();
  CompiledItemDate item(&engine, MASK_RDATE);
  item.SetMask(r.mask);
  item.minDay = r.d1, item.minMonth = r.m1, item.minYear = r.y1;
  item.maxDay = r.d2, item.maxMonth = r.m2, item.maxYear = r.y2;
  const long low = r.y1 * 10000L + r.m1 * 100 + r.d1;
  const long high = r.y2 * 10000L + r.m2 * 100 + r.d2;
  for (int i = 0; i < 2000; ++i) {
    const std::wstring value = Draw(item, engine);
    int day = 0, month = 0, year = 0;
    MaskStatic::ScanDate(value, r.mask, &day, &month, &year);
    const long date = year * 10000L + month * 100 + day;
    ASSERT_TRUE(date >= low && date <= high) << platform::ToUtf8(value);
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const int days = month == 2 && leap ? 29 : MaskStatic::DaysInMonth(month);
    ASSERT_TRUE(day >= 1 && day <= days) << platform::ToUtf8(value);
  }
}

INSTANTIATE_TEST_SUITE_P(Items, RandomDates, ::testing::ValuesIn(kDateRanges),
                         testsupport::NameBy<&DateRange::mask>());

TEST_F(EngineFixture, MonthNamesAreTheDrawnMonths) {
  CompiledItemDate item(&engine, MASK_RDATE);
  item.minDay = 1, item.minMonth = 3, item.minYear = 2001;
  item.maxDay = 28, item.maxMonth = 3, item.maxYear = 2001;
  item.SetMask(L"DD-MON-YYYY");
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(Matches(Draw(item, engine), "[0-2][0-9]-MAR-2001"));
  item.SetMask(L"mon DD");
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(Matches(Draw(item, engine), "mar [0-2][0-9]"));
  item.SetMask(L"DD.MM.C.YY");
  item.minYear = item.maxYear = 2005;
  EXPECT_TRUE(Matches(Draw(item, engine), "[0-2][0-9]\\.03\\.1\\.05"));
}

TEST_F(EngineFixture, DatesWithNestedBounds) {
  CompiledItemDate random(&engine, MASK_RDATE);
  random.SetMask(L"DD.MM.YYYY");
  random.constantBounds = 0;
  random.minText = L"$pattern(10.04.2010)";
  random.maxText = L"$pattern(20.04.2010)";
  for (int i = 0; i < 200; ++i) {
    const std::wstring value = Draw(random, engine);
    const int day = platform::ToInt(value);
    ASSERT_TRUE(Matches(value, "[12][0-9]\\.04\\.2010") && day >= 10 && day <= 20)
        << platform::ToUtf8(value);
  }
  random.minText = L"$nosuch(1)";
  DGValue out;
  EXPECT_EQ(random.Value(&out, &engine, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 92);
  EXPECT_EQ(engine.Error(),
            L"Could not resolve nested call or reference '$nosuch(1)': Function: could not "
            L"recognize 'nosuch' as correct function name.");

  CompiledItemDate given(&engine, MASK_DATE);
  given.text = L"$pattern(01.02.2003)";
  given.constantBounds = 0;
  EXPECT_EQ(Draw(given, engine), L"01.02.2003");
}

// ---- Times ----

TEST_F(EngineFixture, RandomTimesStayWithinTheirBounds) {
  CompiledItemTime item(&engine, MASK_RTIME);
  item.SetMask(L"HH:mm:SS");
  item.minHour = 10, item.minMinute = 15, item.minSecond = 0;
  item.maxHour = 12, item.maxMinute = 30, item.maxSecond = 59;
  std::set<int> hours;
  for (int i = 0; i < 2000; ++i) {
    const std::wstring value = Draw(item, engine);
    int hour = 0, minute = 0, second = 0;
    MaskStatic::ScanTime(value, L"HH:mm:SS", &hour, &minute, &second);
    const int t = hour * 10000 + minute * 100 + second;
    ASSERT_TRUE(t >= 101500 && t <= 123059 && minute < 60 && second < 60)
        << platform::ToUtf8(value);
    hours.insert(hour);
  }
  EXPECT_EQ(hours, (std::set<int>{10, 11, 12}));
}

TEST_F(EngineFixture, TwelveHourClockFollowsTheDrawnHour) {
  CompiledItemTime item(&engine, MASK_RTIME);
  item.SetMask(L"HH:MM AM");
  item.minHour = 0, item.minMinute = 0, item.minSecond = 0;
  item.maxHour = 0, item.maxMinute = 59, item.maxSecond = 59;
  for (int i = 0; i < 200; ++i) {
    const std::wstring value = Draw(item, engine);
    ASSERT_TRUE(Matches(value, "12:[0-5][0-9] AM")) << platform::ToUtf8(value);
  }
  item.minHour = 12, item.maxHour = 12;
  for (int i = 0; i < 200; ++i) {
    const std::wstring value = Draw(item, engine);
    ASSERT_TRUE(Matches(value, "12:[0-5][0-9] PM")) << platform::ToUtf8(value);
  }
}

TEST_F(EngineFixture, RandomTimeParts) {
  CompiledItemTime item(&engine, MASK_RTIME);
  item.SetMask(L"HH:MM:SS.sss zz");
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(Matches(Draw(item, engine),
                        "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\.[0-9]{3} [+-][01][0-9]:00"));
}

TEST_F(EngineFixture, GivenTimeCarriesItsFormat) {
  CompiledItemTime item(&engine, MASK_TIME);
  item.text = L"12:34";
  item.format = L"HH:MM";
  DGValue out;
  ASSERT_EQ(item.Value(&out, &engine, nullptr), 1);
  EXPECT_EQ(out.value, L"12:34");
  EXPECT_EQ(out.format, L"HH:MM");
}

// ---- Generator items ----

class CountingGenerator : public IGenerator {
 public:
  CountingGenerator(std::vector<int>* deleted, int id) : deleted_(deleted), id_(id) {}
  ~CountingGenerator() override { deleted_->push_back(id_); }
  std::wstring Value(std::wstring* format) override {
    if (format) *format = L"F" + platform::FromInt(id_);
    return platform::FromInt(next_++);
  }
  void Reset() override { next_ = 0; }
  int nValues() override { return 7; }

 private:
  std::vector<int>* deleted_;
  int id_;
  int next_ = 0;
};

TEST_F(EngineFixture, GeneratorItemsDriveTheirGenerator) {
  std::vector<int> deleted;
  CompiledPattern pattern(&engine);
  auto* first = new CountingGenerator(&deleted, 1);
  auto* second = new CountingGenerator(&deleted, 2);
  EXPECT_EQ(engine.MakeGenerator(MASK_INC, first, &pattern), 1);
  EXPECT_EQ(engine.MakeGenerator(MASK_SEQUENCE, second, &pattern), 1);
  ASSERT_EQ(engine.GeneratorCount(), 2u);
  EXPECT_EQ(pattern.items[0]->kind, MASK_INC);
  EXPECT_EQ(pattern.nValues(), 7);

  DGValue out;
  ASSERT_EQ(pattern.Render(&out, nullptr), 1);
  ASSERT_EQ(pattern.Render(&out, nullptr), 1);
  EXPECT_EQ(out.value, L"0011");
  EXPECT_EQ(out.format, L"F2");
  pattern.Reset();
  out.Clear();
  ASSERT_EQ(pattern.Render(&out, nullptr), 1);
  EXPECT_EQ(out.value, L"00");

  second->fault = 1;
  EXPECT_EQ(pattern.Render(&out, nullptr), 0);

  // The engine owns its generators and deletes the newest first.
  engine.Terminate();
  EXPECT_EQ(deleted, (std::vector<int>{2, 1}));
  EXPECT_TRUE(engine.GeneratorCount() == 0);
}

TEST_F(EngineFixture, GeneratorItemWithoutGeneratorFails) {
  CompiledPattern pattern(&engine);
  engine.SetError(1201, L"FileData: could not open 'x'.");
  EXPECT_EQ(engine.MakeGenerator(MASK_FILE, nullptr, &pattern), 0) << "a reported error fails";
  engine.SetError(0, L"");
  DGValue out;
  EXPECT_EQ(pattern.Render(&out, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 8);
  EXPECT_EQ(engine.Error(), L"No generator available");
  EXPECT_EQ(pattern.nValues(), 0);
}

}  // namespace
}  // namespace engine_test
