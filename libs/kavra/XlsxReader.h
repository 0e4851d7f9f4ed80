#pragma once
// Reads the sheets of an Office Open XML workbook (.xlsx, .xlsm): the zip container, the
// workbook's sheet list and relationships, shared strings, number formats (to tell dates) and the
// cells of every worksheet (chart sheets are skipped).
//
// Values: shared and inline strings and formula strings as text; numbers as numbers (SetNumber);
// numbers in a date or time format as text (DateText, 1904 system when the workbook says so);
// booleans as "TRUE"/"FALSE"; error values as their text ("#N/A"); ISO dates (t="d") as
// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS". Formulas give their cached value. A cell reference is
// checked against the sheet's limits (XFD1048576) and only cells that hold a value are kept.
#include <cstddef>
#include <string>
#include <vector>

#include "kavra/FileTables.h"

namespace kavra_files {

class ZipArchive;

// Throws ReadError: kDamaged for a broken container or XML, kUnsupportedFormat for a binary
// workbook (.xlsb) in the container, kTooLarge past the budget.
std::vector<Table> ReadXlsx(const ZipArchive& archive, LoadBudget* budget);

}  // namespace kavra_files
