#include "synthor/engine/DGValue.h"

DGValue& DGValue::operator=(const DGValue& other) {
  Copy(other);
  return *this;
}

DGValue::~DGValue() = default;

void DGValue::Copy(const DGValue& other) {
  if (this == &other) return;
  value = other.value;
  format = other.format;
}

bool DGValue::operator!=(const DGValue& other) const {
  return value != other.value || format != other.format;
}

DGValue& DGValue::operator+=(const DGValue& other) {
  if (this == &other) {
    value += std::wstring(other.value);
    return *this;
  }
  value += other.value;
  format = other.format;
  return *this;
}

void DGValue::Clear() {
  value.clear();
  format.clear();
  number = 0;
}
