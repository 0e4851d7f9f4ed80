#pragma once
// `$incdate(mask, from, step, unit, border, reuse)`: dates (and date-times) by a mask, advancing
// by a step of days (D), months (M), years (Y), hours (H), minutes (m) or seconds (S) on the
// Gregorian calendar; `from` may name a table, whose column (the next parameter) gives the date to
// continue after. A date past the border, or one that would leave the years 1 to 9999, returns
// to the start date (the time of day stays).
//
// A step that lands on a day the month does not have carries into the next month:
// 31.01.2024 plus one month is 02.03.2024.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/counters/CounterSupport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API IncDateData : public IGenerator {
 public:
  struct Fields {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
  };

  IncDateData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* connection,
              std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 private:
  void Step(Fields* f) const;
  void ReadStart(const std::wstring& text);
  std::wstring Render(const Fields& f) const;

  std::wstring mask_;
  std::wstring last_;
  int step_ = 1;
  wchar_t unit_ = L'D';
  Fields start_;
  Fields current_;
  int borderYear_ = -1;  // -1: none
  int borderMonth_ = 0;
  int borderDay_ = 0;
  counters::Reuse reuse_;
  int fourDigitYear_ = 1;
};
