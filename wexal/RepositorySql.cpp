#include "wexal/RepositorySql.h"

#include <ctime>

#include "kavra/DbmsCodes.h"
#include "platform/Text.h"

namespace wexal::repository {

std::wstring LongTextType(int dbms) {
  switch (dbms) {
    case DBMS_ORACLE:
      return L"clob";
    case DBMS_MSSQL:
    case DBMS_POSTGRESQL:
    case DBMS_SQLITE:
      return L"text";
    // MySQL's "text" stops at 64 KiB.
    case DBMS_MYSQL:
    case DBMS_MARIADB:
      return L"longtext";
    default:
      return L"";
  }
}

std::wstring DateTimeType(int dbms) { return dbms == DBMS_POSTGRESQL ? L"timestamp" : L"datetime"; }

std::wstring RepTablesStatement(int dbms) {
  const std::wstring dt = DateTimeType(dbms);
  return L"create table RepTables( projID integer primary key, FileName varchar(128) null, "
         L"Author varchar(30) null, Note varchar(255) null, LastCheckIn " +
         dt + L" null, LastCheckOut " + dt + L" null, isLocked " + dt +
         L" null, LockedBy varchar(30) null, CurrentVersion integer null)";
}

std::wstring RepVersionsStatement(int dbms) {
  std::wstring project = LongTextType(dbms);
  if (!project.empty()) project += L' ';
  return L"create table RepVersions( ProjID integer, VersID integer, Author varchar(30) null, "
         L"Note varchar(255) null, LastCheckIn " +
         DateTimeType(dbms) + L" null, Project " + project + L"null)";
}

std::wstring SqlInt(long long value) { return platform::FromInt(value); }

std::wstring SqlNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return L"'" + platform::FromUtf8(text) + L"'";
}

}  // namespace wexal::repository
