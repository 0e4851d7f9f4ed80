#include "kavra/CDB.h"

#include <algorithm>
#include <climits>
#include <new>

#include "kavra/DbmsCodes.h"
#include "kavra/DriverApi.h"
#include "kavra/FileProvider.h"
#include "kavra/OdbcSupport.h"
#include "platform/Text.h"

using namespace kavra_odbc;

namespace {

// Units (UTF-16 units or UTF-8 bytes) asked for per SQLGetData call: enough that ordinary values
// come in one call.
constexpr size_t kChunkUnits = 4096;

// Whether a unit begins a character: not the low half of a surrogate pair, not a UTF-8
// continuation byte. Counting these counts characters, even across piece borders.
bool StartsCharacter(char16_t c) { return c < 0xDC00 || c > 0xDFFF; }
bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// Reads a column value piece by piece into `value` (UTF-16 units with SQL_C_WCHAR, UTF-8 bytes
// with SQL_C_CHAR), stopping once more than `limit` characters are in (limit < 0: no limit), so
// that the last wanted character is complete. `chunk` is the caller's reusable buffer.
template <typename Unit>
SQLRETURN ReadPieces(SQLHSTMT h, SQLUSMALLINT column, SQLSMALLINT cType, long long limit,
                     std::basic_string<Unit>& chunk, std::basic_string<Unit>& value,
                     bool* isNull) {
  chunk.resize(kChunkUnits + 1);  // + the terminator the driver always writes
  value.clear();
  *isNull = false;
  long long characters = 0;
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(h, column, cType, chunk.data(),
                              static_cast<SQLLEN>(chunk.size() * sizeof(Unit)), &indicator);
    if (rc == SQL_NO_DATA) return SQL_SUCCESS;  // the rest was handed out already
    if (!SQL_SUCCEEDED(rc)) return rc;
    if (indicator == SQL_NULL_DATA) {
      *isNull = true;
      return SQL_SUCCESS;
    }
    size_t units;
    bool more;
    if (indicator != SQL_NO_TOTAL && indicator >= 0 &&
        static_cast<size_t>(indicator) / sizeof(Unit) <= kChunkUnits) {
      units = static_cast<size_t>(indicator) / sizeof(Unit);  // the rest fitted
      more = false;
    } else {
      // Cut: measure the terminated piece rather than trust that every unit was filled.
      units = std::char_traits<Unit>::length(chunk.data());
      more = units > 0;  // a driver that makes no progress must not loop for ever
    }
    value.append(chunk.data(), units);
    for (size_t i = 0; i < units; ++i)
      if (StartsCharacter(chunk[i])) ++characters;
    if (!more || (limit >= 0 && characters > limit)) return SQL_SUCCESS;
  }
}

}  // namespace

CDB* CDB::newDB(DS_TYPE type) {
  if (type == DBMS_ACCESS || type == DBMS_EXCEL) return new (std::nothrow) FileProvider(type);
  if (SharedEnvironment() == SQL_NULL_HENV) return nullptr;
  return new (std::nothrow) CDB(type);
}

CDB::CDB(DS_TYPE type) { Info.DsType = type; }

CDB::~CDB() { CloseConnection(); }

int CDB::Fail(int rc, const std::wstring& text) {
  ErrorText = text;
  return rc;
}

int CDB::FailOdbc(short handleType, void* handle, const wchar_t* what) {
  ErrorText = Diagnostics(handleType, handle, narrow_);
  // Some failures leave no diagnostic record; say at least which call failed.
  if (ErrorText.empty()) ErrorText = std::wstring(what) + L" failed";
  return kOdbcError;
}

int CDB::Resolve(HSTMT_K st, void** handle) {
  if (!dbc_) return Fail(kNotConnected, L"Not connected");
  if (!st) {
    *handle = stmt_;
    return kOk;
  }
  // Checked so that a stale handle (freed, or from another connection) never reaches ODBC.
  if (std::find(extraStatements_.begin(), extraStatements_.end(), st) == extraStatements_.end())
    return Fail(kBadArgument, L"Unknown statement handle");
  *handle = st;
  return kOk;
}

// Connects and disconnects of the whole process, with the making and freeing of their handles,
// happen one at a time, because drivers are not safe there: the PostgreSQL driver changes the
// process locale while it connects (a connect on another thread then reads freed locale names),
// and the SQLite driver keeps its connections in a list of the shared environment without a
// lock. Statements on open connections still run in parallel.
std::mutex& CDB::DriverConnectLock() {
  static std::mutex lock;
  return lock;
}

