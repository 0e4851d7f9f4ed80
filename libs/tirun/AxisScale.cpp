#include "tirun/AxisScale.h"

#include <algorithm>
#include <cmath>

namespace tirun {

namespace {

// Bounds are kept far from the largest double so that max - min never overflows.
constexpr double kLargestBound = 1e300;
// No axis draws more ticks than this, whatever steps it was given.
constexpr int kMaxTicks = 500;
// A derived step aims at no more intervals than this, even on a tall axis.
constexpr int kMaxDerivedIntervals = 10;
// Pixels further than this many span lengths outside the span are pulled in, so that far
// outliers keep the rasteriser in sane coordinates; the clipped line looks the same.
constexpr double kPixelReach = 20;

double SafeBound(double value) {
  if (!std::isfinite(value)) return 0;
  return std::clamp(value, -kLargestBound, kLargestBound);
}

bool IsUsableStep(double step) { return std::isfinite(step) && step > 0; }

// The smallest of 1, 2 and 5 times a power of ten that is at least `raw`; `mantissa` tells which.
double ReadableStep(double raw, int& mantissa) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (const int m : {1, 2, 5}) {
    if (m * magnitude >= raw * (1 - 1e-9)) {
      mantissa = m;
      return m * magnitude;
    }
  }
  mantissa = 1;
  return 10 * magnitude;
}

}  // namespace

AxisRange AxisRange::From(double a, double b) {
  a = SafeBound(a);
  b = SafeBound(b);
  return a <= b ? AxisRange{a, b} : AxisRange{b, a};
}

ValueMapper::ValueMapper(AxisRange range, double pixelAtMin, double pixelAtMax)
    : range_(range), pixelAtMin_(pixelAtMin), pixelAtMax_(pixelAtMax) {}

double ValueMapper::ToPixel(double value) const {
  if (range_.IsFlat()) return pixelAtMin_;
  const double fraction = (value - range_.min) / (range_.max - range_.min);
  const double reach = kPixelReach * std::max(1.0, std::abs(pixelAtMax_ - pixelAtMin_));
  const double low = std::min(pixelAtMin_, pixelAtMax_) - reach;
  const double high = std::max(pixelAtMin_, pixelAtMax_) + reach;
  return std::clamp(pixelAtMin_ + fraction * (pixelAtMax_ - pixelAtMin_), low, high);
}

TickSteps ChooseSteps(AxisRange range, TickSteps configured, int maxIntervals) {
  if (range.IsFlat()) return {};
  maxIntervals = std::max(1, maxIntervals);
  const double width = range.max - range.min;

  if (IsUsableStep(configured.major)) {
    const double intervals = width / configured.major;
    if (intervals >= 2 - 1e-9 && intervals <= maxIntervals + 1e-9) {
      const bool minorFits = IsUsableStep(configured.minor) &&
                             configured.minor < configured.major &&
                             configured.major / configured.minor <= 10 + 1e-9;
      return {configured.major, minorFits ? configured.minor : 0};
    }
  }

  int mantissa = 1;
  const double major = ReadableStep(width / std::min(maxIntervals, kMaxDerivedIntervals), mantissa);
  return {major, mantissa == 2 ? major / 4 : major / 5};
}

std::vector<double> TickValues(AxisRange range, double step) {
  if (range.IsFlat() || !IsUsableStep(step)) return {range.min};
  const double first = std::ceil(range.min / step - 1e-9) * step;
  if (!std::isfinite(first)) return {range.min};
  std::vector<double> ticks;
  const double last = range.max + step * 1e-9;
  for (int k = 0; k < kMaxTicks; ++k) {
    double value = first + k * step;
    if (value > last) break;
    if (std::abs(value) < step * 1e-9) value = 0;  // no "-0" from rounding
    ticks.push_back(value);
  }
  return ticks;
}

int LabelDecimals(double step) {
  if (!IsUsableStep(step)) return 0;
  double scaled = step;
  for (int decimals = 0; decimals < 6; ++decimals, scaled *= 10) {
    if (std::abs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled)) return decimals;
  }
  return 6;
}

QString FormatLabel(double value, int decimals) {
  if (std::abs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;
  if (std::abs(value) >= 1e12) return QString::number(value, 'g', 6);
  return QString::number(value, 'f', decimals);
}

}  // namespace tirun
