#include "kavra/MdbReader.h"

#include <mdbtools.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace kavra_files {

namespace {

constexpr std::size_t kBindBytes = 65536;

struct MdbCloser {
  void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableFree {
  void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

// A bound value that libmdb wrote as text, as a cell of the column's type.
void SetValue(Cell* cell, int type, std::string text) {
  switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT: {
      char* end = nullptr;
      errno = 0;
      long long v = std::strtoll(text.c_str(), &end, 10);
      if (errno == 0 && end && *end == '\0' && !text.empty()) {
        cell->kind = Cell::kInteger;
        cell->integer = v;
        return;
      }
      break;
    }
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_NUMERIC: {
      char* end = nullptr;
      double v = std::strtod(text.c_str(), &end);
      if (end && *end == '\0' && !text.empty()) {
        SetNumber(cell, v);
        return;
      }
      break;
    }
    case MDB_DATETIME:
      if (text.size() == 19 && text.compare(10, 9, " 00:00:00") == 0) text.resize(10);
      break;
    default:
      break;
  }
  cell->text = std::move(text);
}

}  // namespace

std::vector<Table> ReadMdb(const std::string& path, LoadBudget* budget) {
  std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) throw ReadError(ReadError::kDamaged, "not a readable Access database");
  mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
  mdb_set_boolean_fmt_words(mdb.get());
  mdb_set_bind_size(mdb.get(), kBindBytes);
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
    throw ReadError(ReadError::kDamaged, "the database's table list cannot be read");

  std::vector<Table> tables;
  for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    std::unique_ptr<MdbTableDef, TableFree> def(mdb_read_table(entry));
    if (!def || !mdb_read_columns(def.get()))
      throw ReadError(ReadError::kDamaged,
                      "the table '" + std::string(entry->object_name) + "' cannot be read");
    mdb_rewind_table(def.get());

    Table table;
    table.name = entry->object_name;
    const unsigned int columns = def->num_cols;
    // One byte beyond the bound size for the terminator libmdb writes.
    std::vector<std::string> buffers(columns, std::string(kBindBytes + 1, '\0'));
    std::vector<int> lengths(columns, 0);
    std::vector<int> types(columns, 0);
    for (unsigned int c = 0; c < columns; ++c) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
      table.columns.push_back(col->name);
      types[c] = col->col_type;
      mdb_bind_column(def.get(), static_cast<int>(c + 1), buffers[c].data(), &lengths[c]);
    }
    for (std::uint32_t row = 0; mdb_fetch_row(def.get()); ++row) {
      for (unsigned int c = 0; c < columns; ++c) {
        if (lengths[c] <= 0 || types[c] == MDB_OLE || types[c] == MDB_BINARY) continue;
        Cell cell;
        cell.row = row;
        cell.column = c;
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(lengths[c]), kBindBytes);
        SetValue(&cell, types[c], std::string(buffers[c].data(), n));
        budget->AddCell(cell.text.size());
        table.cells.push_back(std::move(cell));
      }
    }
    tables.push_back(std::move(table));
  }
  return tables;
}

}  // namespace kavra_files
