#pragma once
// Dates written through a mask: `$rdate` (a random date between two bounds), `$today` (the
// current local date) and `$date` (a given date). The mask's DD, MM, YYYY/YY, MON/mon and C
// fields receive the day, month, year, month name and century digit; everything else is copied.
#include <string>

#include "synthor/engine/items/CompiledItemRandom.h"
#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API CompiledItemDate : public CompiledItemRandom {
 public:
  CompiledItemDate(DSynthor* engine, int kind) : CompiledItemRandom(engine, kind) {}
  int Value(DGValue* out, DSynthor* engine, QuoteOptions* options) override;

  // Stores `mask` as the format and finds its fields.
  void SetMask(const std::wstring& mask);
  // The date written into a copy of the mask, in `s` (its memory is reused).
  void Render(int year, int month, int day, std::wstring* s) const;

  int minDay = 1, minMonth = 1, minYear = 1970;
  int maxDay = 31, maxMonth = 12, maxYear = 2050;
  int lowerMonthName = 0;  // the mask holds "mon"
  int upperMonthName = 0;  // the mask holds "MON"
  int century = 0;         // the mask holds "C"
  int fourDigitYear = 0;   // the year field is YYYY
  long yearPos = -1, monthPos = -1, dayPos = -1;

 private:
  int RandomDate(DGValue* out, DSynthor* eng);
  int CurrentDate(DGValue* out, DSynthor* eng);
  int GivenDate(DGValue* out, DSynthor* eng);

  std::wstring rendered_;  // the last date written, kept for its memory
};
