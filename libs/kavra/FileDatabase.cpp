#include "kavra/FileDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kavra_files {

namespace {

// The readers keep sheet cells within this many columns (.xls numbers them in 16 bits, .xlsx has
// 16384), so a sheet's columns can be indexed directly.
constexpr std::uint32_t kMaxSheetColumns = 65536;

struct Finalize {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
  throw ReadError(ReadError::kDamaged, what + ": " + sqlite3_errmsg(db));
}

void Run(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db, sql);
}

std::string Quote(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// ASCII case folding, as SQLite compares identifiers.
std::string Folded(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
  return s;
}

void Bind(sqlite3_stmt* st, int index, const Cell& cell) {
  switch (cell.kind) {
    case Cell::kInteger:
      sqlite3_bind_int64(st, index, cell.integer);
      break;
    case Cell::kReal:
      sqlite3_bind_double(st, index, cell.real);
      break;
    case Cell::kText:
      sqlite3_bind_text(st, index, cell.text.data(), static_cast<int>(cell.text.size()),
                        SQLITE_STATIC);
      break;
  }
}

std::string HeaderText(const Cell& cell) {
  if (cell.kind == Cell::kInteger) return std::to_string(cell.integer);
  if (cell.kind == Cell::kReal) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", cell.real);
    return buffer;
  }
  return cell.text;
}

void LoadTable(sqlite3* db, Table* table, bool headerRow) {
  std::vector<Cell>& cells = table->cells;
  const bool sheet = table->columns.empty();
  std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  // A cell given twice keeps its last value.
  std::vector<Cell> unique;
  unique.reserve(cells.size());
  for (Cell& c : cells) {
    if (!unique.empty() && unique.back().row == c.row && unique.back().column == c.column)
      unique.back() = std::move(c);
    else
      unique.push_back(std::move(c));
  }
  cells.clear();
  cells.shrink_to_fit();

  // The table's columns: position[cell column] is the column's place in the table, -1 for none.
  std::vector<int> position;
  std::vector<std::string> names;
  std::size_t first = 0;  // the first data cell
  if (!sheet) {
    position.resize(table->columns.size());
    for (std::size_t i = 0; i < table->columns.size(); ++i) {
      position[i] = static_cast<int>(i);
      names.push_back(table->columns[i]);
    }
  } else {
    std::map<std::uint32_t, std::string> header;
    if (headerRow && !unique.empty()) {
      const std::uint32_t row = unique.front().row;
      while (first < unique.size() && unique[first].row == row) {
        header[unique[first].column] = HeaderText(unique[first]);
        ++first;
      }
    }
    std::uint32_t maxColumn = 0;
    for (const Cell& c : unique) maxColumn = std::max(maxColumn, c.column);
    if (maxColumn >= kMaxSheetColumns)
      throw ReadError(
          ReadError::kDamaged,
          "the sheet '" + table->name + "' has a cell past the last column a sheet can have");
    std::vector<char> used(std::size_t{maxColumn} + 1, 0);
    for (std::size_t i = first; i < unique.size(); ++i) used[unique[i].column] = 1;
    for (const auto& h : header) used[h.first] = 1;
    position.assign(used.size(), -1);
    std::set<std::string> taken;
    for (std::uint32_t column = 0; column < used.size(); ++column) {
      if (!used[column]) continue;
      auto h = header.find(column);
      std::string name = h != header.end() ? h->second : std::string();
      const std::string fName = 'F' + std::to_string(column + 1);
      if (name.empty() || taken.count(Folded(name))) name = fName;
      // An F-name can still collide with a header text; number on until free.
      for (int n = 2; taken.count(Folded(name)); ++n) name = fName + '_' + std::to_string(n);
      taken.insert(Folded(name));
      position[column] = static_cast<int>(names.size());
      names.push_back(name);
    }
  }
  if (names.empty()) names.push_back("F1");  // an empty sheet is still a table
  if (names.size() > 2000)
    throw ReadError(ReadError::kTooLarge, "the table '" + table->name + "' has " +
                                              std::to_string(names.size()) +
                                              " columns; at most 2000 are read");

  std::string create = "CREATE TABLE " + Quote(table->name) + " (";
  std::string insert = "INSERT INTO " + Quote(table->name) + " VALUES (";
  for (std::size_t i = 0; i < names.size(); ++i) {
    create += (i ? ", " : "") + Quote(names[i]);
    insert += i ? ", ?" : "?";
  }
  Run(db, create + ")");
  insert += ")";
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, insert.c_str(), -1, &raw, nullptr) != SQLITE_OK) Fail(db, insert);
  Statement st(raw);
  for (std::size_t i = first; i < unique.size();) {
    const std::uint32_t row = unique[i].row;
    sqlite3_reset(st.get());
    sqlite3_clear_bindings(st.get());
    for (; i < unique.size() && unique[i].row == row; ++i) {
      const std::uint32_t column = unique[i].column;
      if (column < position.size() && position[column] >= 0)
        Bind(st.get(), position[column] + 1, unique[i]);
    }
    if (sqlite3_step(st.get()) != SQLITE_DONE) Fail(db, "loading " + table->name);
  }
}

}  // namespace

void SqliteClose::operator()(sqlite3* db) const { sqlite3_close(db); }

SqliteHandle BuildDatabase(std::vector<Table>* tables, bool headerRow) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  SqliteHandle db(raw);
  if (rc != SQLITE_OK) {
    if (!db) throw ReadError(ReadError::kTooLarge, "no memory for the database");
    Fail(db.get(), "opening the database");
  }
  // A double-quoted name that matches no column is an error, never a string literal: a
  // misspelt column must not read back as its own name in every row.
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  Run(db.get(), "BEGIN");
  std::set<std::string> seen;
  for (Table& table : *tables) {
    if (!seen.insert(Folded(table.name)).second) continue;
    LoadTable(db.get(), &table, headerRow);
    table = Table();
  }
  tables->clear();
  Run(db.get(), "COMMIT");
  Run(db.get(), "PRAGMA query_only = 1");
  return db;
}

}  // namespace kavra_files
