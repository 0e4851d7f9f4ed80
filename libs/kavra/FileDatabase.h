#pragma once
// The in-memory SQLite database that the file provider runs statements on: one table per Access
// table or sheet, every value stored as read (text, whole number or real; SQLite's columns are
// declared without a type so that nothing is converted), empty cells as NULL.
//
// Sheets: only the columns that hold at least one value exist, in sheet order, and rows without
// any value are left out (a far-off cell reference costs one cell, not a grid). With a header
// row (the first row that holds a value) its texts name the columns; a column without a header
// text, or whose name repeats an earlier one (names compare without regard to case), is named
// F<n> by its letter (A = F1), as are all columns without a header row. A sheet's cells lie in
// its first 65536 columns, as the readers give them.
#include <memory>
#include <string>
#include <vector>

#include "kavra/FileTables.h"

struct sqlite3;

namespace kavra_files {

struct SqliteClose {
  void operator()(sqlite3* db) const;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteClose>;

// Builds the database; `tables` is emptied on the way to spare memory. Tables whose names repeat
// (without regard to case) keep the first. The database is made query-only at the end. Throws
// ReadError (kDamaged) for a sheet cell past those columns, and with SQLite's message when a table
// cannot be made.
SqliteHandle BuildDatabase(std::vector<Table>* tables, bool headerRow);

}  // namespace kavra_files
