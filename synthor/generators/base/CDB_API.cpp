#include "synthor/generators/base/CDB_API.h"

#include <sqlext.h>

#include <new>

#include "kavra/CDB.h"
#include "kavra/ConnInfo.h"
#include "kavra/DbmsCodes.h"
#include "kavra/FileProvider.h"
#include "kavra/TabName.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/DsnReach.h"
#include "synthor/generators/base/SQLiteConn.h"

namespace {

constexpr const wchar_t* kNoConnection = L"There is no connection.";
constexpr const wchar_t* kNull = L"NULL";

bool IsQuoteOpener(wchar_t c, wchar_t own) {
  return c == own || c == L'"' || c == L'[' || c == L'`';
}

wchar_t CloserOf(wchar_t open, wchar_t ownOpen, wchar_t ownClose) {
  if (open == ownOpen) return ownClose;
  return open == L'[' ? L']' : open;
}

// The end (one past the closing character) of the quoted identifier that opens at `start`, or
// npos when it is not closed.
std::size_t QuotedEnd(const std::wstring& s, std::size_t start, wchar_t close) {
  for (std::size_t i = start + 1; i < s.size(); ++i) {
    if (s[i] != close) continue;
    if (i + 1 < s.size() && s[i + 1] == close) {
      ++i;  // a doubled closing character belongs to the name
      continue;
    }
    return i + 1;
  }
  return std::wstring::npos;
}

bool CheckSyntaxCapReached(std::size_t rows) {
  return DSynthor::GetCheckSyntaxMode() != 0 && rows >= CDB_API::kCheckSyntaxRows;
}

bool IsSqliteInMemory(const std::wstring& database) {
  const std::wstring name = platform::ToLower(database);
  return name.empty() || name == L":memory:" || name.rfind(L"file::memory:", 0) == 0 ||
         name.find(L"mode=memory") != std::wstring::npos;
}

// True when a second session on `source`'s description would not see the source's data.
bool OnlyThisSessionReachesTheData(const CDB& source) {
  if (source.Info.DsType == CDB_API::kAccessFile || source.Info.DsType == CDB_API::kExcelFile)
    return true;
  return source.DBMS == DBMS_SQLITE && IsSqliteInMemory(source.GetInfoText(SQL_DATABASE_NAME));
}

}  // namespace

CDB_API::CDB_API() { Own(CDB::newDB(0)); }

CDB_API::CDB_API(CDB* source) { Init(source); }

CDB_API::CDB_API(CDB_API* source) {
  if (source && source->attachPending_) {
    // The source has not opened its session yet: attach to the description it holds.
    InitFrom(source->connection_, true);
    kind_ = source->kind_;
  } else {
    Init(source ? source->connection_ : nullptr);
  }
}

CDB_API::~CDB_API() { Close(); }

void CDB_API::Init(CDB* source) { InitFrom(source, source && source->IsConnected()); }

void CDB_API::InitFrom(CDB* source, bool live) {
  ReleaseConnection();
  live = live && source;
  kind_ = live ? source->DBMS : -1;
  if (live && source->IsConnected() && OnlyThisSessionReachesTheData(*source)) {
    connection_ = source;
    return;
  }
  Own(CDB::newDB(source ? source->Info.DsType : 0));
  if (!live || !owned_) return;
  owned_->Info = source->Info;
  // The session only reads: in autocommit no read keeps a transaction (and its locks) open
  // between two values.
  owned_->Info.ManualCommit = 0;
  // Names are quoted for the source's server before the session is opened.
  owned_->QuoteOpen = source->QuoteOpen;
  owned_->QuoteClose = source->QuoteClose;
  attachPending_ = true;
}

bool CDB_API::OpenAttachedSession() {
  attachPending_ = false;
  if (owned_->Connect(owned_.get()) == CDB::kOk) return true;
  lastError_ = L"Could not open a session on the connection: " + owned_->ErrorText;
  return false;
}

