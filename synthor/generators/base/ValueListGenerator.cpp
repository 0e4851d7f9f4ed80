#include "synthor/generators/base/ValueListGenerator.h"

#include "synthor/engine/DSynthor.h"

void ValueListGenerator::Reset() {
  next_ = 0;
  currentRow = 0;
}

void ValueListGenerator::Loaded(CompiledPattern* pattern) {
  for (const std::wstring& value : values_) DSynthor::CheckForQuotes(value, pattern);
  ready = values_.empty() ? 0 : 1;
}

std::wstring ValueListGenerator::Draw(bool sequential, const std::wstring& empty) {
  const int n = static_cast<int>(values_.size());
  if (!ready || n == 0) return empty;
  const int index = sequential ? next_ % n : (engine_ ? engine_->random.Next(n) : 0);
  currentRow = index;
  next_ = (next_ + 1) % n;
  return values_[static_cast<std::size_t>(index)];
}
