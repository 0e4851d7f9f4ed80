#pragma once
// `$incfloat(start, step, format, border, reuse)`: `$inc` for floating-point numbers (start and
// step default 1.0, format "%f"); `$incfloat(table, column, ...)` continues a column. A counter
// that leaves the finite numbers starts over, as at its border.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/CounterSupport.h"
#include "synthor/generators/IGenerator.h"

class DSynthor;

class SYNTHOR_API IncFloatData : public IGenerator {
 public:
  IncFloatData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* connection,
               std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 private:
  std::wstring Format(double value) const;

  std::wstring last_;
  std::wstring borderText_;
  std::wstring reuseText_;
  std::wstring format_;  // empty: "%f"
  DSynthor* engine_ = nullptr;
  double current_ = 1.0;
  double start_ = 1.0;
  double step_ = 1.0;
  double border_ = 0.0;  // 0: none
  counters::Reuse reuse_;
};
