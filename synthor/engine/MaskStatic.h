#pragma once
// Reading the parts of a date or time out of a text by a mask. The mask's tokens mark where each
// field stands; their positions in the mask are applied to the text as they are, so the text is
// expected to have the mask's layout.
//
// Date tokens: DD day, MM month number, MON/mon month name (JAN..DEC, any case), YYYY or YY year,
// C century digit for a short year (year = 1900 + 100 * C + YY).
// Time tokens: HH hour, mm (else MM) minute, SS second, sss millisecond.
//
// A field is read only when its first position lies inside the text; it is read as the leading
// decimal digits of the field (at most its width), and a field that does not start with a digit
// reads as 0. Nothing here throws or reads outside the text.
#include <string>

#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API MaskStatic {
 public:
  // 28 for month 2 (in every year), 30 for 4, 6, 9, 11, 31 for every other value.
  static int DaysInMonth(int month);

  // Fields not found stay 0, except the year: without a century digit a year below 100 (or a
  // short year) is taken as 2000 + year when below 30, else 1900 + year. Returns 1 when the mask
  // holds YYYY, else 0. Null pointers are allowed and skipped.
  static int ScanDate(const std::wstring& text, const std::wstring& mask, int* day, int* month,
                      int* year);

  // Fields not found are 0. `millisecond` may be null.
  static void ScanTime(const std::wstring& text, const std::wstring& mask, int* hour, int* minute,
                       int* second, int* millisecond = nullptr);
};
