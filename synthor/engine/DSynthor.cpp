// The engine's life cycle, connections, columns, errors and options.
#include "synthor/engine/DSynthor.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "mervis/Log.h"
#include "platform/Text.h"
#include "synthor/engine/TextPhrases.h"
#include "synthor/engine/items/CompiledItemGenerator.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/base/IGenerator.h"
#include "synthor/generators/library/LibData.h"
#include "synthor/generators/library/VLibrary.h"
#include "synthor/engine/PatternExcerpt.h"

using namespace engine_errors;

namespace {

// Process-wide: every engine of a process is initialised with the same callback.
std::atomic<ValueCallback> g_callback{nullptr};

const std::wstring& Empty() {
  static const std::wstring empty;
  return empty;
}

}  // namespace

namespace {

uint64_t NewPatternGeneration() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

DSynthor::DSynthor()
    : library_(std::make_unique<VLibrary>(this)),
      defaultConnection_(std::make_unique<CDB_API>()),
      patternGeneration_(NewPatternGeneration()),
      maxValueLength_(kMaxValueLength) {}

DSynthor::~DSynthor() {
  Terminate();
  phrases_.reset();
  library_.reset();
  DeletePatterns();
  if (defaultConnection_) defaultConnection_->Close();
}

int DSynthor::Initialize(const std::wstring& libraryPath, uint32_t seed, ValueCallback callback,
                         int64_t) {
  CLog::State(L"DSynthor::Initialize");
  Clear();
  if (!libraryPath.empty()) libraryPath_ = libraryPath;
  if (!seeded_) {
    random.Init(seed != 0 ? seed : DGRandom::FreshSeed());
    seeded_ = 1;
  }
  LibData::SetLibraryFolder(libraryPath.c_str());
  g_callback.store(callback);
  blockStart_ = blockEnd_ = 0;
  initialized_ = 1;
  CLog::State(nullptr);
  return 1;
}

int DSynthor::Initialize(DSynthor* master) {
  Clear();
  if (master) libraryPath_ = master->libraryPath_;
  if (!seeded_) {
    random.Init(DGRandom::FreshSeed());
    seeded_ = 1;
  }
  LibData::SetLibraryFolder(libraryPath_.c_str());
  blockStart_ = blockEnd_ = 0;
  initialized_ = 1;
  return 1;
}

void DSynthor::SetConnection(CDB* connection) {
  if (!initialized_) {
    errorText_ = kNotInitializedText;
    return;
  }
  if (customConnection_) customConnection_->Close();
  customConnection_ = std::make_unique<CDB_API>(connection);
}

void DSynthor::SetConnection(const std::wstring& dsn, const std::wstring& user,
                             const std::wstring& password) {
  if (!initialized_) {
    errorText_ = kNotInitializedText;
    return;
  }
  dsn_ = dsn;
  user_ = user;
  password_ = password;
  defaultConnection_->Connect(dsn, user, password);
}

void DSynthor::AddColumnName(const std::wstring& name) {
  columnNames_.push_back(name);
  columns_.emplace_back();
}

void DSynthor::Clear() {
  DeletePatterns();
  patterns_.push_back(std::make_unique<CompiledPattern>(this));  // handle 0: never a valid result
  depFlag1_ = depFlag2_ = 0;
}

TextPhrases* DSynthor::Phrases() {
  if (!phrases_) phrases_ = std::make_unique<TextPhrases>(this);
  return phrases_.get();
}

void DSynthor::Terminate() {
  Clear();
  depFlag1_ = depFlag2_ = 0;
  columnNames_.clear();
  columns_.clear();
  DeleteGenerators();
  if (customConnection_) {
    customConnection_->Close();
    customConnection_.reset();
  }
}

void DSynthor::DeletePatterns() {
  patterns_.clear();
  patternIndex_.clear();
  patternGeneration_ = NewPatternGeneration();
}

void DSynthor::DeleteGenerators() {
  // Newest first: a generator may refer to one made before it.
  while (!generators_.empty()) generators_.pop_back();
}

int DSynthor::Error(std::wstring* text) const {
  if (text) *text = errorText_;
  return errorCode_;
}

void DSynthor::SetError(int code, const wchar_t* text) {
  errorCode_ = code;
  if (text) errorText_ = text;
}

void DSynthor::SetError(int code, const std::wstring& text) {
  errorCode_ = code;
  errorText_ = text;
}

void DSynthor::VariableError(int status, const std::wstring& name) {
  if (status == 1)
    SetError(kVariableModifier,
             platform::Format(kVariableModifierText, PatternExcerpt(name).c_str()));
  else
    SetError(kVariableNotFound,
             platform::Format(kVariableNotFoundText, PatternExcerpt(name).c_str()));
}

void DSynthor::DisableDepCheck() { depFlag1_ = depFlag2_ = 1; }

void DSynthor::SetOldValues(const std::vector<std::wstring>* values, const std::wstring* text) {
  oldValues_ = values;
  oldText_ = text;
}

void DSynthor::SetMaxValueLength(std::size_t length) {
  maxValueLength_ = std::clamp<std::size_t>(length, 1, kMaxValueLength);
}

int DSynthor::MakeGenerator(int opCode, IGenerator* generator, CompiledPattern* pattern) {
  // Listed before anything else can fail, so the engine deletes it whatever happens; also one
  // whose constructor reported an error. Null means it could not be made: the item then reports
  // "No generator available" when it is rendered.
  if (generator) {
    std::unique_ptr<IGenerator> owned(generator);
    try {
      generators_.push_back(std::move(owned));
    } catch (const std::bad_alloc&) {
      SetError(kOutOfMemory, kOutOfMemoryText);
      return 0;
    }
  }
  if (pattern) {
    auto item = std::make_unique<CompiledItemGenerator>(this, opCode);
    item->generator = generator;
    pattern->Add(std::move(item));
  }
  return errorCode_ == 0 ? 1 : 0;
}

const std::wstring& DSynthor::CurrentValue(std::size_t column) const {
  return column < columns_.size() ? columns_[column].Current() : Empty();
}

const std::wstring& DSynthor::PreviousValue(std::size_t column) const {
  return column < columns_.size() ? columns_[column].Previous() : Empty();
}

const std::wstring& DSynthor::ColumnFormat(std::size_t column) const {
  return column < columns_.size() ? columns_[column].format : Empty();
}

const std::wstring& DSynthor::OldText() const { return oldText_ ? *oldText_ : Empty(); }

CDB_API* DSynthor::CurrentConnection() const {
  return customConnection_ ? customConnection_.get() : defaultConnection_.get();
}

ValueCallback DSynthor::Callback() { return g_callback.load(); }

bool DSynthor::TooLong() {
  SetError(kTooLong,
           platform::Format(kTooLongText, static_cast<unsigned long long>(maxValueLength_)));
  return false;
}

bool DSynthor::TooDeep() {
  SetError(kTooDeep, kTooDeepText);
  return false;
}
