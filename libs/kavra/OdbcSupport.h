#pragma once
// Internal to kavra: the process's ODBC environment and the text-bearing ODBC calls.
// Callers of kavra never include this (it pulls in the ODBC headers and their macros).
//
// Text crosses ODBC in one of two ways, chosen per connection:
// - wide: the W entry points with UTF-16 (unixODBC's SQLWCHAR), for drivers that have them;
// - narrow: the ANSI entry points with UTF-8, for drivers that have no W entry points (the
//   SQLite driver Debian ships is such a build). For those the driver manager would otherwise
//   turn every UTF-16 unit into a single byte, which destroys all text beyond Latin-1; the
//   driver itself, and SQLite behind it, take UTF-8 bytes as they are.
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace kavra_odbc {

// The one ODBC 3 environment of the process, made on first use (thread-safe) and kept until the
// process ends; nullptr when unixODBC cannot make it.
SQLHENV SharedEnvironment();

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC must be built with 16-bit SQLWCHAR");

// The diagnostic records of a handle, "[SQLSTATE] message", joined with "; ".
// Empty when the handle has no records.
std::wstring Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool narrow);
// A text item of SQLGetInfo on a connection; "" when the driver cannot answer.
std::wstring InfoText(SQLHDBC dbc, SQLUSMALLINT infoType, bool narrow);

// The drivers registered with the driver manager, in its order, with the library file each names
// ("" when none). False when the driver manager fails (diagnostics are on the environment).
struct DriverEntry {
  std::wstring Name;
  std::string Library;
};
bool InstalledDrivers(std::vector<DriverEntry>* drivers);
// The data sources registered with the driver manager: name and the driver each names.
struct DataSourceEntry {
  std::wstring Name;
  std::string Driver;
};
bool InstalledDataSources(std::vector<DataSourceEntry>* sources);

SQLRETURN ConnectDsn(SQLHDBC dbc, const std::wstring& dsn, const std::wstring& user,
                     const std::wstring& password, bool narrow);
SQLRETURN ConnectString(SQLHDBC dbc, const std::wstring& connString, bool narrow);
// `narrowText` or `wideText` (by `narrow`) holds the converted statement; a caller that executes
// often passes the same ones to spare an allocation per statement.
SQLRETURN ExecDirect(SQLHSTMT stmt, const std::wstring& sql, bool narrow, std::string* narrowText,
                     std::u16string* wideText);
SQLRETURN ColumnName(SQLHSTMT stmt, SQLUSMALLINT column, std::wstring* name, bool narrow);

}  // namespace kavra_odbc