int CDB::OpenConnection(CONN_INFO* info) {
  if (!info) return Fail(kBadArgument, L"No connection description");
  if (info != &Info) Info = *info;
  CloseConnection();
  ErrorText.clear();
  if (Info.IsEmpty()) return Fail(kBadArgument, L"The connection description is empty");

  std::unique_lock connecting(DriverConnectLock());
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, SharedEnvironment(), &dbc)))
    return FailOdbc(SQL_HANDLE_ENV, SharedEnvironment(), L"SQLAllocHandle(SQL_HANDLE_DBC)");

  // A server that has gone away (no answer, not a refusal) would otherwise hold the connect for
  // as long as the network stack keeps trying. Drivers that ignore the attribute keep their own.
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), 0);
  // Decided before connecting: the connect call already carries text (a file path, a password).
  narrow_ = DriverIsNarrow(Info);
  SQLRETURN rc = Info.Kind == CONN_DSN
                     ? ConnectDsn(dbc, Info.Dsn, Info.User, Info.Password, narrow_)
                     : ConnectString(dbc, Info.ConnString, narrow_);
  if (!SQL_SUCCEEDED(rc)) {
    FailOdbc(SQL_HANDLE_DBC, dbc, L"Connecting");
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return kOdbcError;
  }

  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt))) {
    FailOdbc(SQL_HANDLE_DBC, dbc, L"SQLAllocHandle(SQL_HANDLE_STMT)");
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return kOdbcError;
  }
  connecting.unlock();
  dbc_ = dbc;
  {
    std::lock_guard lock(stmtMutex_);
    stmt_ = stmt;
  }
  autoCommit_ = true;
  ReadServerFacts();
  if (Info.ManualCommit == 1) {
    int r = SetTransactionMode(0);
    if (r != kOk) {
      std::wstring why = ErrorText;
      CloseConnection();
      ErrorText = why;
      return r;
    }
  }
  return kOk;
}

void CDB::ReadServerFacts() {
  DbmsName = InfoText(dbc_, SQL_DBMS_NAME, narrow_);
  DbmsVersion = InfoText(dbc_, SQL_DBMS_VER, narrow_);
  DBMS = DbmsCodeFromName(DbmsName);
  // A blank answer means the driver does not quote identifiers; keep the standard quote then.
  std::wstring quote = platform::Trim(InfoText(dbc_, SQL_IDENTIFIER_QUOTE_CHAR, narrow_));
  QuoteOpen = QuoteClose = quote.empty() ? L'"' : quote[0];
}

int CDB::Connect(CDB* from) {
  if (!from) return Fail(kBadArgument, L"No connection to copy");
  // Copy first: OpenConnection closes this object, which must not matter when from == this.
  CONN_INFO info = from->Info;
  return OpenConnection(&info);
}

int CDB::CloseConnection() {
  if (!dbc_) return kOk;
  SQLHDBC dbc = dbc_;
  // SQLDisconnect refuses while manual-commit work is pending; unfinished work is dropped.
  if (!autoCommit_) SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
  for (void* st : extraStatements_) SQLFreeHandle(SQL_HANDLE_STMT, st);
  extraStatements_.clear();
  {
    std::lock_guard lock(stmtMutex_);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    stmt_ = nullptr;
  }
  int result = kOk;
  {
    std::lock_guard disconnecting(DriverConnectLock());
    if (!SQL_SUCCEEDED(SQLDisconnect(dbc)))
      result = FailOdbc(SQL_HANDLE_DBC, dbc, L"SQLDisconnect");
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  }
  dbc_ = nullptr;
  transactionOpen_ = false;
  autoCommit_ = true;
  StmtState = 0;
  DBMS = DBMS_UNKNOWN;
  DbmsName.clear();
  DbmsVersion.clear();
  QuoteOpen = QuoteClose = L'"';
  return result;
}

int CDB::Execute(const std::wstring& sql, HSTMT_K st) {
  void* h = nullptr;
  if (int r = Resolve(st, &h)) return r;
  SQLFreeStmt(h, SQL_CLOSE);
  if (h == stmt_) StmtState = 0;
  BeginCancellable(h);
  SQLRETURN rc = ExecDirect(h, sql, narrow_, &narrowSql_, &wideSql_);
  EndCancellable(h);
  // SQL_NO_DATA: a searched UPDATE or DELETE that matched no row, which is not a failure.
  if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) return FailOdbc(SQL_HANDLE_STMT, h, L"SQLExecDirect");
  if (h == stmt_) {
    SQLSMALLINT columns = 0;
    if (SQL_SUCCEEDED(SQLNumResultCols(h, &columns)) && columns > 0) StmtState = 9;
  }
  return kOk;
}

