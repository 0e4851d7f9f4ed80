#pragma once
// One generated value: its text, a format hint that travels with it (a date or number mask, or the
// format a generator reports) and a 64-bit integer for callers that want one.
#include <cstdint>
#include <string>

#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API DGValue {
 public:
  DGValue() = default;
  DGValue(const DGValue& other) = default;  // copies all three fields
  // Assignment copies the texts only; the integer stays the receiver's own.
  DGValue& operator=(const DGValue& other);
  virtual ~DGValue();

  void Copy(const DGValue& other);  // same as assignment
  // True when the value text or the format text differ (exact comparison).
  bool operator!=(const DGValue& other) const;
  // Appends the other value's text and takes over its format.
  DGValue& operator+=(const DGValue& other);
  void Clear();

  std::wstring value;
  std::wstring format;
  int64_t number = 0;
};
