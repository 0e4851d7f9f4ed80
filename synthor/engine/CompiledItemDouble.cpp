#include "synthor/engine/CompiledItemDouble.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"

using namespace engine_errors;

namespace {

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

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
  } else {
    v = eng->random.NextEven(low, high, decimals);
  }
  if (distribution != kEven && low <= high) v = std::clamp(v, low, high);
  const std::wstring mask = format.empty() ? L"%f" : format;
  std::wstring why;
  std::optional<std::wstring> formatted = platform::FormatUserNumber(mask, v, &why);
  if (!formatted) {
    eng->SetError(kBadFormat, platform::Format(kBadFormatText, mask.c_str(), why.c_str()));
    return 0;
  }
  return Append(eng, out, *formatted) ? 1 : 0;
}
