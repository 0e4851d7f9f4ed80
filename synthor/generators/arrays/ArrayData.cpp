#include "synthor/generators/arrays/ArrayData.h"

#include <algorithm>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

const std::wstring* Parameter(const std::vector<std::wstring>& params, std::size_t index) {
  return index < params.size() ? &params[index] : nullptr;
}

int ReadCount(const std::wstring* text) {
  const int n = text ? platform::ToInt(*text) : 0;
  return std::clamp(n, 1, ArrayData::kMaxCount);
}

}  // namespace

void ArrayData::ReadShape(const std::vector<std::wstring>& params, std::size_t minIndex,
                          std::size_t maxIndex, int quoteIndex, std::size_t separatorIndex) {
  minCount_ = ReadCount(Parameter(params, minIndex));
  maxCount_ = std::max(ReadCount(Parameter(params, maxIndex)), minCount_);
  quote_.clear();
  if (quoteIndex >= 0) {
    const std::wstring* q = Parameter(params, static_cast<std::size_t>(quoteIndex));
    if (q) quote_ = *q;
  }
  const std::wstring* separator = Parameter(params, separatorIndex);
  separator_ = separator && !separator->empty() ? *separator : std::wstring(L",");
}

bool ArrayData::CompileNested(const std::wstring& text, int code, const wchar_t* codeText,
                              std::wstring* errorText, int* errorCode) {
  if (!engine_) return false;
  handle_ = engine_->Compile(text, 0, -1, nullptr);
  if (handle_ == 0) {
    ReportConstructionError(errorText, errorCode, code, codeText);
    return false;
  }
  engine_->MarkDependent();
  return true;
}

std::wstring ArrayData::Value(std::wstring* format) {
  if (!ready || !engine_ || handle_ == 0) return std::wstring();
  // The maximum is reached only when it equals the minimum: the draw is below the difference.
  const int count =
      minCount_ == maxCount_ ? minCount_ : minCount_ + engine_->random.Next(maxCount_ - minCount_);
  QuoteOptions options;
  std::wstring result;
  for (int i = 0; i < count; ++i) {
    DGValue v;
    if (!engine_->Value(-1, handle_, &v, &options, 0)) {
      engine_->SetError(kCalculate, kCalculateText);
      return std::wstring();
    }
    const std::size_t extra =
        (i > 0 ? separator_.size() : 0) + 2 * quote_.size() + v.value.size();
    if (!engine_->CanGrow(result.size(), extra)) return std::wstring();
    if (i > 0) result += separator_;
    result += quote_;
    result += v.value;
    result += quote_;
    if (format) *format = v.format;
  }
  return result;
}

void ArrayData::Reset() {
  if (engine_ && handle_ != 0) engine_->Reset(handle_);
}
