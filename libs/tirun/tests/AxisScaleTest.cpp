#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tirun/AxisScale.h"

namespace {

using tirun::AxisRange;
using tirun::ChooseSteps;
using tirun::TickValues;
using tirun::ValueMapper;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(AxisRange, BoundsThatAreNoNumbersCountAsZeroAndSwappedBoundsAreOrdered) {
  const AxisRange swapped = AxisRange::From(100, -20);
  EXPECT_EQ(swapped.min, -20);
  EXPECT_EQ(swapped.max, 100);
  const AxisRange broken = AxisRange::From(kNaN, kInf);
  EXPECT_EQ(broken.min, 0);
  EXPECT_EQ(broken.max, 0);
  EXPECT_TRUE(broken.IsFlat());
  const AxisRange huge = AxisRange::From(-1e308, 1e308);
  EXPECT_TRUE(std::isfinite(huge.max - huge.min));
}

TEST(ValueMapper, RangeEdgesLandOnTheSpanEdgesInEitherDirection) {
  const ValueMapper horizontal(AxisRange::From(0, 50), 40, 540);
  EXPECT_DOUBLE_EQ(horizontal.ToPixel(0), 40);
  EXPECT_DOUBLE_EQ(horizontal.ToPixel(50), 540);
  EXPECT_DOUBLE_EQ(horizontal.ToPixel(25), 290);

  // The vertical axis grows upwards: its minimum sits at the bottom pixel.
  const ValueMapper vertical(AxisRange::From(-10, 110), 400, 100);
  EXPECT_DOUBLE_EQ(vertical.ToPixel(-10), 400);
  EXPECT_DOUBLE_EQ(vertical.ToPixel(110), 100);
  EXPECT_DOUBLE_EQ(vertical.ToPixel(50), 250);
  EXPECT_GT(vertical.ToPixel(-20), 400);  // below the range: below the span, for the clip
}

TEST(ValueMapper, FlatRangePutsEveryValueOnTheMinimumPixel) {
  const ValueMapper flat(AxisRange::From(0, 0), 400, 100);
  EXPECT_EQ(flat.ToPixel(0), 400);
  EXPECT_EQ(flat.ToPixel(1e9), 400);
  EXPECT_EQ(flat.ToPixel(-3), 400);
}

TEST(ValueMapper, FarOutliersStayNearTheSpan) {
  const ValueMapper mapper(AxisRange::From(0, 1), 400, 100);
  const double above = mapper.ToPixel(1e300);
  const double below = mapper.ToPixel(-1e300);
  EXPECT_TRUE(std::isfinite(above) && std::isfinite(below));
  EXPECT_LT(above, 100);
  EXPECT_GT(below, 400);
  EXPECT_GT(above, -100000);
  EXPECT_LT(below, 100000);
}

TEST(ChooseSteps, ConfiguredStepsAreKeptWhileTheyFit) {
  const auto steps = ChooseSteps(AxisRange::From(0, 50), {10, 5}, 12);
  EXPECT_EQ(steps.major, 10);
  EXPECT_EQ(steps.minor, 5);
  // A minor step that is no smaller than the major one is dropped, the major one kept.
  EXPECT_EQ(ChooseSteps(AxisRange::From(0, 50), {10, 10}, 12).minor, 0);
}

TEST(ChooseSteps, LargeSmallOrUnusableStepsGiveWayToReadableOnes) {
  struct Case {
    double max;
    double major;
    int room;
  };
  for (const Case c :
       {Case{110000, 5, 12}, Case{1.1, 5, 12}, Case{50, 10, 3}, Case{100, 0, 8}, Case{100, -5, 8},
        Case{100, kNaN, 8}, Case{7.3e12, 5, 30}, Case{100, 5, 0}}) {
    const auto steps = ChooseSteps(AxisRange::From(0, c.max), {c.major, 2}, c.room);
    const double intervals = c.max / steps.major;
    EXPECT_LE(intervals, std::max(c.room, 1) + 1e-9) << c.max << " step " << c.major;
    EXPECT_LE(intervals, 10 + 1e-9) << c.max;
    EXPECT_GE(intervals, c.room >= 2 ? 2.0 : 0.5) << c.max;
    // 1, 2 or 5 times a power of ten
    const double mantissa = steps.major / std::pow(10.0, std::floor(std::log10(steps.major)));
    EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                std::abs(mantissa - 5) < 1e-9)
        << steps.major;
    EXPECT_GT(steps.minor, 0);
    EXPECT_LT(steps.minor, steps.major);
  }
}

TEST(ChooseSteps, FlatRangeHasNoSteps) {
  const auto steps = ChooseSteps(AxisRange::From(0, 0), {5, 2}, 10);
  EXPECT_EQ(steps.major, 0);
  EXPECT_EQ(steps.minor, 0);
}

TEST(TickValues, MultiplesOfTheStepWithinTheRange) {
  EXPECT_EQ(TickValues(AxisRange::From(0, 50), 10), (std::vector<double>{0, 10, 20, 30, 40, 50}));
  EXPECT_EQ(TickValues(AxisRange::From(3, 27), 10), (std::vector<double>{10, 20}));
  EXPECT_EQ(TickValues(AxisRange::From(0, 0), 5), (std::vector<double>{0}));
  EXPECT_EQ(TickValues(AxisRange::From(4, 9), 0), (std::vector<double>{4}));

  const auto tenths = TickValues(AxisRange::From(-1, 1), 0.2);
  ASSERT_EQ(tenths.size(), 11u);
  EXPECT_FALSE(std::signbit(tenths[5])) << "zero must not read as -0";
  EXPECT_EQ(tenths[5], 0);
}

TEST(TickValues, NeverRunsAwayOnAStepFarTooSmall) {
  EXPECT_LE(TickValues(AxisRange::From(0, 1e12), 1e-3).size(), 500u);
  EXPECT_LE(TickValues(AxisRange::From(1e300, 1e300 + 1), 1e-300).size(), 500u);
}

TEST(Labels, FractionDigitsFollowTheStep) {
  EXPECT_EQ(tirun::LabelDecimals(20000), 0);
  EXPECT_EQ(tirun::LabelDecimals(10), 0);
  EXPECT_EQ(tirun::LabelDecimals(0.2), 1);
  EXPECT_EQ(tirun::LabelDecimals(0.25), 2);
  EXPECT_EQ(tirun::LabelDecimals(0), 0);
  EXPECT_EQ(tirun::FormatLabel(0.4, 1), "0.4");
  EXPECT_EQ(tirun::FormatLabel(120000, 0), "120000");
  EXPECT_EQ(tirun::FormatLabel(-1e-12, 0), "0");
  EXPECT_EQ(tirun::FormatLabel(-0.01, 1), "0.0");
  EXPECT_EQ(tirun::FormatLabel(-2.5, 1), "-2.5");
}

}  // namespace
