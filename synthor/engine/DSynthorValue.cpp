// Finding, compiling and rendering patterns, and recording column values.
#include <climits>
#include <memory>
#include <new>
#include <stdexcept>

#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/compiler/PatternCompiler.h"
#include "synthor/engine/items/CompiledItemRun.h"

using namespace engine_errors;

uint32_t DSynthor::FindPattern(const std::wstring& text) const {
  const auto it = patternIndex_.find(text);
  return it == patternIndex_.end() ? 0 : it->second;
}

uint32_t DSynthor::AddPattern(std::unique_ptr<CompiledPattern> pattern) {
  const auto handle = static_cast<uint32_t>(patterns_.size());
  patterns_.push_back(std::move(pattern));
  patternIndex_.emplace(patterns_.back()->source, handle);  // an earlier equal text keeps its handle
  return handle;
}

int DSynthor::Compile(const std::wstring& text, CompiledPattern* pattern, void* context) {
  if (!pattern) return 0;
  if (!PatternCompiler(*this, text, pattern, context).Run()) return 0;
  FuseCharacterRuns(pattern->items);
  return 1;
}

uint32_t DSynthor::Compile(const std::wstring& text, int reuse, int column, void* context) {
  if (!initialized_) return 0;
  if (reuse) {
    if (const uint32_t found = FindPattern(text)) return found;
  }
  uint32_t handle = 0;
  try {
    auto pattern = std::make_unique<CompiledPattern>(this);
    if (!Compile(text, pattern.get(), context)) return 0;
    errorText_.clear();
    pattern->source = text;
    handle = AddPattern(std::move(pattern));
  } catch (const std::bad_alloc&) {
    SetError(kOutOfMemory, kOutOfMemoryText);
    return 0;
  } catch (const std::length_error&) {
    SetError(kOutOfMemory, kOutOfMemoryText);
    return 0;
  }
  // The trial rendering proves the pattern can give a value; the sequences then start afresh.
  DGValue trial;
  QuoteOptions trialOptions;
  const bool outerTrial = trialRendering_;  // a nested pattern may be compiled during a trial
  trialRendering_ = true;
  const int rendered = Value(column, handle, &trial, &trialOptions, 0);
  trialRendering_ = outerTrial;
  if (!rendered) return 0;
  if (handle < patterns_.size()) patterns_[handle]->Reset();
  return handle;
}

uint32_t DSynthor::FindOrCompile(const std::wstring& text, int column) {
  if (const uint32_t found = FindPattern(text)) return found;
  return Compile(text, 0, column, nullptr);
}

int DSynthor::ValueOfFound(int column, uint32_t handle, DGValue* value, QuoteOptions* options) {
  if (handle >= patterns_.size()) return Value(column, handle, value, options, 0);  // reports it
  const CompiledPattern* pattern = patterns_[handle].get();
  if (value->format.empty() && !pattern->items.empty())
    value->format = pattern->items.front()->format;
  return Value(column, handle, value, options, 0);
}

int DSynthor::Value(int column, const std::wstring& text, DGValue* value, QuoteOptions* options) {
  if (!initialized_ || !value) return 0;
  const uint32_t handle = FindOrCompile(text, column);
  if (!handle) {
    value->value.clear();
    return 0;
  }
  return ValueOfFound(column, handle, value, options);
}

bool DSynthor::SourceIs(uint32_t handle, const std::wstring& text) const {
  return patterns_[handle]->source == text;
}

uint32_t DSynthor::FindAgain(const std::wstring& text, int column, PatternLookup* lookup) {
  const uint32_t found = FindOrCompile(text, column);
  if (found) {
    lookup->handle = found;
    lookup->generation = patternGeneration_;
  }
  return found;
}

int DSynthor::Value(int column, const std::wstring& text, PatternLookup* lookup, DGValue* value,
                    QuoteOptions* options) {
  if (!lookup) return Value(column, text, value, options);
  if (!initialized_ || !value) return 0;
  const uint32_t handle = FindByLookup(text, column, lookup);
  if (!handle) {
    value->value.clear();
    return 0;
  }
  return ValueOfFound(column, handle, value, options);
}