bool CDB_API::Usable() {
  if (attachPending_ && !OpenAttachedSession()) return false;
  return IsConnected();
}

void CDB_API::Own(CDB* made) {
  ReleaseConnection();
  owned_.reset(made);
  connection_ = made;
}

void CDB_API::ReleaseConnection() {
  if (owned_) owned_->CloseConnection();
  owned_.reset();
  connection_ = nullptr;
  attachPending_ = false;
}

void CDB_API::Close() {
  if (sqlite_) sqlite_->Close();
  sqlite_.reset();
  ReleaseConnection();
}

bool CDB_API::ReadingSqliteFile() const { return sqlite_ != nullptr; }

bool CDB_API::IsConnected() const {
  if (ReadingSqliteFile()) return sqlite_->IsOpen();
  return connection_ && connection_->IsConnected();
}

int CDB_API::Connect(const std::wstring& dsn, const std::wstring& user,
                     const std::wstring& password) {
  kind_ = -1;
  if (sqlite_) sqlite_.reset();
  if (!owned_) Own(CDB::newDB(0));
  if (!connection_) {
    lastError_ = kNoConnection;
    return CDB::kNotConnected;
  }
  if (const platform::Verdict verdict = datasource::JudgeDsn(dsn); !verdict.Allowed()) {
    connection_->CloseConnection();
    lastError_ = verdict.reason;
    return CDB::kBadArgument;
  }
  CONN_INFO info;
  info.Kind = CONN_DSN;
  info.Dsn = dsn;
  info.User = user;
  info.Password = password;
  const int rc = connection_->OpenConnection(&info);
  if (rc != CDB::kOk) lastError_ = connection_->ErrorText;
  return rc;
}

int CDB_API::Open(const std::wstring& path, int kind, int readOnly) {
  kind_ = kind;
  if (kind == kSqliteFile) {
    ReleaseConnection();
    sqlite_ = std::make_unique<SQLiteConn>();
    if (sqlite_->Open(path, readOnly != 0) != 0) {
      lastError_ = sqlite_->Error();
      return 0;
    }
    return 1;
  }
  sqlite_.reset();
  if (kind == kExcelFile) return ConnectToExcel(path, readOnly) == 0 ? 1 : 0;
  // Access files (and any other kind) are reached through the connection object made for their
  // data-source type.
  Own(CDB::newDB(kind));
  if (!connection_) return 0;
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.DsType = kind;
  if (kind == kAccessFile) {
    info.ConnString = platform::Format(
        L"DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=%ls;", path.c_str());
    if (readOnly) info.ConnString += L"ReadOnly=1;";
  }
  if (connection_->OpenConnection(&info) != CDB::kOk) {
    lastError_ = connection_->ErrorText;
    return 0;
  }
  return 1;
}

int CDB_API::ConnectToExcel(const std::wstring& path, int readOnly) {
  // 0: the old workbook format, 1: Excel 2007 and later, 2: the binary form of it.
  int form = 0;
  if (path.size() >= 6) {
    const std::wstring tail = platform::Right(path, 4);
    if (platform::EqualsNoCase(tail, L"xlsx")) form = 1;
    if (platform::EqualsNoCase(tail, L"xlsb")) form = 2;
  }
  bool retried = false;
  bool odbcTried = false;
  Own(CDB::newDB(kExcelFile));
  CONN_INFO info;
  for (;;) {
    if (!odbcTried) {
      static const wchar_t* const kProviders[] = {L"Jet.OLEDB.4.0", L"ACE.OLEDB.12.0",
                                                  L"ACE.OLEDB.12.0"};
      static const wchar_t* const kProperties[] = {L"Excel 8.0;IMEX=1", L"Excel 12.0 Xml",
                                                   L"Excel 12.0"};
      info = CONN_INFO();
      info.Kind = CONN_STRING;
      info.DsType = kExcelFile;
      info.ConnString = platform::Format(
          L"Provider=Microsoft.%ls;Data Source=%ls;Extended Properties=\"%ls;HDR=%ls\"",
          kProviders[form], path.c_str(), kProperties[form], L"YES");
    }
    if (!connection_) {
      lastError_ = kNoConnection;
      return 1;
    }
    if (connection_->OpenConnection(&info) == CDB::kOk) return 0;
    lastError_ = connection_->ErrorText;
    const std::wstring& error = connection_->ErrorText;
    if (!retried && !odbcTried && error.find(kFileProviderMissingFile) != std::wstring::npos) {
      // The other workbook form may still be read where this one was not.
      retried = true;
      form = form == 0 ? 1 : 0;
      Own(CDB::newDB(kExcelFile));
      continue;
    }
    if (!odbcTried && error.find(kFileProviderUnknownFormat) != std::wstring::npos) {
      odbcTried = true;
      const std::wstring providerError = error;
      Own(CDB::newDB(0));
      if (!connection_) return 1;
      if (UseOdbcForExcel(connection_, &info, path, readOnly) == 0) {
        // The provider's message names the file and what is wrong with it; that no driver
        // stands in is only the end of the search.
        CLog::State2(L"Excel file '" + path + L"': " + lastError_);
        lastError_ = providerError;
        return -4;
      }
      continue;
    }
    return 1;
  }
}

