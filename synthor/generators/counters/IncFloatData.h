#pragma once
// `$incfloat(start, step, format, border, reuse)`: `$inc` for floating-point numbers (start and
// step default 1.0, format "%f"); `$incfloat(table, column, ...)` continues a column. A counter
// that leaves the finite numbers starts over, as at its border.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/counters/CounterSettings.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API IncFloatData : public IGenerator {
 public:
  IncFloatData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* connection,
               std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 private:
  std::wstring Format(double value) const;

  counters::CounterSettings<double> settings_;
  std::wstring last_;
  DSynthor* engine_ = nullptr;
  double current_ = 1;
};
