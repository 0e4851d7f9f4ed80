#pragma once
// `$inc(start, step, format, border, reuse)`: whole numbers that advance by a step, each given
// `reuse` times, back to the start once past the border (above a positive one when counting up,
// below it when counting down). `$inc(table, column, ...)` starts
// one step after the largest value stored in that column (its step, format, border and reuse
// then follow as parameters 3 to 6).
//
// The counter is signed 64-bit. Its range works like a border: when the next step would leave
// the range, the last value in range is given (with its reuse count) and the counter starts over.
#include <cstdint>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/counters/CounterSettings.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API IncData : public IGenerator {
 public:
  IncData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* connection,
          std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  void Reset() override;

 private:
  std::wstring Format(int64_t value) const;

  counters::CounterSettings<int64_t> settings_;
  std::wstring last_;
  DSynthor* engine_ = nullptr;
  int64_t current_ = 1;
  bool outOfRange_ = false;
};
