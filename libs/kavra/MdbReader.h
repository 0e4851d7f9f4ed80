#pragma once
// Reads the user tables of an Access database (.mdb, .accdb) through libmdb. Values: whole-number
// columns as numbers, floating and currency columns as numbers (SetNumber), Yes/No as "TRUE" or
// "FALSE", dates as "YYYY-MM-DD" (midnight) or "YYYY-MM-DD HH:MM:SS", text and memo as text (a
// memo longer than 64 KiB is cut there), binary and OLE columns as NULL.
#include <string>
#include <vector>

#include "kavra/FileTables.h"

namespace kavra_files {

// Throws ReadError: kDamaged when libmdb cannot read the file, kTooLarge past the budget.
std::vector<Table> ReadMdb(const std::string& path, LoadBudget* budget);

}  // namespace kavra_files
