// Builds the value library that ships with the program: an SQLite file with one table per list
// (from <Table>.tsv: a header line of column names, then one row a line, fields split by tabs)
// and the catalogue `_Index` (from Catalogue.tsv: table and group, one a line).
//
//   make_library <output.sqlite> <data folder>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

struct DbClose {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StmtFinalize {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Db = std::unique_ptr<sqlite3, DbClose>;
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalize>;

Row SplitTabs(const std::string& line) {
  Row fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

bool ReadTsv(const std::string& path, std::vector<Row>* rows) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) rows->push_back(SplitTabs(line));
  }
  return !rows->empty();
}

std::string Quote(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

bool Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  std::cerr << "make_library: " << (message ? message : "error") << " in " << sql << "\n";
  sqlite3_free(message);
  return false;
}

bool Insert(sqlite3* db, const std::string& sql, const Row& values) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    std::cerr << "make_library: " << sqlite3_errmsg(db) << " in " << sql << "\n";
    return false;
  }
  Stmt stmt(raw);
  for (std::size_t i = 0; i < values.size(); ++i)
    sqlite3_bind_text(raw, static_cast<int>(i + 1), values[i].c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(raw) == SQLITE_DONE) return true;
  std::cerr << "make_library: " << sqlite3_errmsg(db) << " in " << sql << "\n";
  return false;
}

bool AddTable(sqlite3* db, const std::string& folder, const std::string& table) {
  std::vector<Row> rows;
  if (!ReadTsv(folder + "/" + table + ".tsv", &rows)) {
    std::cerr << "make_library: cannot read " << table << ".tsv\n";
    return false;
  }
  const Row& header = rows.front();
  std::string create = "create table " + Quote(table) + "(";
  std::string insert = "insert into " + Quote(table) + " values(";
  for (std::size_t i = 0; i < header.size(); ++i) {
    create += (i ? ", " : "") + Quote(header[i]) + " varchar(255)";
    insert += i ? ", ?" : "?";
  }
  if (!Exec(db, create + ")")) return false;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    if (rows[r].size() != header.size()) {
      std::cerr << "make_library: " << table << ".tsv line " << r + 1 << " has " << rows[r].size()
                << " fields, expected " << header.size() << "\n";
      return false;
    }
    if (!Insert(db, insert + ")", rows[r])) return false;
  }
  return true;
}

// The catalogue: groups at the top (Parent 0), their tables below them, each table's columns
// below the table.
bool Build(sqlite3* db, const std::string& folder) {
  std::vector<Row> catalogue;
  if (!ReadTsv(folder + "/Catalogue.tsv", &catalogue)) return false;
  if (!Exec(db,
            "create table _Index(ID integer primary key, Name varchar(255), Parent integer, "
            "Column varchar(255), Hidden integer, IsTable integer)"))
    return false;
  std::vector<std::pair<std::string, int>> groups;
  int next = 1;
  const std::string entry =
      "insert into _Index(ID,Name,Parent,Column,Hidden,IsTable) "
      "values(?,?,?,?,0,?)";
  for (std::size_t r = 1; r < catalogue.size(); ++r) {
    if (catalogue[r].size() != 2) return false;
    const std::string& table = catalogue[r][0];
    const std::string& group = catalogue[r][1];
    int groupId = 0;
    for (const auto& [name, id] : groups)
      if (name == group) groupId = id;
    if (!groupId) {
      groupId = next++;
      groups.emplace_back(group, groupId);
      if (!Insert(db, entry, {std::to_string(groupId), group, "0", "", "0"})) return false;
    }
    if (!AddTable(db, folder, table)) return false;
    const int tableId = next++;
    if (!Insert(db, entry, {std::to_string(tableId), table, std::to_string(groupId), "", "1"}))
      return false;
    std::vector<Row> rows;
    ReadTsv(folder + "/" + table + ".tsv", &rows);
    for (const std::string& column : rows.front())
      if (!Insert(db, entry, {std::to_string(next++), "", std::to_string(tableId), column, "0"}))
        return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_library <output.sqlite> <data folder>\n";
    return 2;
  }
  const std::string output = argv[1];
  std::remove(output.c_str());
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open(output.c_str(), &raw);
  Db db(raw);
  if (opened != SQLITE_OK) {
    std::cerr << "make_library: cannot create " << output << "\n";
    return 1;
  }
  const bool built =
      Exec(db.get(), "begin") && Build(db.get(), argv[2]) && Exec(db.get(), "commit");
  db.reset();
  if (!built) {
    std::remove(output.c_str());
    return 1;
  }
  return 0;
}
