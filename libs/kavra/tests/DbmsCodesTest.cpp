#include <gtest/gtest.h>

#include "kavra/DbmsCodes.h"

namespace {

TEST(DbmsCodes, FromDriverNames) {
  struct {
    const wchar_t* name;
    int code;
  } cases[] = {
      {L"Oracle", DBMS_ORACLE},
      {L"Microsoft SQL Server", DBMS_MSSQL},
      {L"SQLite", DBMS_SQLITE},
      {L"PostgreSQL", DBMS_POSTGRESQL},
      {L"MySQL", DBMS_MYSQL},
      {L"MariaDB", DBMS_MARIADB},
      {L"5.5.5-10.11.6-MariaDB MySQL-compatible", DBMS_MARIADB},
      {L"ACCESS", DBMS_ACCESS},
      {L"EXCEL", DBMS_EXCEL},
      {L"DB2/LINUXX8664", DBMS_OTHER},
      {L"", DBMS_OTHER},
  };
  for (const auto& c : cases) EXPECT_EQ(DbmsCodeFromName(c.name), c.code) << c.code;
}

}  // namespace
