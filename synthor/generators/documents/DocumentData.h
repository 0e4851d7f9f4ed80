#pragma once
// What `$xml` and `$json` share: the values found in a document read from a file or downloaded,
// handed out at random.
#include <cstddef>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class DSynthor;

class SYNTHOR_API DocumentData : public IGenerator {
 public:
  // One of the values at random; an empty text when there are none.
  std::wstring Value(std::wstring* format) override;
  int nValues() override { return static_cast<int>(values_.size()); }
  std::vector<std::wstring>* AllData() override { return &values_; }

  // A source is downloaded when it begins with "https://", "http://" or "ftp://" (exact case)
  // and has at least `minLength` characters; otherwise it is a file path.
  static bool IsWebSource(const std::wstring& source, std::size_t minLength);

 protected:
  explicit DocumentData(DSynthor* engine) : engine_(engine) {}

  std::vector<std::wstring> values_;
  DSynthor* engine_ = nullptr;
};