int CDB_API::UseOdbcForExcel(CDB* db, CONN_INFO* info, const std::wstring& path, int readOnly) {
  if (!db || !info) return 0;
  info->Kind = CONN_NONE;
  info->DsType = 0;
  std::vector<TabName> drivers;
  db->ListDrivers(&drivers);
  const std::wstring* chosen = nullptr;
  bool xlsx = false;
  for (const TabName& driver : drivers) {
    if (driver.Name.find(L"*.xlsx") != std::wstring::npos) {
      chosen = &driver.Name;
      xlsx = true;
      break;
    }
    if (driver.Name.find(L"*.xls)") != std::wstring::npos) chosen = &driver.Name;
  }
  if (!chosen) {
    lastError_ = platform::Format(L"ODBC driver (%d bit) not found.", 64);
    return 0;
  }
  info->Kind = CONN_STRING;
  info->ConnString = platform::Format(
      xlsx ? L"Driver={%ls};DriverID=1046;DBQ=%ls;" : L"Driver={%ls};DriverId=278;DBQ=%ls;",
      chosen->c_str(), path.c_str());
  if (readOnly) info->ConnString += L"ReadOnly=1;";
  return 1;
}

int CDB_API::Execute(const std::wstring& sql) {
  if (!ReadingSqliteFile()) return -1;
  if (!sqlite_->IsOpen()) return NoConnection();
  if (sqlite_->Prepare(sql) != 0) {
    lastError_ = sqlite_->Error();
    return 1;
  }
  int rc = 0;
  while ((rc = sqlite_->Step()) == 0) {
  }
  sqlite_->Finalize();
  if (rc < 0) {
    lastError_ = sqlite_->Error();
    return 1;
  }
  return 0;
}

int CDB_API::NoConnection() {
  lastError_ = kNoConnection;
  return -1;
}

// ---- Identifiers ----

wchar_t CDB_API::QuoteOpen() const { return connection_ ? connection_->QuoteOpen : L'"'; }
wchar_t CDB_API::QuoteClose() const { return connection_ ? connection_->QuoteClose : L'"'; }

std::wstring CDB_API::QuoteName(const std::wstring& name, wchar_t open, wchar_t close) {
  const std::wstring closing(1, close);
  return open + platform::ReplaceAll(name, closing, closing + closing) + close;
}

bool CDB_API::IsQuotedName(const std::wstring& name) const {
  if (name.size() < 2 || !IsQuoteOpener(name[0], QuoteOpen())) return false;
  return QuotedEnd(name, 0, CloserOf(name[0], QuoteOpen(), QuoteClose())) == name.size();
}

bool CDB_API::ReadsDoubleQuotedNamesAsStrings() const {
  if (ReadingSqliteFile()) return true;
  // The Access and Excel file providers run their statements on SQLite too.
  return connection_ && (connection_->DBMS == DBMS_SQLITE || connection_->DBMS == DBMS_ACCESS);
}

