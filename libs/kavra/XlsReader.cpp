#include "kavra/XlsReader.h"

#include <freexl.h>

#include <memory>

namespace kavra_files {

namespace {

struct XlsClose {
  void operator()(const void* h) const { freexl_close(h); }
};
using XlsHandle = std::unique_ptr<const void, XlsClose>;

[[noreturn]] void Damaged(const std::string& what, int code) {
  throw ReadError(ReadError::kDamaged, what + " (libfreexl error " + std::to_string(code) + ")");
}

}  // namespace

std::vector<Table> ReadXls(const std::string& path, LoadBudget* budget) {
  const void* raw = nullptr;
  int rc = freexl_open(path.c_str(), &raw);
  XlsHandle xls(raw);
  if (rc != FREEXL_OK) Damaged("not a readable .xls workbook", rc);

  unsigned int value = 0;
  if (freexl_get_info(xls.get(), FREEXL_BIFF_PASSWORD, &value) == FREEXL_OK &&
      value == FREEXL_BIFF_OBFUSCATED)
    throw ReadError(ReadError::kUnsupportedFormat,
                    "password-protected .xls workbooks are not read");
  unsigned int sheets = 0;
  if ((rc = freexl_get_info(xls.get(), FREEXL_BIFF_SHEET_COUNT, &sheets)) != FREEXL_OK)
    Damaged("the workbook's sheet list cannot be read", rc);

  std::vector<Table> tables;
  for (unsigned short s = 0; s < sheets && s < 0xFFFF; ++s) {
    const char* name = nullptr;
    if ((rc = freexl_get_worksheet_name(xls.get(), s, &name)) != FREEXL_OK || !name)
      Damaged("a sheet name cannot be read", rc);
    if ((rc = freexl_select_active_worksheet(xls.get(), s)) != FREEXL_OK)
      Damaged("the sheet '" + std::string(name) + "' cannot be read", rc);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if ((rc = freexl_worksheet_dimensions(xls.get(), &rows, &columns)) != FREEXL_OK)
      Damaged("the sheet '" + std::string(name) + "' cannot be read", rc);

    // The grid is walked cell by cell: its size must fit the budget even where it is empty.
    if (static_cast<unsigned long long>(rows) * columns * sizeof(FreeXL_CellValue) >
        budget->Limit())
      throw ReadError(ReadError::kTooLarge, "the sheet '" + std::string(name) + "' spans " +
                                                std::to_string(rows) + " rows by " +
                                                std::to_string(columns) + " columns");
    Table table;
    table.name = std::string(name) + "$";
    for (unsigned int r = 0; r < rows; ++r) {
      for (unsigned short c = 0; c < columns; ++c) {
        FreeXL_CellValue v;
        if ((rc = freexl_get_cell_value(xls.get(), r, c, &v)) != FREEXL_OK)
          Damaged("a cell of the sheet '" + std::string(name) + "' cannot be read", rc);
        Cell cell;
        cell.row = r;
        cell.column = c;
        switch (v.type) {
          case FREEXL_CELL_INT:
            cell.kind = Cell::kInteger;
            cell.integer = v.value.int_value;
            break;
          case FREEXL_CELL_DOUBLE:
            SetNumber(&cell, v.value.double_value);
            break;
          case FREEXL_CELL_TEXT:
          case FREEXL_CELL_SST_TEXT:
          case FREEXL_CELL_DATE:
          case FREEXL_CELL_DATETIME:
          case FREEXL_CELL_TIME:
            if (!v.value.text_value) continue;
            cell.text = v.value.text_value;
            break;
          default:
            continue;  // empty
        }
        budget->AddCell(cell.text.size());
        table.cells.push_back(std::move(cell));
      }
    }
    tables.push_back(std::move(table));
  }
  return tables;
}

}  // namespace kavra_files
