#pragma once
// Times written through a mask: `$rtime` (a random time between two bounds), `$now` (the current
// local time) and `$time` (a given time). The mask's HH, mm/MM, SS, sss, AM and zz fields receive
// the hour, minute, second, millisecond, the 12-hour marker and the time-zone offset.
#include <string>

#include "synthor/engine/items/CompiledItemRandom.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemTime : public CompiledItemRandom {
 public:
  CompiledItemTime(DSynthor* engine, int kind) : CompiledItemRandom(engine, kind) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  // Stores `mask` as the format and finds its fields.
  void SetMask(const std::wstring& mask);
  // Writes the fields into a copy of the mask. With an AM/PM field the hour is written on the
  // 12-hour clock (hour 0 and 12 as 12). An empty `zone` leaves "zz" as it is.
  std::wstring Render(int hour, int minute, int second, int millisecond, bool pm,
                      const std::wstring& zone) const;

  int minHour = 0, minMinute = 0, minSecond = 0, minMillisecond = 0;
  int maxHour = 23, maxMinute = 59, maxSecond = 59, maxMillisecond = 999;
  long ampmPos = -1, msPos = -1, secPos = -1, minPos = -1, hourPos = -1, zonePos = -1;

 private:
  int RandomTime(DGValue* out, DSynthor* eng);
  int CurrentTime(DGValue* out, DSynthor* eng);
  int GivenTime(DGValue* out, DSynthor* eng);
};
