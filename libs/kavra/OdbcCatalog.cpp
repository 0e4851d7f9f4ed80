#include "kavra/OdbcCatalog.h"

#include <strings.h>

#include <cstring>
#include <memory>
#include <set>

#include "kavra/OdbcSupport.h"
#include "platform/Text.h"

namespace {

struct EnvironmentFree {
  void operator()(void* env) const { SQLFreeHandle(SQL_HANDLE_ENV, env); }
};
using Environment = std::unique_ptr<void, EnvironmentFree>;

// SQLDataSources and SQLDrivers keep their FIRST/NEXT position in the environment. An environment
// of the catalogue's own keeps that position away from every other listing in the process.
Environment NewEnvironment() {
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return nullptr;
  Environment owned(env);
  if (!SQL_SUCCEEDED(
          SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
    return nullptr;
  return owned;
}

// The driver manager keeps the ini texts as their UTF-8 bytes: the ANSI calls hand them over as
// they are, where the W calls would widen them byte by byte.
std::wstring FromBytes(const SQLCHAR* s) {
  return platform::FromUtf8(reinterpret_cast<const char*>(s));
}

std::wstring ListingError(SQLHENV env, const wchar_t* what) {
  std::wstring text = kavra_odbc::Diagnostics(SQL_HANDLE_ENV, env, false);
  return text.empty() ? std::wstring(what) + L" failed" : text;
}

// Appends the data sources of one scope, skipping names already listed (the driver manager finds
// sections whatever their case).
bool ListDataSources(SQLHENV env, SQLUSMALLINT first, DsnScope scope, std::set<std::wstring>& seen,
                     OdbcCatalog& out) {
  SQLCHAR name[SQL_MAX_DSN_LENGTH * 4 + 1], driver[1024];
  SQLSMALLINT nameLength = 0, driverLength = 0;
  for (SQLUSMALLINT direction = first;; direction = SQL_FETCH_NEXT) {
    const SQLRETURN rc = SQLDataSources(env, direction, name, sizeof name, &nameLength, driver,
                                        sizeof driver, &driverLength);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) {
      out.Error = ListingError(env, L"SQLDataSources");
      return false;
    }
    name[sizeof name - 1] = driver[sizeof driver - 1] = 0;
    OdbcDataSource source{FromBytes(name), FromBytes(driver), scope};
    if (seen.insert(platform::ToLower(source.Name)).second)
      out.DataSources.push_back(std::move(source));
  }
}

bool ListDrivers(SQLHENV env, OdbcCatalog& out) {
  SQLCHAR name[1024], attributes[8192];
  SQLSMALLINT nameLength = 0, attributesLength = 0;
  for (SQLUSMALLINT direction = SQL_FETCH_FIRST;; direction = SQL_FETCH_NEXT) {
    const SQLRETURN rc = SQLDrivers(env, direction, name, sizeof name, &nameLength, attributes,
                                    sizeof attributes, &attributesLength);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) {
      out.Error = ListingError(env, L"SQLDrivers");
      return false;
    }
    name[sizeof name - 1] = 0;
    // "key=value\0key=value\0\0"; a list cut short still ends in two NULs.
    attributes[sizeof attributes - 2] = attributes[sizeof attributes - 1] = 0;
    OdbcDriver entry{FromBytes(name), std::wstring()};
    for (const char* p = reinterpret_cast<const char*>(attributes); *p; p += strlen(p) + 1) {
      if (strncasecmp(p, "Description=", 12) == 0) entry.Description = platform::FromUtf8(p + 12);
    }
    out.Drivers.push_back(std::move(entry));
  }
}

}  // namespace

OdbcCatalog OdbcCatalog::Read() {
  OdbcCatalog catalog;
  Environment env = NewEnvironment();
  if (!env) {
    catalog.Error = L"The ODBC driver manager could not make an environment.";
    return catalog;
  }
  std::set<std::wstring> seen;
  if (ListDataSources(env.get(), SQL_FETCH_FIRST_USER, DsnScope::User, seen, catalog) &&
      ListDataSources(env.get(), SQL_FETCH_FIRST_SYSTEM, DsnScope::System, seen, catalog))
    ListDrivers(env.get(), catalog);
  return catalog;
}
