#include "tirun/ChartPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "tirun/ChartLayout.h"
#include "tirun/Tirun.h"

namespace tirun {

namespace {

const QColor kTextColour(0x20, 0x20, 0x20);
const QColor kFrameColour(0x9a, 0x9a, 0x9a);
const QColor kGridColour(0xe2, 0xe2, 0xe2);

// A pixel-centred coordinate, so that one-pixel lines stay sharp.
double Crisp(double pixel) { return std::floor(pixel) + 0.5; }

void PaintLegend(QPainter& painter, const ChartLayout& layout) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const LegendEntry& entry : layout.legend) {
    const double y = entry.swatch.center().y();
    painter.setPen(
        QPen(GroupColour(entry.group), layout.lineWidth + 1, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(entry.swatch.left() + layout.lineWidth, y),
                     QPointF(entry.swatch.right() - layout.lineWidth, y));
    painter.setPen(kTextColour);
    painter.drawText(entry.textRect, Qt::AlignLeft | Qt::AlignVCenter, entry.text);
  }
  painter.restore();
}

void PaintGridAndFrame(QPainter& painter, const ChartLayout& layout) {
  const QRectF& plot = layout.plotArea;
  painter.fillRect(plot, Qt::white);
  painter.setPen(QPen(kGridColour, 0));
  for (const Tick& tick : layout.vertical.labelled) {
    const double y = Crisp(tick.pixel);
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
  }
  for (const Tick& tick : layout.horizontal.labelled) {
    const double x = Crisp(tick.pixel);
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
  }
  painter.setPen(QPen(kFrameColour, 0));
  painter.drawRect(plot.adjusted(0.5, 0.5, -0.5, -0.5));
}

void PaintTicksAndLabels(QPainter& painter, const ChartLayout& layout) {
  const QRectF& plot = layout.plotArea;
  const double major = layout.tickLength;
  const double minor = layout.tickLength / 2;
  painter.setPen(QPen(kFrameColour, 0));
  for (const double pixel : layout.vertical.minorPixels) {
    painter.drawLine(QPointF(plot.left() - minor, Crisp(pixel)),
                     QPointF(plot.left(), Crisp(pixel)));
  }
  for (const double pixel : layout.horizontal.minorPixels) {
    painter.drawLine(QPointF(Crisp(pixel), plot.bottom()),
                     QPointF(Crisp(pixel), plot.bottom() + minor));
  }
  for (const Tick& tick : layout.vertical.labelled) {
    const double y = Crisp(tick.pixel);
    painter.drawLine(QPointF(plot.left() - major, y), QPointF(plot.left(), y));
  }
  for (const Tick& tick : layout.horizontal.labelled) {
    const double x = Crisp(tick.pixel);
    painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + major));
  }

  painter.setPen(kTextColour);
  for (const Tick& tick : layout.vertical.labelled) {
    painter.drawText(tick.labelRect, Qt::AlignRight | Qt::AlignVCenter, tick.label);
  }
  for (const Tick& tick : layout.horizontal.labelled) {
    painter.drawText(tick.labelRect, Qt::AlignCenter, tick.label);
  }
}

void PaintTitles(QPainter& painter, const ChartLayout& layout) {
  painter.setPen(kTextColour);
  painter.drawText(layout.horizontal.titleRect, Qt::AlignCenter, layout.horizontal.title);

  const QRectF& strip = layout.vertical.titleRect;
  painter.save();
  painter.translate(strip.center());
  painter.rotate(-90);
  painter.drawText(QRectF(-strip.height() / 2, -strip.width() / 2, strip.height(), strip.width()),
                   Qt::AlignCenter, layout.vertical.title);
  painter.restore();
}

// Each group's points in x order (equal x keep the order they were added in), in pixels.
std::map<int, std::vector<QPointF>> GroupLines(const CTirun& chart, const ChartLayout& layout) {
  std::vector<ChartValue> sorted = chart.Values();
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const ChartValue& a, const ChartValue& b) { return a.x < b.x; });
  const ValueMapper toX = layout.HorizontalMapper();
  const ValueMapper toY = layout.VerticalMapper();
  std::map<int, std::vector<QPointF>> lines;
  for (const ChartValue& value : sorted) {
    lines[value.group].emplace_back(toX.ToPixel(value.x), toY.ToPixel(value.y));
  }
  return lines;
}

void PaintLines(QPainter& painter, const CTirun& chart, const ChartLayout& layout) {
  painter.save();
  painter.setClipRect(layout.plotArea, Qt::IntersectClip);
  painter.setRenderHint(QPainter::Antialiasing, true);
  // Marks only while neighbouring points stay a few marks apart.
  const double roomyCount = layout.dataArea.width() / (layout.markRadius * 6);
  const bool markPoints = (chart.Options() & CTirun::kMarkPoints) != 0;
  for (const auto& [group, points] : GroupLines(chart, layout)) {
    const QColor colour = GroupColour(group);
    painter.setPen(QPen(colour, layout.lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    // A lone point has no line to show it.
    if (points.size() == 1 || (markPoints && static_cast<double>(points.size()) <= roomyCount)) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(colour);
      for (const QPointF& point : points) {
        painter.drawEllipse(point, layout.markRadius, layout.markRadius);
      }
    }
  }
  painter.restore();
}

}  // namespace

QColor GroupColour(int group) {
  static const std::array<QColor, 10> kColours = {
      QColor(0x1f, 0x6f, 0xc4), QColor(0xe0, 0x6c, 0x00), QColor(0x2a, 0x9d, 0x3c),
      QColor(0xc8, 0x2a, 0x2a), QColor(0x7b, 0x4a, 0xb8), QColor(0x8a, 0x5a, 0x2b),
      QColor(0xd0, 0x4f, 0xa8), QColor(0x12, 0x9a, 0xa6), QColor(0x5a, 0x5a, 0x5a),
      QColor(0x9a, 0x9a, 0x10)};
  const auto count = static_cast<int>(kColours.size());
  return kColours[static_cast<std::size_t>(((group % count) + count) % count)];
}

void PaintChart(const CTirun& chart, QPainter& painter, const QRect& area) {
  if (!painter.isActive() || area.width() <= 0 || area.height() <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setClipRect(area, Qt::IntersectClip);
  painter.fillRect(area, Qt::white);

  const ChartLayout layout =
      LayoutChart(chart, area, QFontMetricsF(painter.font(), painter.device()));
  PaintLegend(painter, layout);
  if (layout.HasPlot()) {
    PaintGridAndFrame(painter, layout);
    PaintTicksAndLabels(painter, layout);
    PaintTitles(painter, layout);
    PaintLines(painter, chart, layout);
  }
  painter.restore();
}

}  // namespace tirun
