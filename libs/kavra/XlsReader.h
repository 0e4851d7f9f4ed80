#pragma once
// Reads the worksheets of a legacy binary Excel workbook (.xls, BIFF5/BIFF8) through libfreexl.
// Values follow the same rule as XlsxReader: texts as text, numbers as numbers, dates and times as
// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS", empty cells left out. Password-protected
// workbooks are refused.
#include <string>
#include <vector>

#include "kavra/FileTables.h"

namespace kavra_files {

// Throws ReadError: kDamaged when libfreexl cannot read the file, kUnsupportedFormat for an
// encrypted workbook, kTooLarge past the budget.
std::vector<Table> ReadXls(const std::string& path, LoadBudget* budget);

}  // namespace kavra_files
