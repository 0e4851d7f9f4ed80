#pragma once
// A database connection over ODBC (unixODBC, ODBC 3): connect, run statements, read results as
// text, transactions.
//
// Result codes of every int operation:
//     0  success
//   100  no more rows (Fetch only; isOK() says it is not success)
//    -1  the ODBC call failed; ErrorText holds the driver's diagnostics "[SQLSTATE] message",
//        several records joined with "; "
//    -2  not connected
//    -3  a bad argument (null pointer, column < 1, a statement handle this object did not make)
// ErrorText is set by every failure (also the non-ODBC ones) and left alone by successes;
// OpenConnection starts with it empty.
//
// Text travels as UTF-16 through the ODBC W calls, or as UTF-8 through the ANSI calls for a driver
// that has no W calls (the SQLite driver of Debian 12), where the driver manager would otherwise
// squeeze every UTF-16 unit into one byte. The choice is made per connection, before connecting.
//
// Threads: an object is used by one thread at a time; different objects may be used by different
// threads at once. Only the process's ODBC environment is shared. The one exception is Cancel,
// which another thread may call while the owner is inside a call.
//
// The connection and statement calls are virtual: FileProvider.h (types 3 and 4) answers them from
// a file instead of ODBC, and a test can stand in for a server that cannot run here (a derived
// class that scripts results and sets DBMS itself).
#include <mutex>
#include <string>
#include <vector>

#include "kavra/ConnInfo.h"
#include "kavra/TabName.h"

// A statement handle made by AllocStatement. nullptr stands for the object's own statement, which
// exists while the object is connected.
typedef void* HSTMT_K;

class CDB {
 public:
  enum Result { kOk = 0, kNoData = 100, kOdbcError = -1, kNotConnected = -2, kBadArgument = -3 };

  // A new, unconnected object for a data-source type (stored in Info.DsType): 3 (Access file)
  // and 4 (Excel file) give a FileProvider, every other type ODBC. nullptr only when the ODBC
  // environment cannot be made. The caller deletes it.
  static CDB* newDB(DS_TYPE type);
  // True for 0 only.
  static bool isOK(int rc) { return rc == kOk; }
  // A connect to a server that does not answer gives up after this many seconds.
  static constexpr int kLoginTimeoutSeconds = 30;

  virtual ~CDB();  // disconnects when connected
  CDB(const CDB&) = delete;
  CDB& operator=(const CDB&) = delete;

  // Copies *info into Info and connects with it (an open connection is closed first): CONN_DSN
  // through SQLConnect, CONN_STRING through SQLDriverConnect without prompting. With
  // Info.ManualCommit == 1 autocommit is switched off. Fills DbmsName, DbmsVersion, DBMS and the
  // identifier quote characters.
  virtual int OpenConnection(CONN_INFO* info);
  // Connects with the description of `from`, which may be this object.
  int Connect(CDB* from);
  // Rolls back work not yet committed (manual-commit mode), frees every statement, including
  // those from AllocStatement, and disconnects. 0 also when not connected.
  virtual int CloseConnection();
  virtual bool IsConnected() const { return dbc_ != nullptr; }
  // The driver's own word that the connection to the server is gone (SQL_ATTR_CONNECTION_DEAD),
  // for instance after the server closed it; false while it is alive or the driver cannot tell.
  bool ConnectionDead() const;
  // After a failed call: the connection is gone, that is, closed, dead by the driver's word, or
  // the failure (ErrorText) carries a state of class 08, the connection failures.
  bool ConnectionLost() const;
  // Asks the driver to cancel what runs on the own statement (SQLCancel). Safe to call from
  // another thread while the owner is inside Execute or Fetch, and before or after a connect;
  // leaves ErrorText alone, since the owner may be writing it. Only a call under way is
  // cancelled: on an idle statement SQLCancel would close its cursor, so a cancel that arrives
  // after the call has returned does nothing (kOk). kNotConnected without a statement.
  int Cancel();

