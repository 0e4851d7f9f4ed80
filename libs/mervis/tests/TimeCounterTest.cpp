#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "mervis/TimeCounter.h"

namespace {

TEST(TimeCounter, MeasuresAndFreezes) {
  _TimeCounter t;
  EXPECT_EQ(t.Seconds(), 0.0);
  EXPECT_EQ(t.Diff(), L"0:00:00.000");
  t.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_GE(t.Seconds(), 0.03);
  t.Stop();
  const double frozen = t.Seconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  double viaDiff = -1;
  t.Diff(&viaDiff);
  EXPECT_EQ(viaDiff, frozen);
  EXPECT_FALSE(t.IsRunning());
  t.Start();
  EXPECT_LT(t.Seconds(), frozen);
}

TEST(TimeCounter, DisplayText) {
  struct Case {
    double seconds;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"0:00:00.000"},
      {1.234, L"0:00:01.234"},
      {59.9996, L"0:01:00.000"},
      {3661.5, L"1:01:01.500"},
      {100 * 3600.0, L"100:00:00.000"},
      {-5, L"0:00:00.000"},
      {std::numeric_limits<double>::quiet_NaN(), L"0:00:00.000"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(_TimeCounter::FormatSeconds(c.seconds), c.text) << c.seconds;
}

}  // namespace
