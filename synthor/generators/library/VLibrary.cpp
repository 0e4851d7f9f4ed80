#include "synthor/generators/library/VLibrary.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <iterator>

#include "kavra/SqlLiteral.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/library/LibraryTreeSink.h"
#include "synthor/generators/base/UserNotice.h"
#include "synthor/generators/library/VLibraryTables.h"

using vlibrary::IsXmlPath;

namespace {

// Draws of ListValue for a value no longer than the maximum.
constexpr int kLengthDraws = 10;

// The user's condition kept whole when it is joined to the reader's own with "and".
std::wstring Condition(const std::wstring& filter) {
  return filter.empty() ? filter : L"(" + filter + L")";
}

}  // namespace

VLibrary::VLibrary(DSynthor* engine) : engine_(engine) {}

VLibrary::~VLibrary() { Close(); }

int VLibrary::Open(const std::wstring& path, int loadTOC, bool writable) {
  int result = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    result = OpenLocked(path, loadTOC, writable);
  }
  ShowNotices();
  return result;
}

int VLibrary::OpenLocked(const std::wstring& path, int loadTOC, bool writable) {
  CLog::State2(platform::Format(L"VLibrary::Open(%ls)", path.c_str()));
  CloseLocked();
  ClearCacheLocked();
  toc_.clear();
  position_ = 0;
  path_ = path;
  source_ = std::make_unique<CDB_API>();
  if (IsXmlPath(path)) {
    if (ImportXmlLocked(path) != 0) return -1;
  } else if (!source_->Open(path, CDB_API::kSqliteFile, writable ? 0 : 1)) {
    CLog::Bug2(platform::Format(L"Open Value Library '%ls' error: %ls", path.c_str(),
                                source_->LastError().c_str()));
    return 1;
  }
  writable_ = writable;
  opened_ = true;
  return loadTOC ? LoadTOCLocked(nullptr) : 0;
}

void VLibrary::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  CloseLocked();
}

void VLibrary::CloseLocked() {
  if (source_) source_->Close();
  opened_ = false;
  writable_ = false;
  if (!importFile_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(platform::NativePath(importFile_), ignored);
    importFile_.clear();
  }
}

bool VLibrary::IsXml() const {
  std::lock_guard<std::mutex> guard(lock_);
  return opened_ && !importFile_.empty();
}

bool VLibrary::IsOpen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return opened_;
}

const std::vector<std::wstring>* VLibrary::ListLocked(const std::wstring& table,
                                                      const std::wstring& column,
                                                      const std::wstring& filter,
                                                      std::wstring* error) {
  Key key{table, column, filter};
  auto found = cacheIndex_.find(key);
  if (found != cacheIndex_.end()) {
    cache_.splice(cache_.begin(), cache_, found->second);
    return &cache_.front().values;
  }
  if (!opened_ || !source_) {
    *error = platform::Format(L"The value library '%ls' is not open.", path_.c_str());
    return nullptr;
  }
  std::vector<std::wstring> values;
  if (source_->GetColumn(table, column, Condition(filter), &values) != 0) {
    *error = source_->LastError();
    return nullptr;
  }
  return CacheLocked(std::move(key), std::move(values));
}

const std::vector<std::wstring>* VLibrary::CacheLocked(Key key, std::vector<std::wstring> values) {
  cachedValues_ += values.size();
  cache_.push_front({key, std::move(values)});
  cacheIndex_.emplace(std::move(key), cache_.begin());
  while (cache_.size() > 1 && (cache_.size() > kCachedLists || cachedValues_ > kCachedValues)) {
    cachedValues_ -= cache_.back().values.size();
    cacheIndex_.erase(cache_.back().key);
    cache_.pop_back();
  }
  return &cache_.front().values;
}

void VLibrary::ClearCacheLocked() {
  cache_.clear();
  cacheIndex_.clear();
  cachedValues_ = 0;
}

void VLibrary::NoticeLocked(const std::wstring& caption, const std::wstring& text) {
  notices_.emplace_back(caption, text);
}

void VLibrary::ShowNotices() {
  std::vector<std::pair<std::wstring, std::wstring>> due;
  {
    std::lock_guard<std::mutex> guard(lock_);
    due.swap(notices_);
  }
  for (const auto& [caption, text] : due) user_notice::Show(caption, text);
}

std::wstring VLibrary::OneValueLocked(const std::vector<std::wstring>& values, bool sequential) {
  if (values.empty()) return std::wstring();
  if (sequential) {
    // One position serves every list; a longer list may have left it beyond this one's end.
    if (position_ >= values.size()) position_ = 0;
    const std::wstring& value = values[position_];
    if (++position_ >= values.size()) position_ = 0;
    return value;
  }
  const int count = static_cast<int>(std::min<std::size_t>(values.size(), INT_MAX));
  return engine_ ? values[static_cast<std::size_t>(engine_->random.Next(count))] : values.front();
}

