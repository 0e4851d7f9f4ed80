#include "synthor/engine/items/CompiledItemInt.h"

#include <climits>
#include <optional>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/NumberChars.h"

using namespace engine_errors;

namespace {

// A draw in [0, span) for any span an int64 pair can have (up to 2^64 - 1).
uint64_t Draw(DGRandom& r, uint64_t span, bool mode32) {
  if (mode32 && span <= static_cast<uint64_t>(INT_MAX)) return r.Next(static_cast<int>(span));
  if (span <= static_cast<uint64_t>(INT64_MAX)) return r.Next64(static_cast<int64_t>(span));
  const uint64_t wide = (static_cast<uint64_t>(r.Next64(INT64_MAX)) << 1) | r.Next(2);
  return wide % span;
}

}  // namespace

int CompiledItemInt::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (!constantBounds) {
    std::wstring low, high;
    if (!ResolveBound(minText, eng, &low) || eng->ErrorCode() != 0) return 0;
    if (!ResolveBound(maxText, eng, &high) || eng->ErrorCode() != 0) return 0;
    minimum = platform::ToInt64(low);
    maximum = platform::ToInt64(high);
  }
  int64_t value = minimum;
  if (maximum > minimum) {
    // Unsigned arithmetic: the full int64 range has a span that no signed type holds.
    const uint64_t span = static_cast<uint64_t>(maximum) - static_cast<uint64_t>(minimum);
    value = static_cast<int64_t>(static_cast<uint64_t>(minimum) + Draw(eng->random, span, mode32));
    lastRange = span > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(span);
  } else {
    lastRange = 0;
  }
  lastValue = value;
  if (plainDecimal) {
    NumberChars::Decimal(value).AssignTo(output);
  } else {
    const std::wstring mask = format.empty() ? L"%I64d" : format;
    std::wstring why;
    std::optional<std::wstring> formatted = platform::FormatUserInteger(mask, value, &why);
    if (!formatted) {
      eng->SetError(kBadFormat, platform::Format(kBadFormatText, mask.c_str(), why.c_str()));
      return 0;
    }
    output = *formatted;
  }
  return Append(eng, out, output) ? 1 : 0;
}
