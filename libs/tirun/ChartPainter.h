#pragma once
// Draws a CTirun: frame, grid, ticks and labels, axis titles, legend and one line per group.
#include <QColor>

class CTirun;
class QPainter;
class QRect;

namespace tirun {

// A distinct colour for each group, readable on white; the colours repeat after ten groups.
QColor GroupColour(int group);

void PaintChart(const CTirun& chart, QPainter& painter, const QRect& area);

}  // namespace tirun