int DSynthor::NumberOrValue(const std::wstring& text, PatternLookup* lookup, DGValue* value,
                            int64_t* number) {
  if (!value) return 0;
  // A fresh value, as far as the rendering can tell: the pattern's format goes only into a value
  // that has none.
  value->value.clear();
  value->format.clear();
  value->number = 0;
  if (!lookup || !number) return Value(-1, text, lookup, value, nullptr);
  if (!initialized_) return 0;
  const uint32_t handle = FindByLookup(text, -1, lookup);
  if (!handle) return 0;
  if (handle >= patterns_.size() || patterns_[handle]->items.size() != 1)
    return ValueOfFound(-1, handle, value, nullptr);
  // What ValueOfFound and Value by handle do for a pattern of one item, that item being asked
  // for a number.
  CompiledPattern* pattern = patterns_[handle].get();
  CompiledItem* item = pattern->items.front().get();
  if (!item->format.empty()) value->format = item->format;  // cleared above
  errorCode_ = 0;
  if (!EnterNested()) return 0;
  int result = 0;
  try {
    result = item->NumberOrValue(value, pattern->engine, nullptr, number);
    if (result == 1 && !CanGrow(value->value.size(), 0)) result = 0;
  } catch (const std::bad_alloc&) {
    SetError(kOutOfMemory, kOutOfMemoryText);
  } catch (const std::length_error&) {
    SetError(kOutOfMemory, kOutOfMemoryText);
  }
  LeaveNested();
  return result;
}

int DSynthor::Value(const std::wstring& text, DGValue* value) {
  return Value(-1, text, value, nullptr);
}

int DSynthor::Value(const std::wstring& text, DGValue* value, QuoteOptions* options) {
  return Value(-1, text, value, options);
}

int DSynthor::Value(int column, uint32_t handle, DGValue* value, QuoteOptions* options,
                    int append) {
  errorCode_ = 0;
  if (!initialized_ || handle == 0 || handle >= patterns_.size() || !value) {
    SetError(kWrongHandle, platform::Format(kWrongHandleText, static_cast<int>(handle),
                                            initialized_, static_cast<int>(patterns_.size())));
    return 0;
  }
  if (!EnterNested()) return 0;
  int result = 0;
  try {
    if (!append) value->value.clear();
    CompiledPattern* pattern = patterns_[handle].get();
    if (options) options->Merge(pattern->quotes);
    result = pattern->Render(value, options);
  } catch (const std::bad_alloc&) {
    SetError(kOutOfMemory, kOutOfMemoryText);
  } catch (const std::length_error&) {
    SetError(kOutOfMemory, kOutOfMemoryText);
  }
  LeaveNested();
  if (!result) return 0;
  if (column >= 0) SetValue(column, value);
  return 1;
}

void DSynthor::SetValue(int column, const DGValue* value) {
  if (!value) return;
  // Without constructs that read other columns, values are recorded for the first row only.
  if (depFlag1_ == 0 && depFlag2_ == 0 && depCounter_ < 0) return;
  if (column >= 0 && static_cast<std::size_t>(column) < columns_.size()) {
    ColumnValues& c = columns_[column];
    // The old current text becomes the previous one.
    c.currentText = 1 - c.currentText;
    c.texts[c.currentText] = value->value;
    if (value->format.empty())
      c.format.clear();  // the usual case, and cheaper than assigning nothing
    else
      c.format = value->format;
  }
  if (depCounter_ > 0 && column < depCounter_)
    depCounter_ = -1;
  else if (depCounter_ < INT_MAX)
    ++depCounter_;
}

int DSynthor::nValues(const std::wstring& text) {
  if (!initialized_) return 0;
  const uint32_t handle = Compile(text, 1, -1, nullptr);
  if (handle == 0 || handle >= patterns_.size()) return 0;
  return patterns_[handle]->nValues();
}

void DSynthor::Reset(uint32_t handle) {
  if (handle < patterns_.size()) patterns_[handle]->Reset();
}

int DSynthor::MakeValueArray(int n, const std::vector<std::wstring>* patterns,
                             std::vector<std::wstring>* out) {
  if (!patterns || !out) return 0;
  std::vector<uint32_t> handles;
  handles.reserve(patterns->size());
  for (std::size_t i = 0; i < patterns->size(); ++i)
    handles.push_back(Compile((*patterns)[i], 1, static_cast<int>(i), nullptr));
  out->clear();
  for (int round = 0; round < n; ++round) {
    for (const uint32_t handle : handles) {
      DGValue value;
      Value(-1, handle, &value, nullptr, 0);
      out->push_back(value.value);
    }
  }
  return 1;
}

std::wstring DSynthor::ResolveVars(const std::wstring& text) {
  if (text.empty() || !Callback()) return text;
  DGValue resolved;
  if (!Value(platform::Format(L"$Vars(%ls)", text.c_str()), &resolved)) return text;
  return resolved.value;
}