std::wstring VLibrary::ListValue(const std::wstring& table, const std::wstring& column,
                                 const std::wstring& filter, int maxLength, int sequential,
                                 std::wstring* errorText, int* errorCode) {
  std::lock_guard<std::mutex> guard(lock_);
  std::wstring error;
  const std::vector<std::wstring>* values = ListLocked(table, column, filter, &error);
  if (!values) {
    if (errorText) *errorText = error;
    if (errorCode) *errorCode = kListUnavailable;
    return std::wstring();
  }
  if (maxLength <= 0) return OneValueLocked(*values, sequential != 0);
  for (int draw = 0; draw < kLengthDraws; ++draw) {
    std::wstring value = OneValueLocked(*values, sequential != 0);
    if (value.size() <= static_cast<std::size_t>(maxLength)) return value;
  }
  if (errorText) *errorText = L"VLibrary::ListValue could not find value with enough length.";
  if (errorCode) *errorCode = kNoValueShortEnough;
  return std::wstring();
}

int VLibrary::LoadList(const std::wstring& table, const std::wstring& column,
                       const std::wstring& filter, std::vector<std::wstring>* values) {
  std::lock_guard<std::mutex> guard(lock_);
  std::wstring error;
  const std::vector<std::wstring>* list = ListLocked(table, column, filter, &error);
  if (!list) {
    CLog::Bug2(platform::Format(L"Load list '%ls.%ls' error: %ls", table.c_str(), column.c_str(),
                                error.c_str()));
    return -1;
  }
  if (values) *values = *list;
  return 0;
}

int VLibrary::LoadLists(const std::wstring& table, const std::vector<std::wstring>& columns,
                        Columns* rows, const std::wstring& filter, std::wstring* errorText) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!opened_ || !source_) {
    if (errorText)
      *errorText = platform::Format(L"The value library '%ls' is not open.", path_.c_str());
    return -1;
  }
  const std::wstring where = Condition(filter);
  const int result = source_->GetColumns(table, columns, rows, filter.empty() ? nullptr : &where);
  if (result != 0 && errorText) *errorText = source_->LastError();
  return result;
}

int VLibrary::LoadTOC() { return LoadTOC(nullptr); }

int VLibrary::LoadTOC(LibraryTreeSink* tree) {
  int result = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    result = LoadTOCLocked(tree);
  }
  ShowNotices();
  return result;
}

// Entries come in catalogue order, the order in which the library's author made them.
int VLibrary::LoadTOCLocked(LibraryTreeSink* tree) {
  using Kind = LibraryTreeSink::NodeKind;
  toc_.clear();
  if (!opened_ || !source_) return -1;
  std::vector<std::wstring> groups;
  if (source_->GetQuery(L"select Name from _Index where Parent=0 and Hidden=0 order by ID",
                        &groups) != 0) {
    const std::wstring message = L"Load Table of Content:\n" + source_->LastError();
    CLog::Bug2(message);
    NoticeLocked(L"Value Library Error", message);
    return -1;
  }
  for (const std::wstring& group : groups) {
    const auto groupNode = tree ? tree->AddNode(LibraryTreeSink::kRoot, group, Kind::Group) : 0;
    std::vector<std::wstring> tables;
    source_->GetQuery(L"select a.Name from _Index a, _Index b where a.Parent=b.ID and b.Name=" +
                          SqlStringLiteral(group) + L" and a.Hidden=0 order by a.ID",
                      &tables);
    for (const std::wstring& table : tables) {
      const auto tableNode = tree ? tree->AddNode(groupNode, table, Kind::List) : 0;
      std::vector<std::wstring> columns;
      source_->GetQuery(L"select a.Column from _Index a, _Index b where a.Parent=b.ID and b.Name=" +
                            SqlStringLiteral(table) + L" and a.Hidden=0 order by a.ID",
                        &columns);
      for (const std::wstring& column : columns) {
        if (column == L"Name") continue;
        toc_.push_back(table + L"." + column);
        if (tree) tree->AddNode(tableNode, column, Kind::Column);
      }
    }
  }
  return 0;
}

std::vector<std::wstring> VLibrary::TableOfContents() const {
  std::lock_guard<std::mutex> guard(lock_);
  return toc_;
}

std::wstring VLibrary::LastError() const {
  std::lock_guard<std::mutex> guard(lock_);
  if (!error_.empty() || !source_) return error_;
  return source_->LastError();
}

