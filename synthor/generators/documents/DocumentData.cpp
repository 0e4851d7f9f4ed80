#include "synthor/generators/documents/DocumentData.h"

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"

std::wstring DocumentData::Value(std::wstring*) {
  if (values_.empty()) return std::wstring();
  const int n = static_cast<int>(values_.size());
  const int index = engine_ ? engine_->random.Next(n) : 0;
  return values_[static_cast<std::size_t>(index)];
}

bool DocumentData::IsWebSource(const std::wstring& source, std::size_t minLength) {
  if (source.size() < minLength) return false;
  return platform::StartsWith(source, L"https://") || platform::StartsWith(source, L"http://") ||
         platform::StartsWith(source, L"ftp://");
}
