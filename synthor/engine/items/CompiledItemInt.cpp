#include "synthor/engine/items/CompiledItemInt.h"

#include <climits>
#include <cstddef>
#include <optional>

#include "platform/Text.h"
#include "platform/UserFormat.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/NumberChars.h"
#include "synthor/engine/PatternExcerpt.h"

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

bool CompiledItemInt::ResolveBounds(DSynthor* eng) {
  std::wstring low, high;
  if (!ResolveBound(minText, eng, &low) || eng->ErrorCode() != 0) return false;
  if (!ResolveBound(maxText, eng, &high) || eng->ErrorCode() != 0) return false;
  minimum = platform::ToInt64(low);
  maximum = platform::ToInt64(high);
  return true;
}

int CompiledItemInt::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  return Render(out, caller, nullptr);
}

int CompiledItemInt::NumberOrValue(DGValue* out, DSynthor* caller, QuoteOptions*, int64_t* number) {
  return Render(out, caller, number);
}

int CompiledItemInt::Render(DGValue* out, DSynthor* caller, int64_t* number) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  if (!constantBounds && !ResolveBounds(eng)) return 0;
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
    if (number && (format.empty() || format[0] == L'%')) {
      // No 64-bit decimal is longer than 20 characters; the exact length matters only near the
      // limit.
      constexpr std::size_t kLongest = 20;
      const std::size_t length = out->value.size();
      if ((length > eng->MaxValueLength() || eng->MaxValueLength() - length < kLongest) &&
          !eng->CanGrow(length, NumberChars::Decimal(value).size()))
        return 0;
      *number = value;
      return 2;
    }
    NumberChars::Decimal(value).AssignTo(output);
  } else {
    const std::wstring mask = format.empty() ? L"%I64d" : format;
    std::wstring why;
    std::optional<std::wstring> formatted = platform::FormatUserInteger(mask, value, &why);
    if (!formatted) {
      eng->SetError(kBadFormat,
                    platform::Format(kBadFormatText, PatternExcerpt(mask).c_str(), why.c_str()));
      return 0;
    }
    output = *formatted;
  }
  return Append(eng, out, output) ? 1 : 0;
}
