#include "synthor/generators/choices/ListData.h"

#include <algorithm>

#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/choices/ChoiceGenerators.h"
#include "synthor/engine/PatternExcerpt.h"

namespace {

bool IsSequentialMode(const std::wstring& mode) {
  return mode == L"S" || mode == L"SN" || mode == L"1" || platform::EqualsNoCase(mode, L"true");
}

}  // namespace

ListData::ListData(const std::vector<std::wstring>* params, CompiledPattern* pattern,
                   std::wstring* errorText, int* errorCode)
    : engine_(pattern ? pattern->engine : nullptr) {
  if (!params || params->size() < 2) {
    ReportConstructionError(errorText, errorCode, kArguments, kArgumentsText);
    return;
  }
  if (!engine_) return;
  const std::wstring& mode = params->front();
  literal_ = mode.find(L'N', 1) != std::wstring::npos;
  sequential_ = IsSequentialMode(mode);
  if (sequential_) {
    // Which item comes next depends on the values given before.
    engine_->MarkDependent();
    items_.reserve(params->size() - 1);
    for (std::size_t i = 1; i < params->size(); ++i) {
      DSynthor::CheckForQuotes((*params)[i], pattern);
      items_.push_back((*params)[i]);
    }
    ready = 1;
    return;
  }
  if (ReadWeightedItems(*params, pattern, errorText, errorCode)) ready = 1;
}

bool ListData::ReadWeightedItems(const std::vector<std::wstring>& params,
                                 CompiledPattern* pattern, std::wstring* errorText,
                                 int* errorCode) {
  if (params.size() % 2 == 0) {
    ReportConstructionError(errorText, errorCode, kIncompletePair, kIncompletePairText);
    return false;
  }
  const std::size_t pairs = (params.size() - 1) / 2;
  // An item without a weight takes an equal share of the 100 draws.
  const int share = static_cast<int>(100 / pairs);
  unsigned total = 0;
  for (std::size_t i = 1; i + 1 < params.size(); i += 2) {
    const std::wstring& item = params[i];
    const std::wstring& weightText = params[i + 1];
    const int weight = weightText.empty() ? share : platform::ToInt(weightText);
    if (weight <= 0) {
      ReportConstructionError(errorText, errorCode, kWeight,
                              platform::Format(kWeightText, PatternExcerpt(weightText).c_str()));
      return false;
    }
    DSynthor::CheckForQuotes(item, pattern);
    items_.push_back(item);
    // The running sums are 16-bit; larger totals saturate rather than wrap.
    total = std::min(total + static_cast<unsigned>(std::min(weight, 65535)), 65535u);
    cumulative_.push_back(static_cast<uint16_t>(total));
  }
  return true;
}

std::size_t ListData::DrawIndex() {
  if (sequential_) {
    if (position_ >= items_.size()) position_ = 0;
    return position_++;
  }
  // The first item also takes every draw at or above the total, so weights should add up to 100.
  const int r = engine_->random.Next(100);
  for (std::size_t i = 1; i < items_.size(); ++i) {
    if (cumulative_[i - 1] <= r && r < cumulative_[i]) return i;
  }
  return 0;
}

std::wstring ListData::Value(std::wstring* format) {
  if (!ready || items_.empty()) return std::wstring();
  const std::wstring& item = items_[DrawIndex()];
  if (literal_) return item;
  DGValue v;
  if (!engine_->Value(item, &v)) {
    engine_->SetError(kCalculate, platform::Format(kCalculateText, PatternExcerpt(item).c_str(),
                                                   engine_->Error().c_str()));
    return std::wstring();
  }
  if (format) *format = v.format;
  return v.value;
}

void ListData::Reset() { position_ = 0; }

int ListData::nValues() { return static_cast<int>(items_.size()); }

std::vector<std::wstring>* ListData::AllData() { return &items_; }

IGenerator* MakeListData(const GeneratorCall& call) {
  return new ListData(call.args, call.pattern, call.errorText, call.errorCode);
}
