#pragma once
// A fixture that runs the same test against a real SQLite file and the real PostgreSQL server.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kavra/CDB.h"

namespace kavra_test {

enum class Backend { kSqlite, kPostgres };

std::string BackendName(const testing::TestParamInfo<Backend>& info);

class DbTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool IsSqlite() const { return GetParam() == Backend::kSqlite; }
  // A connection-string description of this test's database.
  CONN_INFO ConnStringInfo() const;
  // A further, separate connection to the same database (nullptr after a test failure).
  std::unique_ptr<CDB> OpenAnother();
  // A table name of this module's own, dropped if a crashed earlier run left it behind. The
  // PostgreSQL database is shared with other tests, possibly running at the same time, so every
  // test passes a name of its own.
  std::wstring Table(const std::wstring& name);
  // Executes on the fixture's connection; a failure fails the test with the driver's text.
  void Exec(const std::wstring& sql);
  // The text of column `column` of every row of a query on `db`; "<NULL>" for NULL.
  std::vector<std::wstring> Column(CDB* db, const std::wstring& sql, int column = 1);

  std::unique_ptr<CDB> db_;
  std::wstring sqliteFile_;
  std::vector<std::wstring> tables_;
};

}  // namespace kavra_test
