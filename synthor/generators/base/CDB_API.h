#pragma once
// The library's one door to data in databases and data files. The engine owns a default wrapper
// (unconnected until SetConnection(dsn, user, password)) and, after SetConnection(CDB*), a custom
// one on the caller's connection; database-backed generators use whichever is current, or a
// wrapper of their own for a DSN or a file named in the pattern.
//
// A wrapper made on a caller's connection (CDB* or another wrapper) reads through a session of
// its own, connected with the caller's description, so that a generator's statements neither
// join nor break the caller's transaction (a failed read would abort a PostgreSQL transaction)
// and a stop that cancels the caller's statement leaves them alone. The session is opened on the
// first read, so a caller whose patterns never read a database costs the server no second
// session; it runs in autocommit, so reads hold no locks between values. Where a second session
// would not reach the same data, the caller's connection object is borrowed instead: an SQLite
// database in memory (a second session would be another, empty database) and the Access and
// Excel files of the file provider (each session loads the whole file again; the copy is
// query-only, so there is no transaction to disturb). The wrapper never closes or deletes a
// borrowed object; Close frees only what it owns. SQLite files opened with Open(path, kind 15,
// ...) are read by the wrapper's own SQLite reader.
//
// Results: 0 success, 1 a statement failed, negative when there is no connection (Open: non-zero
// when the source is open). The last error is kept as text; nothing is thrown.
//
// Threads: one wrapper belongs to one engine, used by one thread.
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"

class CDB;
class SQLiteConn;
struct CONN_INFO;

class SYNTHOR_API CDB_API {
 public:
  // Result columns of a multi-column read, one vector per column, all of the same length.
  using Columns = std::vector<std::vector<std::wstring>>;

  // Data-source kinds of Open (DbmsCodes.h).
  static constexpr int kAccessFile = 3;
  static constexpr int kExcelFile = 4;
  static constexpr int kSqliteFile = 15;
  // The longest value text kept from an SQLite file and from a database (characters).
  static constexpr std::size_t kSqliteValueLength = 1022;
  static constexpr int kDatabaseValueLength = 512;
  // In check-syntax mode a read stops after this many rows.
  static constexpr std::size_t kCheckSyntaxRows = 502;

  // An unconnected wrapper with a connection object of its own.
  CDB_API();
  // A wrapper on the caller's connection (see above); kind is the connection's DBMS code. Without
  // a connected source the wrapper is unconnected, kind -1.
  explicit CDB_API(CDB* source);
  // A wrapper on the same data as `source`: on its connection as above (its SQLite reader is not
  // shared: a source reading an SQLite file gives an unconnected wrapper).
  explicit CDB_API(CDB_API* source);
  virtual ~CDB_API();
  CDB_API(const CDB_API&) = delete;
  CDB_API& operator=(const CDB_API&) = delete;

  // Connects by data-source name with a connection object of the wrapper's own (a borrowed one is
  // let go first). Kind becomes -1 (unknown). The result is the connection's (0 success). A
  // process confined to this machine first judges where the data source leads (DsnReach.h).
  int Connect(const std::wstring& dsn, const std::wstring& user, const std::wstring& password);
  // Opens a data file: kind 15 an SQLite file, 3 an Access file, 4 an Excel workbook. Non-zero
  // when the source is open; 0 with the last error set when not.
  int Open(const std::wstring& path, int kind, int readOnly);
  // Closes the SQLite file, and disconnects and deletes a connection object the wrapper owns; a
  // borrowed one is only forgotten.
  void Close();

