#pragma once
// A small reader of SQLite database files through SQLite's UTF-16 interface: open a file, run one
// statement at a time and read its rows as text. Used by CDB_API for data sources that are SQLite
// files rather than ODBC connections.
//
// Threads: one reader belongs to one wrapper, used by one thread.
#include <cstddef>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class SQLiteConn {
 public:
  SQLiteConn() = default;
  ~SQLiteConn();  // finalizes and closes what is still open
  SQLiteConn(const SQLiteConn&) = delete;
  SQLiteConn& operator=(const SQLiteConn&) = delete;

  // 0 when the file is open; -1 with Error() set when it does not exist, is not accessible or
  // SQLite cannot open it. An open file is closed first. `readOnly`: SQLite refuses every write.
  int Open(const std::wstring& path, bool readOnly = false);
  // 0 when the statement is ready, 1 when SQLite refused it (Error() holds its message), 2 when
  // no file is open. A statement still prepared is finalized first.
  int Prepare(const std::wstring& sql);
  // 0 a row, 100 done, -1 an error (Error() holds SQLite's message).
  int Step();
  void Finalize();
  // Column `column` (from 1) of the current row: -1 for NULL (`out` emptied), else 0 with at most
  // `maxUnits` UTF-16 units of the value in `out`. A cut never splits a surrogate pair.
  int ColumnText(int column, std::wstring* out, std::size_t maxUnits);
  // -1 without an open file; else 0 and the number of result columns of the statement.
  int ColumnCount(int* out) const;
  void Close();

  bool IsOpen() const { return db_ != nullptr; }
  const std::wstring& Error() const { return error_; }

 private:
  void TakeError();  // Error() := SQLite's message of the open database

  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  std::wstring error_;
};
