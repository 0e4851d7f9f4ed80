#pragma once
// The numbers behind one chart axis: a range that is always safe to divide by, the mapping of
// values to pixels, and tick steps that keep the labels apart.
#include <QString>
#include <vector>

namespace tirun {

// A value range with finite bounds and min <= max. min == max is allowed (a flat axis).
struct AxisRange {
  double min = 0;
  double max = 0;

  // NaN or infinite bounds count as 0; swapped bounds are put in order.
  static AxisRange From(double a, double b);
  bool IsFlat() const { return !(max > min); }
};

// Maps values of a range linearly onto a pixel span. `pixelAtMin` and `pixelAtMax` may be in
// either order (the vertical axis grows upwards). A flat range maps every value to pixelAtMin.
class ValueMapper {
 public:
  ValueMapper(AxisRange range, double pixelAtMin, double pixelAtMax);
  // Values outside the range map outside the span; the painter clips them.
  double ToPixel(double value) const;

 private:
  AxisRange range_;
  double pixelAtMin_;
  double pixelAtMax_;
};

// The steps an axis is drawn with: labels and grid lines at `major`, small ticks at `minor`
// (0 = none).
struct TickSteps {
  double major = 0;
  double minor = 0;
};

// The steps for a range on an axis with room for at most `maxIntervals` labelled intervals.
// The configured steps are kept when they give between 2 and maxIntervals intervals; else a
// readable step (1, 2 or 5 times a power of ten) is chosen. A flat range has no steps.
TickSteps ChooseSteps(AxisRange range, TickSteps configured, int maxIntervals);

// The multiples of `step` that lie within the range (a flat range: just its one value), never
// more than a few hundred.
std::vector<double> TickValues(AxisRange range, double step);

// Fraction digits a label needs so that the multiples of `step` read exactly (at most 6).
int LabelDecimals(double step);
QString FormatLabel(double value, int decimals);

}  // namespace tirun
