#include "kavra/FileProvider.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "kavra/DbmsCodes.h"
#include "kavra/FileConnString.h"
#include "kavra/FileDatabase.h"
#include "kavra/MdbReader.h"
#include "kavra/XlsReader.h"
#include "kavra/XlsxReader.h"
#include "kavra/ZipArchive.h"
#include "platform/Text.h"
#include "platform/UserFile.h"

namespace kavra_files {

struct FileStatement {
  struct Finalize {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  std::unique_ptr<sqlite3_stmt, Finalize> stmt;
  bool pendingRow = false;  // Execute stepped onto the first row; the first Fetch hands it out
  bool onRow = false;
  int changes = -1;
};

}  // namespace kavra_files

using kavra_files::FileStatement;
using kavra_files::ReadError;

struct FileProvider::Database {
  kavra_files::SqliteHandle sqlite;
  FileStatement own;
  std::vector<std::unique_ptr<FileStatement>> extra;
};

namespace {

enum class Format { kXlsx, kXls, kMdb };

const wchar_t* KindText(ReadError::Kind kind) {
  switch (kind) {
    case ReadError::kTooLarge:
      return kFileProviderTooLarge;
    case ReadError::kUnsupportedFormat:
      return kFileProviderUnsupportedFormat;
    case ReadError::kUnknownFormat:
      return kFileProviderUnknownFormat;
    case ReadError::kMissingFile:
      return kFileProviderMissingFile;
    case ReadError::kDamaged:
      break;
  }
  return kFileProviderDamagedFile;
}

// The format by the first bytes; throws ReadError for a missing, unreadable, too large or
// unknown file.
Format Sniff(const std::wstring& path, std::size_t limit) {
  const platform::UniqueFile f = platform::OpenUserFile(path);
  struct stat info {};
  if (!f || ::fstat(::fileno(f.get()), &info) != 0) throw ReadError(ReadError::kMissingFile, "");
  unsigned char head[32] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, f.get());
  if (platform::EndsWith(platform::ToLower(path), L".xlsb"))
    throw ReadError(ReadError::kUnsupportedFormat,
                    "Excel binary workbooks (.xlsb) are not read; save the workbook as .xlsx");
  if (static_cast<unsigned long long>(info.st_size) > limit)
    throw ReadError(ReadError::kTooLarge,
                    "the file is larger than " + std::to_string(limit / (1024 * 1024)) + " MiB");
  static const unsigned char kOle[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (n >= 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4)
    return Format::kXlsx;
  if (n >= sizeof kOle && std::memcmp(head, kOle, sizeof kOle) == 0) return Format::kXls;
  if (n >= 19 && (std::memcmp(head + 4, "Standard Jet DB", 15) == 0 ||
                  std::memcmp(head + 4, "Standard ACE DB", 15) == 0))
    return Format::kMdb;
  throw ReadError(ReadError::kUnknownFormat,
                  "not an Excel workbook (.xlsx, .xls) or an Access database (.mdb, .accdb)");
}

}  // namespace

FileProvider::FileProvider(DS_TYPE type) : CDB(type) {}

FileProvider::~FileProvider() { FileProvider::CloseConnection(); }

int FileProvider::Fail(int rc, const std::wstring& text) {
  ErrorText = text;
  return rc;
}

int FileProvider::FailSqlite() {
  return Fail(kOdbcError, platform::FromUtf8(sqlite3_errmsg(db_->sqlite.get())));
}

bool FileProvider::IsConnected() const { return db_ != nullptr; }

int FileProvider::OpenConnection(CONN_INFO* info) {
  if (!info) return Fail(kBadArgument, L"No connection description");
  if (info != &Info) Info = *info;
  CloseConnection();
  ErrorText.clear();
  kavra_files::FileSource source;
  if (Info.Kind != CONN_STRING || !kavra_files::ParseFileConnString(Info.ConnString, &source))
    return Fail(kBadArgument,
                L"Not an Access or Excel connection string (DBQ=<file> or Data Source=<file>)");

  const std::string path = platform::ToUtf8(source.path);
  try {
    kavra_files::LoadBudget budget(limit_);
    std::vector<kavra_files::Table> tables;
    const Format format = Sniff(source.path, limit_);
    switch (format) {
      case Format::kXlsx:
        tables = kavra_files::ReadXlsx(kavra_files::ZipArchive::OpenFile(path), &budget);
        break;
      case Format::kXls:
        tables = kavra_files::ReadXls(path, &budget);
        break;
      case Format::kMdb:
        tables = kavra_files::ReadMdb(path, &budget);
        break;
    }
    auto db = std::make_unique<Database>();
    db->sqlite = kavra_files::BuildDatabase(&tables, format == Format::kMdb || source.headerRow);
    db_ = std::move(db);
    DBMS = format == Format::kMdb ? DBMS_ACCESS : DBMS_EXCEL;
    DbmsName = format == Format::kMdb ? L"Access database file" : L"Excel workbook file";
    DbmsVersion = format == Format::kXlsx ? L"xlsx" : format == Format::kXls ? L"xls" : L"mdb";
  } catch (const ReadError& e) {
    std::wstring text = std::wstring(KindText(e.kind)) + L": '" + source.path + L"'";
    if (*e.what()) text += L": " + platform::FromUtf8(e.what());
    return Fail(kOdbcError, text);
  } catch (const std::bad_alloc&) {
    return Fail(kOdbcError, std::wstring(kFileProviderTooLarge) + L": '" + source.path +
                                L"': out of memory while loading");
  }
  QuoteOpen = QuoteClose = L'"';
  return kOk;
}

int FileProvider::CloseConnection() {
  db_.reset();
  StmtState = 0;
  DBMS = -1;
  DbmsName.clear();
  DbmsVersion.clear();
  QuoteOpen = QuoteClose = L'"';
  return kOk;
}

int FileProvider::Resolve(HSTMT_K st, FileStatement** out) {
  if (!db_) return Fail(kNotConnected, L"Not connected");
  if (!st) {
    *out = &db_->own;
    return kOk;
  }
  for (const auto& s : db_->extra)
    if (s.get() == st) {
      *out = s.get();
      return kOk;
    }
  return Fail(kBadArgument, L"Unknown statement handle");
}

int FileProvider::Execute(const std::wstring& sql, HSTMT_K st) {
  FileStatement* s = nullptr;
  if (int r = Resolve(st, &s)) return r;
  *s = FileStatement();
  if (s == &db_->own) StmtState = 0;
  const std::string text = platform::ToUtf8(sql);
  if (text.size() > static_cast<std::size_t>(INT_MAX))
    return Fail(kBadArgument, L"Statement too long");
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_->sqlite.get(), text.c_str(), static_cast<int>(text.size()), &raw,
                         nullptr) != SQLITE_OK)
    return FailSqlite();
  s->stmt.reset(raw);
  if (!raw) return kOk;  // blank or only a comment
  const int rc = sqlite3_step(raw);
  if (rc == SQLITE_ROW) {
    s->pendingRow = true;
  } else if (rc != SQLITE_DONE) {
    const int result = FailSqlite();
    s->stmt.reset();
    return result;
  }
  s->changes = sqlite3_stmt_readonly(raw) ? -1 : sqlite3_changes(db_->sqlite.get());
  if (s == &db_->own && sqlite3_column_count(raw) > 0) StmtState = 9;
  return kOk;
}

