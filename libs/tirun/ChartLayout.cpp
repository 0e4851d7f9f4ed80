#include "tirun/ChartLayout.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "tirun/Tirun.h"

namespace tirun {

namespace {

// Spacing of one chart, all from the font's line height.
struct Spacing {
  explicit Spacing(const QFontMetricsF& metrics)
      : line(metrics.height()),
        gap(std::max(3.0, line / 3)),
        pad(std::max(4.0, line / 2)),
        tick(std::max(3.0, line / 4)),
        lineWidth(std::max(2.0, std::round(line / 8))),
        markRadius(lineWidth * 1.5),
        inset(std::max({4.0, line / 4, markRadius + lineWidth})) {}

  double line;
  double gap;
  double pad;
  double tick;
  double lineWidth;
  double markRadius;
  double inset;  // between the frame and the data area
};

double WidestLabel(const std::vector<Tick>& ticks, const QFontMetricsF& metrics) {
  double widest = 0;
  for (const Tick& tick : ticks) widest = std::max(widest, metrics.horizontalAdvance(tick.label));
  return widest;
}

std::vector<Tick> LabelTicks(const AxisRange& range, double step) {
  const int decimals = LabelDecimals(step);
  std::vector<Tick> ticks;
  for (const double value : TickValues(range, step)) {
    ticks.push_back({value, 0, FormatLabel(value, decimals), {}});
  }
  return ticks;
}

int IntervalsThatFit(double length, double labelExtent) {
  if (length <= 0 || labelExtent <= 0) return 1;
  return std::max(1, static_cast<int>(std::floor(length / labelExtent)));
}

void PlaceTicks(AxisLayout& axis, const ValueMapper& mapper) {
  for (Tick& tick : axis.labelled) tick.pixel = mapper.ToPixel(tick.value);
  axis.minorPixels.clear();
  if (axis.steps.minor <= 0) return;
  const std::vector<double> minor = TickValues(axis.range, axis.steps.minor);
  if (minor.size() >= 2 && std::abs(mapper.ToPixel(minor[1]) - mapper.ToPixel(minor[0])) < 4) {
    return;  // too close to read as ticks
  }
  for (const double value : minor) axis.minorPixels.push_back(mapper.ToPixel(value));
}

// Legend entries flow left to right in rows centred over the area; returns the rows' height.
double LayoutLegend(const CTirun& chart, const QRectF& area, const QFontMetricsF& metrics,
                    const Spacing& spacing, std::vector<LegendEntry>& legend) {
  const double swatchLength = spacing.line * 1.5;
  const double itemGap = spacing.line;
  const double usable = area.width() - 2 * spacing.pad;
  const double textRoom = usable - swatchLength - spacing.gap;
  if (textRoom <= 0) return 0;

  struct Item {
    int group;
    QString text;
    double width;
  };
  std::vector<std::vector<Item>> rows(1);
  double rowWidth = 0;
  for (const int group : chart.GroupsWithValues()) {
    const QString name = QString::fromStdWString(chart.GroupName(group));
    const QString text = metrics.elidedText(name, Qt::ElideRight, textRoom);
    const double width = swatchLength + spacing.gap + metrics.horizontalAdvance(text);
    const double needed = rows.back().empty() ? width : rowWidth + itemGap + width;
    if (needed > usable && !rows.back().empty()) {
      rows.emplace_back();
      rowWidth = width;
    } else {
      rowWidth = needed;
    }
    rows.back().push_back({group, text, width});
  }
  if (rows.front().empty()) return 0;

  double y = area.top() + spacing.pad;
  for (const std::vector<Item>& row : rows) {
    double width = -itemGap;
    for (const Item& item : row) width += itemGap + item.width;
    double x = area.left() + (area.width() - width) / 2;
    for (const Item& item : row) {
      const QRectF swatch(x, y, swatchLength, spacing.line);
      const QRectF text(x + swatchLength + spacing.gap, y, item.width - swatchLength - spacing.gap,
                        spacing.line);
      legend.push_back({item.group, item.text, swatch, text});
      x += item.width + itemGap;
    }
    y += spacing.line;
  }
  return static_cast<double>(rows.size()) * spacing.line + spacing.gap;
}

}  // namespace

ValueMapper ChartLayout::HorizontalMapper() const {
  return ValueMapper(horizontal.range, dataArea.left(), dataArea.right());
}

ValueMapper ChartLayout::VerticalMapper() const {
  return ValueMapper(vertical.range, dataArea.bottom(), dataArea.top());
}

ChartLayout LayoutChart(const CTirun& chart, const QRectF& area, const QFontMetricsF& metrics) {
  const Spacing spacing(metrics);
  ChartLayout layout;
  layout.lineWidth = spacing.lineWidth;
  layout.markRadius = spacing.markRadius;
  layout.tickLength = spacing.tick;

  const AxisInfo valueAxis = chart.Axis(CTirun::kValueAxis);
  const AxisInfo horizontalAxis = chart.Axis(CTirun::kHorizontalAxis);
  AxisLayout& vertical = layout.vertical;
  AxisLayout& horizontal = layout.horizontal;
  vertical.range = AxisRange::From(valueAxis.min, valueAxis.max);
  horizontal.range = AxisRange::From(horizontalAxis.min, horizontalAxis.max);
  vertical.title = QString::fromStdWString(valueAxis.title);
  horizontal.title = QString::fromStdWString(horizontalAxis.title);

  // Top to bottom: legend, frame, horizontal labels, horizontal title.
  const double legendHeight = LayoutLegend(chart, area, metrics, spacing, layout.legend);
  const double top = area.top() + spacing.pad + legendHeight;
  const double horizontalTitleBlock =
      horizontal.title.isEmpty() ? 0 : spacing.line + spacing.gap / 2;
  const double bottom = area.bottom() - spacing.pad - horizontalTitleBlock - spacing.line -
                        spacing.tick - spacing.gap / 2;

  // The vertical labels decide the left edge, and their count the height.
  const double dataHeight = bottom - top - 2 * spacing.inset;
  vertical.steps = ChooseSteps(vertical.range, {valueAxis.majorStep, valueAxis.minorStep},
                               IntervalsThatFit(dataHeight, spacing.line * 1.5));
  vertical.labelled = LabelTicks(vertical.range, vertical.steps.major);
  const double verticalTitleBlock = vertical.title.isEmpty() ? 0 : spacing.line + spacing.gap;
  const double left = area.left() + spacing.pad + verticalTitleBlock +
                      WidestLabel(vertical.labelled, metrics) + spacing.gap / 2 + spacing.tick;

  // The horizontal labels sit centred under their ticks: the last one needs room on the right.
  auto rightFor = [&](double labelWidth) {
    return area.right() - spacing.pad - std::max(0.0, labelWidth / 2 - spacing.inset);
  };
  auto stepsFor = [&](double labelWidth) {
    const double dataWidth = rightFor(labelWidth) - left - 2 * spacing.inset;
    return ChooseSteps(horizontal.range, {horizontalAxis.majorStep, horizontalAxis.minorStep},
                       IntervalsThatFit(dataWidth, labelWidth + 2 * spacing.line));
  };
  double labelWidth = std::max(metrics.horizontalAdvance(FormatLabel(horizontal.range.min, 0)),
                               metrics.horizontalAdvance(FormatLabel(horizontal.range.max, 0)));
  horizontal.steps = stepsFor(labelWidth);
  horizontal.labelled = LabelTicks(horizontal.range, horizontal.steps.major);
  if (const double widest = WidestLabel(horizontal.labelled, metrics); widest > labelWidth) {
    labelWidth = widest;  // fraction digits made the labels wider than guessed
    horizontal.steps = stepsFor(labelWidth);
    horizontal.labelled = LabelTicks(horizontal.range, horizontal.steps.major);
  }
  labelWidth = std::max(labelWidth, WidestLabel(horizontal.labelled, metrics));
  const double right = rightFor(labelWidth);

  if (right - left <= 2 * spacing.inset || bottom - top <= 2 * spacing.inset) {
    vertical.labelled.clear();
    horizontal.labelled.clear();
    return layout;  // no room for a plot
  }
  layout.plotArea = QRectF(QPointF(std::round(left), std::round(top)),
                           QPointF(std::round(right), std::round(bottom)));
  layout.dataArea =
      layout.plotArea.adjusted(spacing.inset, spacing.inset, -spacing.inset, -spacing.inset);
  PlaceTicks(vertical, layout.VerticalMapper());
  PlaceTicks(horizontal, layout.HorizontalMapper());

  const QRectF& plot = layout.plotArea;
  const double horizontalLabelsTop = plot.bottom() + spacing.tick + spacing.gap / 2;
  horizontal.titleRect = QRectF(plot.left(), horizontalLabelsTop + spacing.line + spacing.gap / 2,
                                plot.width(), spacing.line);
  horizontal.title = metrics.elidedText(horizontal.title, Qt::ElideRight, plot.width());
  vertical.titleRect = QRectF(area.left() + spacing.pad, plot.top(), spacing.line, plot.height());
  vertical.title = metrics.elidedText(vertical.title, Qt::ElideRight, plot.height());

  const double verticalLabelsRight = plot.left() - spacing.tick - spacing.gap / 2;
  const double verticalLabelsWidth = WidestLabel(vertical.labelled, metrics) + 1;
  for (Tick& tick : vertical.labelled) {
    tick.labelRect = QRectF(verticalLabelsRight - verticalLabelsWidth,
                            tick.pixel - spacing.line / 2, verticalLabelsWidth, spacing.line);
  }
  for (Tick& tick : horizontal.labelled) {
    const double width = metrics.horizontalAdvance(tick.label) + 2;
    tick.labelRect = QRectF(tick.pixel - width / 2, horizontalLabelsTop, width, spacing.line);
  }
  return layout;
}

}  // namespace tirun
