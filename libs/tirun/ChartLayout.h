#pragma once
// Where each part of a chart goes inside the painted rectangle. Every size derives from the
// font's metrics, so the chart stays readable at any font size.
#include <QRectF>
#include <QString>
#include <vector>

#include "tirun/AxisScale.h"

class CTirun;
class QFontMetricsF;

namespace tirun {

struct LegendEntry {
  int group = 0;
  QString text;
  QRectF swatch;  // the short stroke in the group's colour
  QRectF textRect;
};

// One tick along an axis: its value, its pixel position across the axis and its label.
struct Tick {
  double value = 0;
  double pixel = 0;
  QString label;
  QRectF labelRect;
};

struct AxisLayout {
  AxisRange range;
  TickSteps steps;
  std::vector<Tick> labelled;       // at the major step, with grid lines
  std::vector<double> minorPixels;  // small ticks only, none where they would crowd
  QString title;
  QRectF titleRect;  // for the vertical axis: the upright strip the rotated title fills
};

struct ChartLayout {
  // The white frame. Lines are clipped to it.
  QRectF plotArea;
  // Where the axis ranges map to: the frame less a margin, so lines on the range's edges and
  // their point marks stay whole.
  QRectF dataArea;
  AxisLayout horizontal;
  AxisLayout vertical;
  std::vector<LegendEntry> legend;
  double lineWidth = 2;
  double markRadius = 3;
  double tickLength = 4;

  bool HasPlot() const { return dataArea.width() > 0 && dataArea.height() > 0; }
  ValueMapper HorizontalMapper() const;
  ValueMapper VerticalMapper() const;
};

ChartLayout LayoutChart(const CTirun& chart, const QRectF& area, const QFontMetricsF& metrics);

}  // namespace tirun
