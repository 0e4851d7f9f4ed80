#pragma once
// The SQL texts of the database repository: the table definitions for each server dialect, and
// values written as SQL literals. The ODBC layer has no parameter binding, so every value goes
// through SqlStringLiteral (kavra/SqlLiteral.h) or SqlInt; nothing else may paste a value into a
// statement.
#include <string>
#include <string_view>

#include "kavra/SqlLiteral.h"

namespace wexal::repository {

// "create table RepTables(...)" with the date-time type of the server.
std::wstring RepTablesStatement(int dbms);
// "create table RepVersions(...)" with the date-time and long-text types of the server.
std::wstring RepVersionsStatement(int dbms);
// The long-text type of the file contents column; "" where the server has none to name.
std::wstring LongTextType(int dbms);
std::wstring DateTimeType(int dbms);

std::wstring SqlInt(long long value);
// The local time as an SQL date-time literal: '2026-12-09 14:28:34'.
std::wstring SqlNow();

}  // namespace wexal::repository