std::wstring CDB_API::QuotePart(const std::wstring& name) const {
  if (ReadsDoubleQuotedNamesAsStrings()) {
    // SQLite reads a double-quoted name that matches no column as a string, so a misspelt column
    // would give its own name as data; a name in backticks is always a name.
    if (name.size() >= 2 && name[0] == L'"' && QuotedEnd(name, 0, L'"') == name.size())
      return QuoteName(platform::ReplaceAll(name.substr(1, name.size() - 2), L"\"\"", L"\""), L'`',
                       L'`');
    return IsQuotedName(name) ? name : QuoteName(name, L'`', L'`');
  }
  return IsQuotedName(name) ? name : QuoteName(name, QuoteOpen(), QuoteClose());
}

std::wstring CDB_API::QuoteColumn(const std::wstring& name) const { return QuotePart(name); }

std::wstring CDB_API::QuoteTable(const std::wstring& name) const {
  // The owner ends at the first dot that is not inside a quoted owner name.
  std::size_t dot = std::wstring::npos;
  if (!name.empty() && IsQuoteOpener(name[0], QuoteOpen())) {
    const std::size_t end = QuotedEnd(name, 0, CloserOf(name[0], QuoteOpen(), QuoteClose()));
    if (end != std::wstring::npos && end < name.size() && name[end] == L'.') dot = end;
  } else {
    dot = name.find(L'.');
  }
  if (dot == std::wstring::npos) return QuotePart(name);
  return QuotePart(name.substr(0, dot)) + L"." + QuotePart(name.substr(dot + 1));
}

// ---- Reading ----

namespace {

// An Excel sheet or column as the workbook providers name them: `Sheet1$`, `A`.
std::wstring ExcelName(const std::wstring& name, const wchar_t* suffix) {
  if (!name.empty() && name[0] == L'`') return name;
  return CDB_API::QuoteName(name + suffix, L'`', L'`');
}

}  // namespace

int CDB_API::GetColumn(const std::wstring& table, const std::wstring& column,
                       const std::wstring& filter, std::vector<std::wstring>* values) {
  std::wstring quotedTable, quotedColumn;
  if (kind_ == kExcelFile) {
    if (table.empty()) return 0;
    quotedTable = ExcelName(table, L"$");
    quotedColumn = column.empty() ? column : ExcelName(column, L"");
  } else {
    quotedTable = QuoteTable(table);
    quotedColumn = QuoteColumn(column);
  }
  std::wstring sql = L"select distinct " + quotedColumn + L" from " + quotedTable + L" where " +
                     quotedColumn + L" is not null";
  if (!filter.empty()) sql += L" and " + filter;
  return GetQuery(sql, values);
}

int CDB_API::GetColumns(const std::wstring& table, const std::vector<std::wstring>& columns,
                        Columns* rows, const std::wstring* where) {
  std::wstring quotedTable;
  if (kind_ == kExcelFile) {
    if (table.empty()) return 0;
    quotedTable = ExcelName(table, L"$");
  } else {
    quotedTable = QuoteTable(table);
  }
  std::wstring list;
  for (const std::wstring& column : columns) {
    if (column.empty()) continue;
    if (!list.empty()) list += L",";
    list += QuoteColumn(column);
  }
  std::wstring sql = L"select " + list + L" from " + quotedTable;
  if (where && !where->empty()) sql += L" where " + *where;
  return GetQuery(sql, rows);
}

int CDB_API::GetQuery(const std::wstring& sql, std::vector<std::wstring>* values) {
  if (values) values->clear();
  Columns columns;
  const int rc = ReadingSqliteFile() ? QuerySqlite(sql, &columns, true)
                                     : QueryDatabase(sql, true, &columns, true);
  if (values && !columns.empty()) values->swap(columns.front());
  return rc;
}

