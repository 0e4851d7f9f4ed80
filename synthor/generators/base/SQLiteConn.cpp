#include "synthor/generators/base/SQLiteConn.h"

#include <sqlite3.h>
#include <unistd.h>

#include "platform/Text.h"

SQLiteConn::~SQLiteConn() { Close(); }

void SQLiteConn::TakeError() {
  const void* message = db_ ? sqlite3_errmsg16(db_) : nullptr;
  error_ = message ? platform::FromUtf16(static_cast<const char16_t*>(message))
                   : std::wstring(L"SQLite error.");
}

int SQLiteConn::Open(const std::wstring& path, bool readOnly) {
  Close();
  if (path.empty() || access(platform::ToUtf8(path).c_str(), F_OK) != 0) {
    error_ = platform::Format(L"Could not find or access '%ls'.", path.c_str());
    return -1;
  }
  sqlite3* db = nullptr;
  // Only the UTF-8 entry point takes flags; both open the same file.
  const int opened =
      readOnly ? sqlite3_open_v2(platform::ToUtf8(path).c_str(), &db, SQLITE_OPEN_READONLY, nullptr)
               : sqlite3_open16(platform::ToUtf16(path).c_str(), &db);
  if (opened != SQLITE_OK) {
    // SQLite hands out a handle even when opening fails; it carries the message and must be
    // closed all the same.
    db_ = db;
    TakeError();
    sqlite3_close(db);
    db_ = nullptr;
    return -1;
  }
  db_ = db;
  error_.clear();
  return 0;
}

int SQLiteConn::Prepare(const std::wstring& sql) {
  if (!db_) return 2;
  Finalize();
  const std::u16string wide = platform::ToUtf16(sql);
  const int bytes = static_cast<int>((wide.size() + 1) * sizeof(char16_t));
  if (sqlite3_prepare16_v2(db_, wide.c_str(), bytes, &stmt_, nullptr) != SQLITE_OK) {
    TakeError();
    Finalize();
    return 1;
  }
  if (!stmt_) {  // only blanks or a comment: nothing to run
    error_ = L"The statement is empty.";
    return 1;
  }
  return 0;
}

int SQLiteConn::Step() {
  if (!stmt_) return -1;
  switch (sqlite3_step(stmt_)) {
    case SQLITE_ROW:
      return 0;
    case SQLITE_DONE:
      return 100;
    default:
      TakeError();
      return -1;
  }
}

void SQLiteConn::Finalize() {
  if (stmt_) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
}

int SQLiteConn::ColumnText(int column, std::wstring* out, std::size_t maxUnits) {
  if (out) out->clear();
  if (!stmt_ || column < 1) return -1;
  const int index = column - 1;
  const void* text = sqlite3_column_text16(stmt_, index);
  if (!text || sqlite3_column_type(stmt_, index) == SQLITE_NULL) return -1;
  std::size_t units = static_cast<std::size_t>(sqlite3_column_bytes16(stmt_, index)) / 2;
  const char16_t* data = static_cast<const char16_t*>(text);
  if (units > maxUnits) {
    units = maxUnits;
    if (units > 0 && data[units - 1] >= 0xD800 && data[units - 1] <= 0xDBFF) --units;
  }
  if (out) *out = platform::FromUtf16(std::u16string_view(data, units));
  return 0;
}

int SQLiteConn::ColumnCount(int* out) const {
  if (!db_) return -1;
  if (out) *out = stmt_ ? sqlite3_column_count(stmt_) : 0;
  return 0;
}

void SQLiteConn::Close() {
  Finalize();
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}
