#include "synthor/generators/library/LibData.h"

#include <mutex>
#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/library/VLibrary.h"

namespace {

constexpr int kNoParameters = 1800;
constexpr int kCannotOpen = 1801;

// Engines on several threads initialise at once; the folder text must never be read while
// another thread is replacing it.
std::mutex& FolderLock() {
  static std::mutex lock;
  return lock;
}

std::wstring& Folder() {
  static std::wstring folder;
  return folder;
}

}  // namespace

void LibData::SetLibraryFolder(const wchar_t* path) {
  std::lock_guard<std::mutex> guard(FolderLock());
  Folder() = path ? path : L"";
}

std::wstring LibData::LibraryFolder() {
  std::lock_guard<std::mutex> guard(FolderLock());
  return Folder();
}

VLibrary* LibData::OpenLibrary(DSynthor* engine) {
  VLibrary* library = engine ? engine->Library() : nullptr;
  if (!library) return nullptr;
  if (!library->IsOpen()) library->Open(LibraryFolder(), 1);
  return library->IsOpen() ? library : nullptr;
}

bool LibData::FindColumnReference(const std::wstring& filter, std::size_t* at, std::wstring* name,
                                  bool* unterminated) {
  *unterminated = false;
  const std::size_t start = filter.find(L"@'");
  if (start == std::wstring::npos) return false;
  const std::size_t end = filter.find(L'\'', start + 2);
  if (end == std::wstring::npos) {
    *unterminated = true;
    return false;
  }
  *at = start;
  *name = filter.substr(start + 2, end - start - 2);
  return true;
}

LibData::LibData(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
                 std::wstring* errorText, int* errorCode)
    : engine_(engine), pattern_(pattern) {
  if (!args || args->empty()) {
    ReportConstructionError(errorText, errorCode, kNoParameters,
                            L"LibData: the function expects at least one parameter.");
    return;
  }
  list_ = (*args)[0];
  column_ = Param(args, 1).empty() ? std::wstring(L"Name") : Param(args, 1);
  maxLength_ = platform::ToInt(Param(args, 2));
  sequential_ = platform::ToInt(Param(args, 3));
  filter_ = Param(args, 4);
  if (args->size() >= 4 && engine_) engine_->MarkDependent();
  bool unterminated = false;
  hasReference_ = FindColumnReference(filter_, &referenceAt_, &referenceName_, &unterminated);
  if (unterminated) {
    ReportConstructionError(
        errorText, errorCode, kNoParameters,
        platform::Format(L"LibData: the column reference in the filter '%ls' has no closing "
                         L"quote.",
                         filter_.c_str()));
    return;
  }
  library_ = OpenLibrary(engine_);
  if (!library_) {
    ReportConstructionError(
        errorText, errorCode, kCannotOpen,
        platform::Format(L"LibData: could not open library at '%ls'.", LibraryFolder().c_str()));
    return;
  }
  ready = !list_.empty() && !column_.empty() ? 1 : 0;
}

std::wstring LibData::ResolvedFilter() const {
  if (!engine_ || !hasReference_) return filter_;
  const std::vector<std::wstring>& columns = engine_->ColumnNames();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] != referenceName_) continue;
    std::wstring filter = filter_;
    filter.replace(referenceAt_, referenceName_.size() + 3,
                   platform::ReplaceAll(engine_->CurrentValue(i), L"'", L"''"));
    return filter;
  }
  return filter_;
}

std::wstring LibData::Value(std::wstring*) {
  if (!ready || !library_) return std::wstring();
  const std::wstring filter = ResolvedFilter();
  std::wstring errorText;
  int errorCode = 0;
  // The library's read position is shared by its lists and no Reset of ours takes it back, so a
  // trial value of a sequential read is the list's first one, read without moving.
  std::vector<std::wstring> trialValues;
  if (sequential_ && engine_ && engine_->TrialRendering() &&
      library_->LoadList(list_, column_, filter, &trialValues) == 0 && !trialValues.empty())
    return trialValues.front();
  std::wstring value =
      library_->ListValue(list_, column_, filter, maxLength_, sequential_, &errorText, &errorCode);
  if (errorCode != 0) {
    if (engine_) engine_->SetError(errorCode, errorText);
    return std::wstring();
  }
  if (checkedFilters_.insert(filter).second) {
    std::vector<std::wstring> values;
    if (library_->LoadList(list_, column_, filter, &values) == 0)
      for (const std::wstring& v : values) DSynthor::CheckForQuotes(v, pattern_);
  }
  return value;
}

IGenerator* LibData::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      LibData(call.args, call.pattern, EngineOf(call), call.errorText, call.errorCode);
}
