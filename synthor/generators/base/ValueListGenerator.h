#pragma once
// The base of the generators that load one list of values from a data source and hand out one
// value per call, at random or in order.
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class CompiledPattern;
class DSynthor;

class SYNTHOR_API ValueListGenerator : public IGenerator {
 public:
  explicit ValueListGenerator(DSynthor* engine) : engine_(engine) {}
  void Reset() override;
  int nValues() override { return static_cast<int>(values_.size()); }
  std::vector<std::wstring>* AllData() override { return &values_; }

 protected:
  // Every value passes the quote check of `pattern`; ready when there is at least one.
  void Loaded(CompiledPattern* pattern);
  // The next value (the next position when `sequential`, else a random one); `empty` when there
  // is none.
  std::wstring Draw(bool sequential, const std::wstring& empty);

  std::vector<std::wstring> values_;
  int next_ = 0;
  DSynthor* engine_ = nullptr;
};
