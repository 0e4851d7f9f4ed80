#include "synthor/engine/items/CompiledItemTime.h"

#include <time.h>

#include <cstdlib>
#include <ctime>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/MaskWriter.h"

namespace {

long Find(const std::wstring& text, const wchar_t* token) {
  const std::size_t at = text.find(token);
  return at == std::wstring::npos ? -1 : static_cast<long>(at);
}

}  // namespace

void CompiledItemTime::SetMask(const std::wstring& mask) {
  format = mask;
  ampmPos = Find(mask, L"AM");
  msPos = Find(mask, L"sss");
  secPos = Find(mask, L"SS");
  minPos = Find(mask, L"mm");
  if (minPos < 0) minPos = Find(mask, L"MM");
  hourPos = Find(mask, L"HH");
  zonePos = Find(mask, L"zz");
}

std::wstring CompiledItemTime::Render(int hour, int minute, int second, int millisecond, bool pm,
                                      const std::wstring& zone) const {
  std::wstring s = format;
  if (ampmPos >= 0) {
    mask_writer::PutText(s, ampmPos, pm ? L"PM" : L"AM");
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  mask_writer::PutDigits(s, msPos, millisecond, 3);
  mask_writer::PutDigits(s, secPos, second, 2);
  mask_writer::PutDigits(s, minPos, minute, 2);
  mask_writer::PutDigits(s, hourPos, hour, 2);
  if (zonePos >= 0 && !zone.empty() && static_cast<std::size_t>(zonePos) + 2 <= s.size())
    s.replace(static_cast<std::size_t>(zonePos), 2, zone);
  return s;
}

int CompiledItemTime::Value(DGValue* out, DSynthor* caller, QuoteOptions*) {
  DSynthor* eng = Use(caller);
  if (!out || !eng) return 0;
  switch (kind) {
    case MASK_NOW: return CurrentTime(out, eng);
    case MASK_TIME: return GivenTime(out, eng);
    default: return RandomTime(out, eng);
  }
}

int CompiledItemTime::RandomTime(DGValue* out, DSynthor* eng) {
  if (!constantBounds) {
    std::wstring low, high;
    if (!ResolveBound(minText, eng, &low) || !ResolveBound(maxText, eng, &high)) return 0;
    MaskStatic::ScanTime(low, format, &minHour, &minMinute, &minSecond, &minMillisecond);
    MaskStatic::ScanTime(high, format, &maxHour, &maxMinute, &maxSecond, &maxMillisecond);
  }
  // Every instant from the lower to the upper bound, both included, is equally likely, counted in
  // the finest unit the mask writes (so "HH:mm" draws whole minutes); bounds in the wrong order
  // give the lower one.
  const long long unit = msPos >= 0 ? 1 : secPos >= 0 ? 1000 : minPos >= 0 ? 60000 : 3600000;
  const auto units = [unit](int h, int m, int s, int ms) {
    return ((h * 60LL + m) * 60LL + s) * 1000LL / unit + (unit == 1 ? ms : 0);
  };
  const long long low = units(minHour, minMinute, minSecond, minMillisecond);
  const long long high = units(maxHour, maxMinute, maxSecond, maxMillisecond);
  DGRandom& r = eng->random;
  const long long t = (high > low ? low + r.Next64(high - low + 1) : low) * unit;
  const int millisecond = static_cast<int>(t % 1000);
  const int hour = static_cast<int>(t / 3600000);
  const int minute = static_cast<int>(t / 60000 % 60);
  const int second = static_cast<int>(t / 1000 % 60);
  std::wstring zone;
  if (zonePos >= 0) {
    const wchar_t sign = r.Next(2) == 1 ? L'-' : L'+';
    const int hours = r.Next(12);
    zone = sign + platform::Format(L"%02d:00", hours);
  }
  return Append(eng, out, Render(hour, minute, second, millisecond, hour >= 12, zone)) ? 1 : 0;
}

int CompiledItemTime::CurrentTime(DGValue* out, DSynthor* eng) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  const time_t seconds = now.tv_sec;
  localtime_r(&seconds, &local);
  // ISO 8601: minus west of UTC; half-hour zones keep their minutes.
  const long offset = local.tm_gmtoff;
  const long magnitude = std::labs(offset);
  const std::wstring zone = (offset < 0 ? L"-" : L"+") +
                            platform::Format(L"%02ld:%02ld", magnitude / 3600, (magnitude % 3600) / 60);
  const int millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return Append(eng, out,
                Render(local.tm_hour, local.tm_min, local.tm_sec, millisecond, local.tm_hour > 11,
                       zone))
             ? 1
             : 0;
}

int CompiledItemTime::GivenTime(DGValue* out, DSynthor* eng) {
  std::wstring value = text;
  std::wstring valueFormat = format;
  if (!constantBounds) {
    if (!ResolveBound(text, eng, &value, &valueFormat)) return 0;
  }
  out->format = valueFormat;
  return Append(eng, out, value) ? 1 : 0;
}