int CDB::Fetch(HSTMT_K st) {
  void* h = nullptr;
  if (int r = Resolve(st, &h)) return r;
  BeginCancellable(h);
  SQLRETURN rc = SQLFetch(h);
  EndCancellable(h);
  if (rc == SQL_NO_DATA) return kNoData;
  if (!SQL_SUCCEEDED(rc)) return FailOdbc(SQL_HANDLE_STMT, h, L"SQLFetch");
  return kOk;
}

int CDB::GetColumnText(int column, std::wstring* out, int* size, HSTMT_K st, int) {
  if (!out || column < 1 || column > 32767)
    return Fail(kBadArgument, L"GetColumnText: bad column or output");
  void* h = nullptr;
  if (int r = Resolve(st, &h)) return r;
  const long long limit = (size && *size > 0) ? *size : -1;
  const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(column);

  bool isNull = false;
  if (narrow_) {
    SQLRETURN rc = ReadPieces(h, col, SQL_C_CHAR, limit, narrowChunk_, narrowValue_, &isNull);
    if (!SQL_SUCCEEDED(rc)) return FailOdbc(SQL_HANDLE_STMT, h, L"SQLGetData");
    if (!isNull) platform::FromUtf8(narrowValue_, out);
  } else {
    SQLRETURN rc = ReadPieces(h, col, SQL_C_WCHAR, limit, wideChunk_, wideValue_, &isNull);
    if (!SQL_SUCCEEDED(rc)) return FailOdbc(SQL_HANDLE_STMT, h, L"SQLGetData");
    if (!isNull) platform::FromUtf16(wideValue_, out);
  }
  if (isNull) {
    out->clear();
    if (size) *size = -1;
    return kOk;
  }
  if (limit >= 0 && static_cast<long long>(out->size()) > limit)
    out->resize(static_cast<size_t>(limit));
  if (size) *size = static_cast<int>(std::min<size_t>(out->size(), INT_MAX));
  return kOk;
}

int CDB::ColumnCount(int* n, HSTMT_K st) {
  if (!n) return Fail(kBadArgument, L"ColumnCount: no output");
  void* h = nullptr;
  if (int r = Resolve(st, &h)) return r;
  SQLSMALLINT columns = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(h, &columns)))
    return FailOdbc(SQL_HANDLE_STMT, h, L"SQLNumResultCols");
  *n = columns;
  return kOk;
}

int CDB::ColumnName(int column, std::wstring* out, HSTMT_K st) {
  if (!out || column < 1 || column > 32767)
    return Fail(kBadArgument, L"ColumnName: bad column or output");
  void* h = nullptr;
  if (int r = Resolve(st, &h)) return r;
  if (!SQL_SUCCEEDED(kavra_odbc::ColumnName(h, static_cast<SQLUSMALLINT>(column), out, narrow_)))
    return FailOdbc(SQL_HANDLE_STMT, h, L"SQLDescribeCol");
  return kOk;
}

int CDB::RowsAffected(int* n, HSTMT_K st) {
  if (!n) return Fail(kBadArgument, L"RowsAffected: no output");
  void* h = nullptr;
  if (int r = Resolve(st, &h)) return r;
  SQLLEN rows = 0;
  if (!SQL_SUCCEEDED(SQLRowCount(h, &rows))) return FailOdbc(SQL_HANDLE_STMT, h, L"SQLRowCount");
  *n = static_cast<int>(std::clamp<SQLLEN>(rows, -1, INT_MAX));
  return kOk;
}

int CDB::CloseCursor(HSTMT_K st) {
  void* h = nullptr;
  if (int r = Resolve(st, &h)) return r;
  if (h == stmt_) StmtState = 0;
  if (!SQL_SUCCEEDED(SQLFreeStmt(h, SQL_CLOSE))) return FailOdbc(SQL_HANDLE_STMT, h, L"SQLFreeStmt");
  return kOk;
}

int CDB::AllocStatement(HSTMT_K* st) {
  if (!st) return Fail(kBadArgument, L"AllocStatement: no output");
  *st = nullptr;
  if (!dbc_) return Fail(kNotConnected, L"Not connected");
  SQLHSTMT h = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &h)))
    return FailOdbc(SQL_HANDLE_DBC, dbc_, L"SQLAllocHandle(SQL_HANDLE_STMT)");
  extraStatements_.push_back(h);
  *st = h;
  return kOk;
}