int FileProvider::Fetch(HSTMT_K st) {
  FileStatement* s = nullptr;
  if (int r = Resolve(st, &s)) return r;
  if (!s->stmt) return Fail(kOdbcError, L"[24000] No result set: nothing was executed");
  if (s->pendingRow) {
    s->pendingRow = false;
    s->onRow = true;
    return kOk;
  }
  if (!s->onRow) return kNoData;  // done already (or no rows at all)
  const int rc = sqlite3_step(s->stmt.get());
  if (rc == SQLITE_ROW) return kOk;
  s->onRow = false;
  if (rc == SQLITE_DONE) return kNoData;
  return FailSqlite();
}

int FileProvider::GetColumnText(int column, std::wstring* out, int* size, HSTMT_K st, int) {
  if (!out || column < 1) return Fail(kBadArgument, L"GetColumnText: bad column or output");
  FileStatement* s = nullptr;
  if (int r = Resolve(st, &s)) return r;
  if (!s->stmt || !s->onRow) return Fail(kOdbcError, L"[24000] No current row");
  if (column > sqlite3_column_count(s->stmt.get()))
    return Fail(kBadArgument, L"GetColumnText: bad column or output");
  sqlite3_stmt* h = s->stmt.get();
  if (sqlite3_column_type(h, column - 1) == SQLITE_NULL) {
    out->clear();
    if (size) *size = -1;
    return kOk;
  }
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(h, column - 1));
  const int length = sqlite3_column_bytes(h, column - 1);
  std::wstring text = platform::FromUtf8(std::string_view(bytes ? bytes : "", bytes ? length : 0));
  if (size && *size > 0 && text.size() > static_cast<std::size_t>(*size))
    text.resize(static_cast<std::size_t>(*size));
  if (size) *size = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
  *out = std::move(text);
  return kOk;
}

int FileProvider::ColumnCount(int* n, HSTMT_K st) {
  if (!n) return Fail(kBadArgument, L"ColumnCount: no output");
  FileStatement* s = nullptr;
  if (int r = Resolve(st, &s)) return r;
  *n = s->stmt ? sqlite3_column_count(s->stmt.get()) : 0;
  return kOk;
}

int FileProvider::ColumnName(int column, std::wstring* out, HSTMT_K st) {
  if (!out || column < 1) return Fail(kBadArgument, L"ColumnName: bad column or output");
  FileStatement* s = nullptr;
  if (int r = Resolve(st, &s)) return r;
  if (!s->stmt || column > sqlite3_column_count(s->stmt.get()))
    return Fail(kBadArgument, L"ColumnName: bad column or output");
  const char* name = sqlite3_column_name(s->stmt.get(), column - 1);
  *out = platform::FromUtf8(name ? name : "");
  return kOk;
}

int FileProvider::RowsAffected(int* n, HSTMT_K st) {
  if (!n) return Fail(kBadArgument, L"RowsAffected: no output");
  FileStatement* s = nullptr;
  if (int r = Resolve(st, &s)) return r;
  *n = s->changes;
  return kOk;
}

int FileProvider::CloseCursor(HSTMT_K st) {
  FileStatement* s = nullptr;
  if (int r = Resolve(st, &s)) return r;
  *s = FileStatement();
  if (s == &db_->own) StmtState = 0;
  return kOk;
}

int FileProvider::AllocStatement(HSTMT_K* st) {
  if (!st) return Fail(kBadArgument, L"AllocStatement: no output");
  *st = nullptr;
  if (!db_) return Fail(kNotConnected, L"Not connected");
  db_->extra.push_back(std::make_unique<FileStatement>());
  *st = db_->extra.back().get();
  return kOk;
}

int FileProvider::FreeStatement(HSTMT_K st) {
  if (!db_) return Fail(kNotConnected, L"Not connected");
  auto it = std::find_if(db_->extra.begin(), db_->extra.end(),
                         [st](const auto& s) { return s.get() == st; });
  if (!st || it == db_->extra.end()) return Fail(kBadArgument, L"Unknown statement handle");
  db_->extra.erase(it);
  return kOk;
}