  // SQLite files only: runs a statement. 0 done, 1 SQLite refused it (last error = its message),
  // -1 not an SQLite source or no open file.
  int Execute(const std::wstring& sql);
  // The distinct non-null values of one column; `filter` (the user's own SQL condition) is added
  // with "and" when not empty. Table and column are quoted for the source.
  int GetColumn(const std::wstring& table, const std::wstring& column, const std::wstring& filter,
                std::vector<std::wstring>* values);
  // Several columns of a table (empty names are skipped), `where` added when given and not empty.
  int GetColumns(const std::wstring& table, const std::vector<std::wstring>& columns, Columns* rows,
                 const std::wstring* where);
  // The first column of every row. An SQL NULL gives the text "NULL" from a database and no entry
  // from an SQLite file.
  int GetQuery(const std::wstring& sql, std::vector<std::wstring>* values);
  // Every column of every row; an SQL NULL gives the text "NULL", so rows stay aligned.
  int GetQuery(const std::wstring& sql, Columns* columns);

  // Identifiers for the source's SQL. A name that is already one complete quoted identifier ("x",
  // [x], `x` or in the connection's own quote characters) is kept; any other is put between the
  // connection's quote characters (double quotes without a connection object; backticks for an
  // SQLite source, a double-quoted name there re-quoted so) with the closing character doubled
  // inside. QuoteTable quotes an owner-qualified name (owner.table, split at the
  // first dot outside quotes) part by part.
  std::wstring QuoteColumn(const std::wstring& name) const;
  std::wstring QuoteTable(const std::wstring& name) const;
  // `name` between `open` and `close`, every `close` inside doubled.
  static std::wstring QuoteName(const std::wstring& name, wchar_t open, wchar_t close);

  // True when statements can run now: an SQLite file is open or the connection object is
  // connected.
  bool IsConnected() const;
  // True when statements can run, opening the session on the caller's connection first when it is
  // still to be opened (a failure leaves its cause in LastError).
  bool Usable();
  // True while the wrapper reads through the caller's own connection object.
  bool Borrows() const { return connection_ != nullptr && !owned_; }
  bool HasConnection() const { return connection_ != nullptr; }
  CDB* Connection() const { return connection_; }
  int Kind() const { return kind_; }
  const std::wstring& LastError() const { return lastError_; }

 protected:
  // Makes the wrapper's connection for `source` (null: an unconnected one of type 0): its own
  // object for the source's data-source type, attached to the source's description, or the
  // source itself where a second session cannot reach the same data.
  void Init(CDB* source);
  // 0 connected, 1 failed, -4 the provider is missing and no Excel ODBC driver stands in.
  int ConnectToExcel(const std::wstring& path, int readOnly);
  // 1 when an Excel ODBC driver was found and `info` describes the workbook through it; 0 (last
  // error set) when none is installed.
  int UseOdbcForExcel(CDB* db, CONN_INFO* info, const std::wstring& path, int readOnly);

 private:
  // Makes `made` the wrapper's own connection object (the previous one is let go).
  void Own(CDB* made);
  // Init for a source that is connected, or whose description another wrapper has still to
  // connect (`live`); a source that is neither gives an unconnected wrapper.
  void InitFrom(CDB* source, bool live);
  // Opens the session Init arranged; false with the cause in the last error.
  bool OpenAttachedSession();
  void ReleaseConnection();
  bool ReadingSqliteFile() const;
  // The source's quote characters.
  wchar_t QuoteOpen() const;
  wchar_t QuoteClose() const;
  bool IsQuotedName(const std::wstring& name) const;
  // SQLite sources, whose names are quoted with backticks instead.
  bool ReadsDoubleQuotedNamesAsStrings() const;
  std::wstring QuotePart(const std::wstring& name) const;
  // Both GetQuery forms; `withStatement` adds the statement to a failed execution's error text.
  int QueryDatabase(const std::wstring& sql, bool withStatement, Columns* columns, bool firstOnly);
  int QuerySqlite(const std::wstring& sql, Columns* columns, bool firstOnly);
  int NoConnection();

  std::wstring lastError_;
  CDB* connection_ = nullptr;           // owned_ or the caller's
  std::unique_ptr<CDB> owned_;          // the connection object this wrapper made
  bool attachPending_ = false;          // owned_ is to connect with its Info on the first read
  int kind_ = -1;                       // DBMS_T of the source reached; -1 unknown
  std::unique_ptr<SQLiteConn> sqlite_;  // while an SQLite file is the source
};