  // Runs a statement (an open cursor on the statement is closed first). An UPDATE or DELETE that
  // touched no rows is success.
  virtual int Execute(const std::wstring& sql, HSTMT_K st = nullptr);
  // The next row: 0, 100 when there are no more rows, negative on failure.
  virtual int Fetch(HSTMT_K st = nullptr);
  // The text of a column of the current row (columns from 1). *size in: the most characters
  // wanted; <= 0 or a null `size` means the whole value. *size out: the characters returned, or
  // -1 for NULL (`out` is then empty). A long value is read in pieces and reading stops once the
  // limit is reached. Reading the same column twice gives an empty text the second time (ODBC
  // hands each value out once).
  virtual int GetColumnText(int column, std::wstring* out, int* size, HSTMT_K st = nullptr,
                            int = 0);
  virtual int ColumnCount(int* n, HSTMT_K st = nullptr);
  virtual int ColumnName(int column, std::wstring* out, HSTMT_K st = nullptr);
  // Rows changed by the last INSERT, UPDATE or DELETE on the statement (-1 when the driver
  // cannot tell).
  virtual int RowsAffected(int* n, HSTMT_K st = nullptr);
  // Closes the statement's cursor; 0 also when none is open.
  virtual int CloseCursor(HSTMT_K st = nullptr);
  // An extra statement on this connection, freed by FreeStatement or by the disconnect.
  virtual int AllocStatement(HSTMT_K* st);
  virtual int FreeStatement(HSTMT_K st);

  // 0 switches autocommit off (manual commit), anything else on. The mode stays until changed
  // again or the connection closes.
  int SetTransactionMode(int autoCommit);
  // With autocommit off, ODBC begins a transaction by itself with the next statement; this only
  // notes that one is open. Called with autocommit on, it switches autocommit off first.
  int BeginTransaction();
  // Commits (0) or rolls back (non-zero) the open work. The transaction mode is kept: with
  // manual commit the next statement begins the next transaction.
  int EndTransaction(int rollback);
  // True between BeginTransaction and EndTransaction.
  bool InTransaction() const { return transactionOpen_; }

  // The ODBC drivers installed (Name = the driver name; Owner stays empty). Needs no connection.
  int ListDrivers(std::vector<TabName>* list);

  // 3 when each statement must be sent without its trailing ';' (the Oracle code), else 0.
  int ServerProperty() const;
  // Display text of the connection description (never with a password); a and b are reserved.
  std::wstring ConInfo(int a, int b) const;
  // A text item of SQLGetInfo (an SQL_* info type such as SQL_DRIVER_NAME); "" when not
  // connected or the driver cannot answer.
  std::wstring GetInfoText(int infoType) const;

  std::wstring ErrorText;  // the last failure
  int StmtState = 0;       // 9 while the own statement holds a result set, else 0
  int DBMS = -1;           // DbmsCodes.h; -1 when not connected
  CONN_INFO Info;          // the description connected with
  wchar_t QuoteOpen = L'"';
  wchar_t QuoteClose = L'"';
  std::wstring DbmsName;     // SQL_DBMS_NAME, "" when not connected
  std::wstring DbmsVersion;  // SQL_DBMS_VER

 protected:
  explicit CDB(DS_TYPE type);
  static std::mutex& DriverConnectLock();

 private:
  int Fail(int rc, const std::wstring& text);
  int FailOdbc(short handleType, void* handle, const wchar_t* what);
  // The ODBC statement for `st`, or a negative result code with ErrorText set.
  int Resolve(HSTMT_K st, void** handle);
  void ReadServerFacts();

  void* dbc_ = nullptr;
  void* stmt_ = nullptr;                 // the own statement
  // Marks the own statement as inside a call that Cancel may stop, for the call's length.
  void BeginCancellable(void* h);
  void EndCancellable(void* h);

  std::mutex stmtMutex_;                // guards stmt_ being made and freed against Cancel
  bool callRunning_ = false;            // stmt_ is inside ExecDirect or Fetch (stmtMutex_)
  std::vector<void*> extraStatements_;  // made by AllocStatement, not yet freed
  bool transactionOpen_ = false;
  bool autoCommit_ = true;
  bool narrow_ = false;  // the driver takes UTF-8 through the ANSI calls (OdbcSupport.h)
  // GetColumnText's and Execute's buffers, kept to spare allocations per value and statement.
  std::u16string wideChunk_, wideValue_, wideSql_;
  std::string narrowChunk_, narrowValue_, narrowSql_;
};