bool VLibrary::QueryOne(const std::wstring& sql, std::wstring* value) {
  std::vector<std::wstring> values;
  if (source_->GetQuery(sql, &values) != 0 || values.empty()) return false;
  *value = values.front();
  return true;
}

void VLibrary::ForgetLocked(const std::wstring& table) {
  for (auto it = cache_.begin(); it != cache_.end();) {
    if (std::get<0>(it->key) != table) {
      ++it;
      continue;
    }
    cachedValues_ -= it->values.size();
    cacheIndex_.erase(it->key);
    it = cache_.erase(it);
  }
}

int VLibrary::AppendLocked(const std::wstring& table, const std::vector<std::wstring>& values) {
  ForgetLocked(table);
  const std::wstring insert = L"insert into " + source_->QuoteTable(table) + L"(Name) values(";
  for (const std::wstring& value : values)
    if (int result = source_->Execute(insert + SqlStringLiteral(value) + L")"); result != 0)
      return result;
  return 0;
}

template <typename Change>
int VLibrary::ChangeLocked(Change change) {
  error_.clear();
  if (!opened_ || !source_ || !writable_) {
    error_ = platform::Format(L"The value library '%ls' is not open for changes.", path_.c_str());
    return -1;
  }
  if (importFile_.empty()) return change();
  // The file is checked first so that a library that cannot be saved is not even changed.
  error_ = vlibrary::WhyNotWritable(path_);
  if (!error_.empty()) return -1;
  int result = source_->Execute(L"begin");
  if (result == 0) result = change();
  if (result == 0) result = ExportXmlLocked(path_);
  if (result == 0) result = source_->Execute(L"commit");
  if (result != 0) {
    if (error_.empty()) error_ = source_->LastError();
    source_->Execute(L"rollback");
    ClearCacheLocked();  // lists read inside the change may hold what was rolled back
  }
  return result;
}

int VLibrary::AppendTable(const std::wstring& table, const std::vector<std::wstring>& values) {
  int result = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    result = ChangeLocked([&] { return AppendLocked(table, values); });
  }
  ShowNotices();
  return result;
}

int VLibrary::AddList(const std::wstring& table, const std::wstring& parent,
                      const std::vector<std::wstring>& values) {
  int result = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    result = ChangeLocked([&] { return AddListLocked(table, parent, values); });
  }
  ShowNotices();
  return result;
}

int VLibrary::AddListLocked(const std::wstring& table, const std::wstring& parent,
                            const std::vector<std::wstring>& values) {
  std::wstring parentId, maxId;
  if (!QueryOne(L"select ID from _Index where IsTable=0 and Name=" + SqlStringLiteral(parent),
                &parentId)) {
    error_ = platform::Format(L"The value library has no group '%ls'.", parent.c_str());
    return 1;
  }
  if (!QueryOne(L"select max(ID) from _Index", &maxId)) return 1;
  const long long tableId = platform::ToInt64(maxId) + 1;
  ForgetLocked(table);
  int result =
      source_->Execute(L"create table " + source_->QuoteTable(table) + L"(Name varchar(255))");
  if (result == 0)
    result = source_->Execute(platform::Format(
        L"insert into _Index(ID,Name,Parent,Hidden,IsTable) values(%lld,%ls,%lld,0,1)", tableId,
        SqlStringLiteral(table).c_str(), platform::ToInt64(parentId)));
  if (result == 0)
    result = source_->Execute(platform::Format(
        L"insert into _Index(ID,Parent,Column,Hidden,IsTable) values(%lld,%lld,'Name',0,0)",
        tableId + 1, tableId));
  if (result == 0) result = AppendLocked(table, values);
  return result;
}

int VLibrary::DropTable(const std::wstring& table) {
  int result = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    result = ChangeLocked([&] { return DropTableLocked(table); });
  }
  ShowNotices();
  return result;
}

int VLibrary::DropTableLocked(const std::wstring& table) {
  ForgetLocked(table);
  std::wstring id;
  if (!QueryOne(L"select ID from _Index where Name=" + SqlStringLiteral(table) + L" and IsTable=1",
                &id)) {
    error_ = platform::Format(L"The value library has no list '%ls'.", table.c_str());
    return 1;
  }
  int result = source_->Execute(L"drop table " + source_->QuoteTable(table));
  if (result == 0)
    result = source_->Execute(L"delete from _Index where Parent=" +
                              std::to_wstring(platform::ToInt64(id)));
  if (result == 0)
    result =
        source_->Execute(L"delete from _Index where ID=" + std::to_wstring(platform::ToInt64(id)));
  return result;
}
