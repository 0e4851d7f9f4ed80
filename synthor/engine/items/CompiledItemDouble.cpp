#include "synthor/engine/items/CompiledItemDouble.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/NumberChars.h"
#include "synthor/engine/PatternExcerpt.h"

using namespace engine_errors;

namespace {

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// The generator's even draw works on 32-bit whole parts and at most 9 decimals; wider ranges and
// finer fractions are drawn here with 64-bit numbers instead.
bool NeedsWideDraw(double low, double high, int decimals) {
  constexpr double kIntMax = 2147483647.0;
  return decimals > 9 || low < -kIntMax || high > kIntMax || high - low > kIntMax;
}

double WideEven(DGRandom& random, double low, double high, int decimals) {
  const double span = high - low;
  if (!(span > 0)) return low;
  constexpr double kWholeLimit = 9.0e18;  // below INT64_MAX with room to spare
  double v;
  if (span <= kWholeLimit) {
    v = low + static_cast<double>(random.Next64(static_cast<int64_t>(span)));
    if (decimals > 0) {
      const auto scale = static_cast<int64_t>(std::pow(10.0, std::min(decimals, 18)));
      v += static_cast<double>(random.Next64(scale)) / static_cast<double>(scale);
    }
  } else {
    // Beyond 64-bit whole numbers only a share of the span can be drawn; weighing the bounds
    // keeps even the widest span (which overflows as a difference) finite.
    constexpr int64_t kSteps = int64_t(1) << 53;
    const double share = static_cast<double>(random.Next64(kSteps)) / static_cast<double>(kSteps);
    v = low * (1.0 - share) + high * share;
  }
  return std::min(v, high);
}

}  // namespace

int CompiledItemDouble::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (!constantBounds) {
    std::wstring low, high;
    if (!ResolveBound(minText, eng, &low) || eng->ErrorCode() != 0) return 0;
    if (!ResolveBound(maxText, eng, &high) || eng->ErrorCode() != 0) return 0;
    minimum = platform::ToDouble(low);
    maximum = platform::ToDouble(high);
  }
  const double low = Finite(minimum);
  const double high = Finite(maximum);
  double v;
  if (distribution == kNormal) {
    v = eng->random.NextNormal((low + high) / 2, deviation);
  } else if (distribution == kLinear) {
    v = eng->random.NextLinear(low, high - low);
  } else if (NeedsWideDraw(low, high, decimals)) {
    v = WideEven(eng->random, low, high, decimals);
  } else {
    v = eng->random.NextEven(low, high, decimals);
  }
  if (distribution != kEven && low <= high) v = std::clamp(v, low, high);
  // The default "%f" is the common case; written straight into the value.
  NumberChars fixed;
  if ((format.empty() || format == L"%f") && NumberChars::Fixed(v, 6, &fixed)) {
    if (!eng->CanGrow(out->value.size(), fixed.size())) return 0;
    fixed.AppendTo(out->value);
    return 1;
  }
  const std::wstring mask = format.empty() ? L"%f" : format;
  std::wstring why;
  std::optional<std::wstring> formatted = platform::FormatUserNumber(mask, v, &why);
  if (!formatted) {
    eng->SetError(kBadFormat,
                  platform::Format(kBadFormatText, PatternExcerpt(mask).c_str(), why.c_str()));
    return 0;
  }
  return Append(eng, out, *formatted) ? 1 : 0;
}