int CDB::FreeStatement(HSTMT_K st) {
  if (!dbc_) return Fail(kNotConnected, L"Not connected");
  auto it = std::find(extraStatements_.begin(), extraStatements_.end(), st);
  if (!st || it == extraStatements_.end()) return Fail(kBadArgument, L"Unknown statement handle");
  extraStatements_.erase(it);
  if (!SQL_SUCCEEDED(SQLFreeHandle(SQL_HANDLE_STMT, st)))
    return Fail(kOdbcError, L"SQLFreeHandle(SQL_HANDLE_STMT) failed");
  return kOk;
}

int CDB::SetTransactionMode(int autoCommit) {
  if (!dbc_) return Fail(kNotConnected, L"Not connected");
  const bool on = autoCommit != 0;
  SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
  if (!SQL_SUCCEEDED(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                                        reinterpret_cast<SQLPOINTER>(value), SQL_IS_UINTEGER)))
    return FailOdbc(SQL_HANDLE_DBC, dbc_, L"SQLSetConnectAttr(SQL_ATTR_AUTOCOMMIT)");
  autoCommit_ = on;
  // Switching autocommit on commits pending work (ODBC rule), so nothing stays open.
  if (on) transactionOpen_ = false;
  return kOk;
}

int CDB::BeginTransaction() {
  if (!dbc_) return Fail(kNotConnected, L"Not connected");
  if (autoCommit_) {
    if (int r = SetTransactionMode(0)) return r;
  }
  transactionOpen_ = true;
  return kOk;
}

bool CDB::ConnectionDead() const {
  if (!dbc_) return false;
  SQLUINTEGER dead = SQL_CD_FALSE;
  const SQLRETURN rc = SQLGetConnectAttr(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
  return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

bool CDB::ConnectionLost() const {
  if (!IsConnected() || ConnectionDead()) return true;
  // ErrorText: "[SQLSTATE] message" records joined with "; ".
  for (std::size_t at = 0; at != std::wstring::npos;) {
    if (ErrorText.compare(at, 3, L"[08") == 0) return true;
    at = ErrorText.find(L"; [", at);
    if (at != std::wstring::npos) at += 2;
  }
  return false;
}

int CDB::Cancel() {
  std::lock_guard lock(stmtMutex_);
  if (!stmt_) return kNotConnected;
  if (!callRunning_) return kOk;
  return SQL_SUCCEEDED(SQLCancel(stmt_)) ? kOk : kOdbcError;
}

// The owner's call returns only after a cancel in flight has: the diagnostics it then reads are
// the driver's answer to the call, never cleared under it by SQLCancel.
void CDB::BeginCancellable(void* h) {
  if (h != stmt_) return;
  std::lock_guard lock(stmtMutex_);
  callRunning_ = true;
}

void CDB::EndCancellable(void* h) {
  if (h != stmt_) return;
  std::lock_guard lock(stmtMutex_);
  callRunning_ = false;
}

int CDB::EndTransaction(int rollback) {
  if (!dbc_) return Fail(kNotConnected, L"Not connected");
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, rollback ? SQL_ROLLBACK : SQL_COMMIT);
  transactionOpen_ = false;
  if (!SQL_SUCCEEDED(rc)) return FailOdbc(SQL_HANDLE_DBC, dbc_, L"SQLEndTran");
  return kOk;
}

int CDB::ListDrivers(std::vector<TabName>* list) {
  if (!list) return Fail(kBadArgument, L"ListDrivers: no output");
  list->clear();
  std::vector<DriverEntry> drivers;
  if (!InstalledDrivers(&drivers))
    return FailOdbc(SQL_HANDLE_ENV, SharedEnvironment(), L"SQLDrivers");
  for (const DriverEntry& d : drivers) {
    TabName entry;
    entry.Name = d.Name;
    list->push_back(std::move(entry));
  }
  return kOk;
}

int CDB::ServerProperty() const { return DBMS == DBMS_ORACLE ? 3 : 0; }

std::wstring CDB::ConInfo(int, int) const { return Info.ConInfo(); }

std::wstring CDB::GetInfoText(int infoType) const {
  if (!dbc_) return std::wstring();
  return InfoText(dbc_, static_cast<SQLUSMALLINT>(infoType), narrow_);
}
