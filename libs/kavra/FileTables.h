#pragma once
// What the file readers hand to the file provider: the tables of an Access database or the sheets
// of a workbook, as cells that hold text, a whole number or another number. Nothing here knows a
// file format; the formats' readers fill it, FileDatabase turns it into SQLite tables.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavra_files {

// A reader's failure: what kind, and the details (UTF-8) that follow the kind's text in
// CDB::ErrorText (FileProvider.h has the texts).
struct ReadError : std::runtime_error {
  enum Kind { kDamaged, kTooLarge, kUnsupportedFormat, kUnknownFormat, kMissingFile };
  ReadError(Kind k, const std::string& detail) : std::runtime_error(detail), kind(k) {}
  Kind kind;
};

struct Cell {
  enum Kind : std::uint8_t { kText, kInteger, kReal };
  std::uint32_t row = 0;     // from 0, as in the file (gaps allowed)
  std::uint32_t column = 0;  // from 0 (A = 0)
  Kind kind = kText;
  std::int64_t integer = 0;
  double real = 0;
  std::string text;  // UTF-8
};

struct Table {
  std::string name;  // UTF-8: the Access table, or the sheet name followed by '$'
  // Given (Access): the column names, indexed by Cell::column. Empty (a sheet): the names come
  // from the header row or are F1, F2, ... by the column's letter (A = F1).
  std::vector<std::string> columns;
  std::vector<Cell> cells;
};

// Counts what a load keeps in memory and stops it past a limit, so that a huge or hostile file
// fails with a clear error instead of exhausting memory.
class LoadBudget {
 public:
  explicit LoadBudget(std::size_t limitBytes) : limit_(limitBytes) {}
  // Adds one cell of `textBytes` text; throws ReadError past the limit.
  void AddCell(std::size_t textBytes);
  std::size_t Used() const { return used_; }
  std::size_t Limit() const { return limit_; }

 private:
  std::size_t limit_;
  std::size_t used_ = 0;
};

// A number as a cell: a whole number in the 64-bit range becomes kInteger (read back as "42", never
// "42.0"), anything else kReal (read back with up to 15 significant digits, as SQLite prints it).
void SetNumber(Cell* cell, double value);

// Spreadsheet date serials (days since 1899-12-30, or since 1904-01-01 for workbooks that use the
// 1904 system) as text: "YYYY-MM-DD" for a whole day, "YYYY-MM-DD HH:MM:SS" with a time of day,
// "HH:MM:SS" for a time-only format (timeOnly) or a serial below 1. Seconds are rounded. The
// 1900 system's phantom day 1900-02-29 (serial 60) is kept as the spreadsheet shows it. Serials
// out of the years 1900..9999 (or not finite) are returned as plain numbers.
std::string DateText(double serial, bool date1904, bool timeOnly);

// Whether a number format code shows a date or time: a built-in id 14..22 or 45..47, or a custom
// code with a d, m, y, h or s outside quotes, brackets and escapes (colour and locale tags such
// as [Red] do not count; [h] and [mm] do).
bool IsDateFormatId(int id);
bool IsDateFormatCode(const std::string& code);
// Whether a date format shows only a time of day (ids 18..21, 45..47, or a code without d/y/m
// outside time context).
bool IsTimeOnlyFormatId(int id);
bool IsTimeOnlyFormatCode(const std::string& code);

}  // namespace kavra_files