int CDB_API::GetQuery(const std::wstring& sql, Columns* columns) {
  Columns read;
  const int rc = ReadingSqliteFile() ? QuerySqlite(sql, &read, false)
                                     : QueryDatabase(sql, false, &read, false);
  if (columns) columns->swap(read);
  return rc;
}

int CDB_API::QuerySqlite(const std::wstring& sql, Columns* columns, bool firstOnly) {
  if (!sqlite_->IsOpen()) return NoConnection();
  if (sqlite_->Prepare(sql) != 0) {
    lastError_ = sqlite_->Error();
    return 1;
  }
  int rc = 0;
  std::size_t rows = 0;
  try {
    int count = 0;
    sqlite_->ColumnCount(&count);
    columns->resize(firstOnly ? 1 : static_cast<std::size_t>(count));
    std::wstring text;
    while ((rc = sqlite_->Step()) == 0) {
      for (std::size_t j = 0; j < columns->size(); ++j) {
        const bool isNull =
            sqlite_->ColumnText(static_cast<int>(j + 1), &text, kSqliteValueLength) != 0;
        // One column: a NULL row gives no value. Several: "NULL" keeps the row's columns aligned.
        if (isNull && firstOnly) continue;
        (*columns)[j].push_back(isNull ? std::wstring(kNull) : text);
      }
      if (CheckSyntaxCapReached(++rows)) break;
    }
  } catch (const std::bad_alloc&) {
    const int count = static_cast<int>(firstOnly ? rows : columns->size());
    Columns().swap(*columns);
    sqlite_->Finalize();
    CLog::BugWithMsg(platform::Format(L"CDB_API::GetQuery out of memory [%d]", count));
    lastError_ = L"Out of memory.";
    return 1;
  }
  sqlite_->Finalize();
  if (rc < 0) {
    lastError_ = sqlite_->Error();
    Columns().swap(*columns);
    return 1;
  }
  return 0;
}

int CDB_API::QueryDatabase(const std::wstring& sql, bool withStatement, Columns* columns,
                           bool firstOnly) {
  if (attachPending_ && !OpenAttachedSession()) return -1;
  if (!connection_ || !connection_->IsConnected()) return NoConnection();
  HSTMT_K st = nullptr;
  if (connection_->AllocStatement(&st) != CDB::kOk) {
    lastError_ = L"Could not allocale a statement handle: " + connection_->ErrorText;
    return -1;
  }
  if (connection_->Execute(sql, st) != CDB::kOk) {
    lastError_ =
        withStatement ? connection_->ErrorText + L": '" + sql + L"'" : connection_->ErrorText;
    connection_->FreeStatement(st);
    return 1;
  }
  int result = 0;
  std::size_t rows = 0;
  try {
    int count = 1;
    if (!firstOnly && connection_->ColumnCount(&count, st) != CDB::kOk) count = 0;
    columns->resize(static_cast<std::size_t>(count > 0 ? count : 0));
    std::wstring text;
    int rc = 0;
    while (result == 0 && (rc = connection_->Fetch(st)) == CDB::kOk) {
      for (std::size_t j = 0; j < columns->size(); ++j) {
        int size = kDatabaseValueLength;
        if (connection_->GetColumnText(static_cast<int>(j + 1), &text, &size, st) != CDB::kOk) {
          result = 1;
          break;
        }
        (*columns)[j].push_back(size < 0 ? std::wstring(kNull) : text);
      }
      if (CheckSyntaxCapReached(++rows)) break;
    }
    if (rc < 0) result = 1;
    if (result != 0) {
      lastError_ = connection_->ErrorText;
      Columns().swap(*columns);
    }
  } catch (const std::bad_alloc&) {
    const int count = static_cast<int>(firstOnly ? rows : columns->size());
    Columns().swap(*columns);
    CLog::BugWithMsg(platform::Format(L"CDB_API::GetQuery out of memory [%d]", count));
    lastError_ = L"Out of memory.";
    result = 1;
  }
  connection_->FreeStatement(st);
  return result;
}
