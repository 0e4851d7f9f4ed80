#include "synthor/generators/base/RowSetGenerator.h"

#include "synthor/engine/DSynthor.h"

void RowSetGenerator::Reset() {
  next_ = 0;
  currentRow = 0;
}

int RowSetGenerator::nValues() {
  return columns_.empty() ? 0 : static_cast<int>(columns_.front().size());
}

void RowSetGenerator::Loaded(CompiledPattern* pattern) {
  for (const auto& column : columns_)
    for (const std::wstring& value : column) DSynthor::CheckForQuotes(value, pattern);
  ready = columns_.empty() ? 0 : 1;
}

std::wstring RowSetGenerator::DrawRow(bool sequential, const std::wstring& empty) {
  const int n = nValues();
  if (!ready || n == 0) return empty;
  const int row = sequential ? next_ % n : (engine_ ? engine_->random.Next(n) : 0);
  currentRow = row;
  next_ = (next_ + 1) % n;
  return columns_.front()[static_cast<std::size_t>(row)];
}

RowSetGenerator::Cell RowSetGenerator::Lookup(int column, std::wstring* value) const {
  if (!ready || column < 1 || static_cast<std::size_t>(column) > columns_.size())
    return Cell::kNoColumn;
  const std::vector<std::wstring>& values = columns_[static_cast<std::size_t>(column - 1)];
  if (currentRow < 0 || static_cast<std::size_t>(currentRow) >= values.size()) return Cell::kNoRow;
  if (value) *value = values[static_cast<std::size_t>(currentRow)];
  return Cell::kFound;
}
