#pragma once
// `$inctime(mask, from, step, unit, border, reuse)`: times of day by a mask, advancing by a step
// of hours (H), minutes (M or m) or seconds (S) and wrapping at midnight; `from` may name a table
// whose column (the next parameter) gives the time to continue after. A mask holding "AM" shows a
// 12-hour clock with AM or PM.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/counters/CounterSupport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API IncTimeData : public IGenerator {
 public:
  struct Fields {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
  };

  IncTimeData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* connection,
              std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 private:
  void Step(Fields* f) const;

  std::wstring mask_;
  std::wstring last_;
  int step_ = 1;
  wchar_t unit_ = L'S';
  Fields start_;
  Fields current_;
  Fields border_{-1, 0, 0, 0};  // hour -1: none
  counters::Reuse reuse_;
};
