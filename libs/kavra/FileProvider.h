#pragma once
// The data-source types 3 (Access file) and 4 (Excel file): a CDB that reads the file named by an
// Access or Excel connection string (FileConnString.h) into an in-memory SQLite database and runs
// statements there, so that statements written for those drivers run unchanged:
//   select distinct `Name` from `Sheet1$` where `Name` is not null
// Tables: an Access database's user tables; a workbook's worksheets as "<sheet name>$". Columns
// and rows: FileDatabase.h. SQLite takes identifiers in double quotes (QuoteOpen/QuoteClose),
// backquotes and square brackets alike.
//
// Formats, told by the file's first bytes (not by its name): .xlsx/.xlsm (zip container), .xls
// (compound document, BIFF5/BIFF8), .mdb/.accdb. Refused: .xlsb (by name or content), anything
// else. Values, the same for every format (FileTables.h): texts as text; numbers as numbers, read
// back as text without a fraction when whole ("42", not "42.0") and with up to 15 significant
// digits otherwise ("0.1"); dates and times as "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or
// "HH:MM:SS"; booleans as "TRUE"/"FALSE"; empty cells as NULL.
//
// The file is read once, when connecting, and never written: the database is query-only, so a
// statement that changes data fails. What a load keeps is capped (256 MiB by default): a larger
// file fails with kFileProviderTooLarge.
//
// Execute runs the first statement of its text; a SELECT's first row is read there, so that a
// statement's own failure shows in Execute's result.
//
// Error texts begin with one of the texts below, then ": '<path>'" and, where there is more to
// say, ": <details>". Results as in CDB.h; a SQLite failure is -1 with SQLite's message.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "kavra/CDB.h"

inline constexpr wchar_t kFileProviderMissingFile[] = L"File not found or not readable";
inline constexpr wchar_t kFileProviderUnknownFormat[] = L"Unknown file format";
inline constexpr wchar_t kFileProviderUnsupportedFormat[] = L"Unsupported file format";
inline constexpr wchar_t kFileProviderDamagedFile[] = L"Damaged file";
inline constexpr wchar_t kFileProviderTooLarge[] = L"File too large";
inline constexpr std::size_t kFileProviderDefaultLimit = std::size_t{256} << 20;

namespace kavra_files {
struct FileStatement;
}

class FileProvider : public CDB {
 public:
  explicit FileProvider(DS_TYPE type);
  ~FileProvider() override;

  // Bytes a load may keep in memory (cell texts plus a fixed share per cell).
  void SetLoadLimit(std::size_t bytes) { limit_ = bytes; }

  // CONN_STRING only, with a connection string of FileConnString.h. Reads the whole file.
  int OpenConnection(CONN_INFO* info) override;
  int CloseConnection() override;
  bool IsConnected() const override;

  int Execute(const std::wstring& sql, HSTMT_K st = nullptr) override;
  int Fetch(HSTMT_K st = nullptr) override;
  // As CDB's; a value can be read any number of times.
  int GetColumnText(int column, std::wstring* out, int* size, HSTMT_K st = nullptr,
                    int = 0) override;
  int ColumnCount(int* n, HSTMT_K st = nullptr) override;
  int ColumnName(int column, std::wstring* out, HSTMT_K st = nullptr) override;
  int RowsAffected(int* n, HSTMT_K st = nullptr) override;
  int CloseCursor(HSTMT_K st = nullptr) override;
  int AllocStatement(HSTMT_K* st) override;
  int FreeStatement(HSTMT_K st) override;

 private:
  int Fail(int rc, const std::wstring& text);
  int FailSqlite();
  int Resolve(HSTMT_K st, kavra_files::FileStatement** out);

  struct Database;
  std::unique_ptr<Database> db_;
  std::size_t limit_ = kFileProviderDefaultLimit;
};
