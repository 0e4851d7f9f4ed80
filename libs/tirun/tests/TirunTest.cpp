#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "testsupport/Screenshot.h"
#include "tirun/ChartLayout.h"
#include "tirun/ChartPainter.h"
#include "tirun/Tirun.h"
#include "tirun/TirunView.h"

namespace {

using tirun::ChartLayout;
using tirun::GroupColour;
using tirun::LayoutChart;

// The statistics graph's set-up: iterations over the last 50 periods, up to five tasks.
void SetUpLikeTheStatisticsPage(CTirun& chart) {
  chart.AddAxis(AxisInfo(0, 100, L"Iterations per interval", 5, 2));
  chart.AddAxis(AxisInfo(0, 50, L"Interval", 10, 5));
  chart.Configure(CTirun::kLineChart, CTirun::kMarkPoints);
  for (int task = 1; task <= 5; ++task)
    chart.AssignGroup(task - 1, L"Task #" + std::to_wstring(task));
}

// As the page does after each period: values anew, the value axis up to 1.1 times the largest.
void ShowSeries(CTirun& chart, const std::vector<std::vector<double>>& series) {
  chart.ClearValues();
  double largest = 0;
  for (int group = 0; group < static_cast<int>(series.size()); ++group) {
    for (int period = 0; period < static_cast<int>(series[group].size()); ++period) {
      const double value = series[group][period];
      chart.AddValue({static_cast<double>(period), value, group});
      largest = std::max(largest, value);
    }
  }
  chart.SetAxisRange(CTirun::kValueAxis, 0, 1.1 * largest);
}

// Three tasks over 50 periods: a warm-up, steady load with some noise, one task with a stall.
std::vector<std::vector<double>> RealisticSeries() {
  std::vector<std::vector<double>> series(3);
  for (int period = 0; period < 50; ++period) {
    const double warmUp = std::min(1.0, (period + 1) / 6.0);
    series[0].push_back(std::round(warmUp * (420 + 35 * std::sin(period * 0.7))));
    series[1].push_back(std::round(warmUp * (300 + 25 * std::cos(period * 1.3))));
    const bool stalled = period >= 28 && period < 33;
    series[2].push_back(stalled ? 12 : std::round(warmUp * (160 + 20 * std::sin(period * 2.1))));
  }
  return series;
}

struct Rendering {
  QImage image;
  ChartLayout layout;
};

Rendering Render(const CTirun& chart, QSize size = {800, 480}, int pointSize = 0) {
  Rendering out{QImage(size, QImage::Format_ARGB32), {}};
  out.image.fill(Qt::black);  // anything the chart leaves unpainted shows up
  QPainter painter(&out.image);
  QFont font = painter.font();
  if (pointSize > 0) font.setPointSize(pointSize);
  painter.setFont(font);
  const QRect area(QPoint(0, 0), size);
  chart.Paint(painter, area);
  out.layout = LayoutChart(chart, area, QFontMetricsF(font, &out.image));
  return out;
}

// Line pixels of a group, antialiased edges included: close in hue to its colour, not grey.
bool LooksLikeGroup(QRgb pixel, int group) {
  const QColor colour(pixel);
  const QColor wanted = GroupColour(group);
  if (colour.hsvSaturation() < 60) return false;
  return std::abs(colour.hsvHue() - wanted.hsvHue()) < 20;
}

int CountPixels(const QImage& image, const QRect& region, const std::function<bool(QRgb)>& match) {
  int count = 0;
  const QRect inside = region.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) count += match(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

// A group's line pixels that lie outside the plot frame (the legend's swatches aside).
int GroupPixelsOutsidePlot(const Rendering& r, int group) {
  const QRect plot = r.layout.plotArea.toAlignedRect();
  int count = 0;
  for (int y = 0; y < r.image.height(); ++y) {
    for (int x = 0; x < r.image.width(); ++x) {
      if (plot.contains(x, y)) continue;
      bool inSwatch = false;
      for (const auto& entry : r.layout.legend)
        inSwatch |= entry.swatch.adjusted(-1, -1, 1, 1).contains(x, y);
      if (!inSwatch && LooksLikeGroup(r.image.pixel(x, y), group)) ++count;
    }
  }
  return count;
}

std::vector<QString> Labels(const tirun::AxisLayout& axis) {
  std::vector<QString> labels;
  for (const auto& tick : axis.labelled) labels.push_back(tick.label);
  return labels;
}

TEST(CTirun, RefusesValuesThatCannotBeDrawn) {
  CTirun chart;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(chart.AddValue({nan, 1, 0}));
  EXPECT_FALSE(chart.AddValue({1, nan, 0}));
  EXPECT_FALSE(chart.AddValue({1, -inf, 0}));
  EXPECT_FALSE(chart.AddValue({1, 1, -1}));
  EXPECT_TRUE(chart.AddValue({1, -5, 0}));  // below the range is fine: it is clipped
  EXPECT_EQ(chart.Values().size(), 1u);
}

TEST(CTirun, AxesThatWereNotAddedAreLeftAlone) {
  CTirun chart;
  EXPECT_FALSE(chart.SetAxisRange(0, 1, 2));
  EXPECT_FALSE(chart.SetAxisTitle(1, L"x"));
  EXPECT_EQ(chart.Axis(7).max, 0);
  SetUpLikeTheStatisticsPage(chart);
  EXPECT_TRUE(chart.SetAxisRange(CTirun::kValueAxis, 0, 250));
  EXPECT_TRUE(chart.SetAxisTitle(CTirun::kValueAxis, L"Iterations per second"));
  EXPECT_EQ(chart.Axis(CTirun::kValueAxis).max, 250);
  EXPECT_EQ(chart.Axis(CTirun::kValueAxis).title, L"Iterations per second");
  EXPECT_EQ(chart.Axis(CTirun::kHorizontalAxis).max, 50);
  EXPECT_FALSE(chart.SetAxisRange(-1, 0, 1));
}

TEST(CTirun, LegendListsOnlyGroupsWithValuesAndClearingEmptiesIt) {
  CTirun chart;
  SetUpLikeTheStatisticsPage(chart);
  chart.AddValue({0, 10, 3});
  chart.AddValue({1, 12, 0});
  chart.AddValue({2, 14, 3});
  chart.AddValue({0, 1, 7});  // never named
  EXPECT_EQ(chart.GroupsWithValues(), (std::vector<int>{0, 3, 7}));

  const Rendering filled = Render(chart);
  std::vector<QString> legend;
  for (const auto& entry : filled.layout.legend) legend.push_back(entry.text);
  EXPECT_EQ(legend, (std::vector<QString>{"Task #1", "Task #4", "Group 8"}));

  chart.ClearValues();
  EXPECT_TRUE(chart.Values().empty());
  const Rendering cleared = Render(chart);
  EXPECT_TRUE(cleared.layout.legend.empty());
  EXPECT_EQ(CountPixels(cleared.image, cleared.image.rect(),
                        [](QRgb p) { return LooksLikeGroup(p, 0) || LooksLikeGroup(p, 3); }),
            0);
}

TEST(CTirun, FiftyPeriodsSpanTheWholeHorizontalAxis) {
  CTirun chart;
  SetUpLikeTheStatisticsPage(chart);
  ShowSeries(chart, RealisticSeries());
  const Rendering r = Render(chart);
  const ChartLayout& layout = r.layout;
  ASSERT_TRUE(layout.HasPlot());
  EXPECT_TRUE(layout.plotArea.contains(layout.dataArea));
  EXPECT_EQ(Labels(layout.horizontal), (std::vector<QString>{"0", "10", "20", "30", "40", "50"}));
  EXPECT_DOUBLE_EQ(layout.HorizontalMapper().ToPixel(0), layout.dataArea.left());
  EXPECT_DOUBLE_EQ(layout.HorizontalMapper().ToPixel(50), layout.dataArea.right());
  EXPECT_DOUBLE_EQ(layout.VerticalMapper().ToPixel(0), layout.dataArea.bottom());
  EXPECT_DOUBLE_EQ(layout.VerticalMapper().ToPixel(chart.Axis(0).max), layout.dataArea.top());

  // Every group's line reaches from the first period to the last (49).
  for (int group = 0; group < 3; ++group) {
    auto column = [&](double x) {
      const int px = static_cast<int>(std::lround(x));
      return CountPixels(r.image, QRect(px - 1, 0, 3, r.image.height()),
                         [group](QRgb p) { return LooksLikeGroup(p, group); });
    };
    EXPECT_GT(column(layout.HorizontalMapper().ToPixel(0) + 1), 0) << group;
    EXPECT_GT(column(layout.HorizontalMapper().ToPixel(49) - 1), 0) << group;
    EXPECT_EQ(column(layout.HorizontalMapper().ToPixel(49.5) + 2), 0) << group;
  }
}

TEST(CTirun, AllZeroValuesDrawAFlatLineAtTheBottom) {
  CTirun chart;
  SetUpLikeTheStatisticsPage(chart);
  ShowSeries(chart, {std::vector<double>(50, 0.0)});
  ASSERT_EQ(chart.Axis(0).max, 0);

  const Rendering r = Render(chart);
  ASSERT_TRUE(r.layout.HasPlot());
  ASSERT_EQ(r.layout.vertical.labelled.size(), 1u);
  EXPECT_EQ(r.layout.vertical.labelled[0].label, "0");
  EXPECT_DOUBLE_EQ(r.layout.vertical.labelled[0].pixel, r.layout.dataArea.bottom());

  const QRectF& plot = r.layout.plotArea;
  const int bottomBand = CountPixels(
      r.image, QRectF(plot.left(), r.layout.dataArea.bottom() - 3, plot.width(), 6).toRect(),
      [](QRgb p) { return LooksLikeGroup(p, 0); });
  const int above = CountPixels(
      r.image, QRectF(plot.left(), plot.top(), plot.width(), plot.height() * 0.8).toRect(),
      [](QRgb p) { return LooksLikeGroup(p, 0); });
  EXPECT_GT(bottomBand, plot.width() * 0.8);
  EXPECT_EQ(above, 0);
}

TEST(CTirun, ValuesOutsideTheRangesStayInsideThePlotFrame) {
  CTirun chart;
  SetUpLikeTheStatisticsPage(chart);
  chart.SetAxisRange(CTirun::kValueAxis, 0, 100);
  const std::vector<ChartValue> wild = {{-20, 50, 0},  {0, -80, 0},    {10, 400, 0},
                                        {20, 1e30, 0}, {30, -1e30, 0}, {75, 60, 0}};
  for (const ChartValue& value : wild) chart.AddValue(value);

  for (const QSize size : {QSize(800, 480), QSize(260, 160)}) {
    const Rendering r = Render(chart, size);
    ASSERT_TRUE(r.layout.HasPlot()) << size.width();
    EXPECT_GT(CountPixels(r.image, r.layout.plotArea.toAlignedRect(),
                          [](QRgb p) { return LooksLikeGroup(p, 0); }),
              20);
    EXPECT_EQ(GroupPixelsOutsidePlot(r, 0), 0) << size.width();
  }
}

TEST(CTirun, PointsAreJoinedInHorizontalOrder) {
  CTirun chart;
  SetUpLikeTheStatisticsPage(chart);
  // Added out of order: joined as added they would run along the bottom from 0 to 50.
  chart.AddValue({0, 0, 1});
  chart.AddValue({50, 0, 1});
  chart.AddValue({25, 100, 1});
  const Rendering r = Render(chart);
  const auto near = [&](double x, double y) {
    const QPointF p(r.layout.HorizontalMapper().ToPixel(x), r.layout.VerticalMapper().ToPixel(y));
    return CountPixels(r.image, QRect(p.toPoint() - QPoint(2, 2), QSize(5, 5)),
                       [](QRgb pixel) { return LooksLikeGroup(pixel, 1); });
  };
  EXPECT_GT(near(12.5, 50), 0);
  EXPECT_GT(near(37.5, 50), 0);
  EXPECT_EQ(near(12.5, 0), 0);
}

TEST(CTirun, ALonePointIsStillVisible) {
  CTirun chart;
  SetUpLikeTheStatisticsPage(chart);
  chart.Configure(CTirun::kLineChart, 0);  // no point marks asked for
  chart.AddValue({20, 40, 2});
  const Rendering r = Render(chart);
  EXPECT_GT(CountPixels(r.image, r.layout.plotArea.toAlignedRect(),
                        [](QRgb p) { return LooksLikeGroup(p, 2); }),
            4);
}

TEST(CTirun, LabelsNeitherOverlapNorClipAtAnyFontSize) {
  CTirun chart;
  chart.AddAxis(AxisInfo(0, 123456789.5, L"Rows fetched", 5, 2));
  chart.AddAxis(AxisInfo(0, 2500000, L"Statement", 10, 5));
  chart.AddValue({0, 1, 0});
  for (const int pointSize : {7, 10, 16, 26}) {
    const Rendering r = Render(chart, {640, 400}, pointSize);
    ASSERT_TRUE(r.layout.HasPlot()) << pointSize;
    const QFontMetricsF metrics(QFont(QString(), pointSize), &r.image);
    for (const auto* axis : {&r.layout.vertical, &r.layout.horizontal}) {
      // A huge font in a small chart may leave room for the first label only.
      ASSERT_GE(axis->labelled.size(), pointSize <= 16 ? 2u : 1u) << pointSize;
      for (std::size_t i = 0; i < axis->labelled.size(); ++i) {
        const auto& tick = axis->labelled[i];
        EXPECT_GE(tick.labelRect.width() + 0.5, metrics.horizontalAdvance(tick.label))
            << tick.label.toStdString();
        EXPECT_TRUE(QRectF(r.image.rect()).contains(tick.labelRect))
            << tick.label.toStdString() << " at " << pointSize;
        if (i > 0) {
          EXPECT_FALSE(tick.labelRect.intersects(axis->labelled[i - 1].labelRect))
              << tick.label.toStdString() << " at " << pointSize;
        }
      }
    }
    EXPECT_FALSE(
        r.layout.vertical.titleRect.intersects(r.layout.vertical.labelled.back().labelRect));
  }
}

TEST(CTirun, TinyOrEmptyAreasPaintWithoutHarm) {
  CTirun chart;
  SetUpLikeTheStatisticsPage(chart);
  ShowSeries(chart, RealisticSeries());
  QImage image(120, 120, QImage::Format_ARGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  for (const QRect area : {QRect(0, 0, 0, 0), QRect(5, 5, 1, 1), QRect(0, 0, 12, 12),
                           QRect(0, 0, 30, 119), QRect(10, 10, -40, 50), QRect(0, 0, 120, 25)}) {
    chart.Paint(painter, area);
  }
  painter.end();
  EXPECT_EQ(image.pixel(119, 119), QColor(Qt::black).rgb()) << "painted outside its area";
}

TEST(CTirunView, ScreenshotsOfALoadAndOfAnIdleRun) {
  CTirunView view;
  SetUpLikeTheStatisticsPage(view.Chart());
  ShowSeries(view.Chart(), RealisticSeries());
  view.resize(820, 480);
  EXPECT_FALSE(testsupport::SaveScreenshot(view, "TirunChart").isEmpty());

  ShowSeries(view.Chart(), std::vector<std::vector<double>>(3, std::vector<double>(50, 0.0)));
  view.update();
  EXPECT_FALSE(testsupport::SaveScreenshot(view, "TirunChart-zero").isEmpty());
}

}  // namespace
