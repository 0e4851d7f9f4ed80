#include "kavra/OdbcSupport.h"

#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <strings.h>

#include <mutex>
#include <vector>

#include "platform/Text.h"

namespace kavra_odbc {
namespace {

SQLWCHAR* Wide(std::u16string& s) { return reinterpret_cast<SQLWCHAR*>(s.data()); }
SQLCHAR* Narrow(std::string& s) { return reinterpret_cast<SQLCHAR*>(s.data()); }

std::wstring FromWide(const SQLWCHAR* s) {
  std::u16string u;
  for (; *s; ++s) u += static_cast<char16_t>(*s);
  return platform::FromUtf16(u);
}
// The driver manager keeps an ANSI driver's messages as its bytes widened one by one, and hands
// them to the ANSI call re-encoded by the process locale, which another driver may have changed.
// The wide call is stable: put the bytes back together and decode them.
std::wstring FromWidenedBytes(const SQLWCHAR* s) {
  std::string bytes;
  for (const SQLWCHAR* p = s; *p; ++p) {
    if (*p > 0xFF) return FromWide(s);  // real UTF-16 after all
    bytes += static_cast<char>(*p);
  }
  return platform::FromUnknown8Bit(bytes);
}

std::wstring FromNarrow(const SQLCHAR* s) {
  return platform::FromUtf8(reinterpret_cast<const char*>(s));
}

// An empty user or password is passed as "not given", so that the DSN's own values apply.
template <typename Text, typename Char>
Char* OrNull(Text& s, Char* p) {
  return s.empty() ? nullptr : p;
}

}  // namespace

SQLHENV SharedEnvironment() {
  // A function-local static is initialised exactly once even when many threads arrive at once.
  static const SQLHENV env = []() -> SQLHENV {
    SQLHENV e = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &e))) return SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(e, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
      SQLFreeHandle(SQL_HANDLE_ENV, e);
      return SQL_NULL_HENV;
    }
    // Some drivers (the SQLite one among them) load the ODBC installer library for every DSN
    // connect and unload it at disconnect, losing the ini cache it built each time: memory lost
    // per connect. Holding the library loaded for the process keeps one cache.
    dlopen("libodbcinst.so.2", RTLD_LAZY | RTLD_LOCAL);
    return e;
  }();
  return env;
}

std::wstring Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool narrow) {
  std::wstring text;
  // A driver may pile up many records (one per row of a batch); the first few say enough.
  for (SQLSMALLINT record = 1; record <= 10; ++record) {
    SQLINTEGER nativeError = 0;
    SQLSMALLINT length = 0;
    SQLWCHAR state[6] = {0};
    std::vector<SQLWCHAR> buf(SQL_MAX_MESSAGE_LENGTH + 1, 0);
    SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &nativeError, buf.data(),
                                  static_cast<SQLSMALLINT>(buf.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(buf.size())) {
      buf.assign(static_cast<size_t>(length) + 1, 0);
      rc = SQLGetDiagRecW(handleType, handle, record, state, &nativeError, buf.data(),
                          static_cast<SQLSMALLINT>(buf.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    if (!text.empty()) text += L"; ";
    text += L"[" + FromWide(state) + L"] " +
            (narrow ? FromWidenedBytes(buf.data()) : FromWide(buf.data()));
  }
  return text;
}

std::wstring InfoText(SQLHDBC dbc, SQLUSMALLINT infoType, bool narrow) {
  // Info texts are short (names, versions, single characters).
  constexpr SQLSMALLINT kBytes = 1024;
  SQLSMALLINT length = 0;
  if (narrow) {
    SQLCHAR buf[kBytes] = {0};
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc, infoType, buf, kBytes, &length))) return std::wstring();
    buf[kBytes - 1] = 0;
    return FromNarrow(buf);
  }
  SQLWCHAR buf[kBytes / 2] = {0};
  if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, infoType, buf, kBytes, &length))) return std::wstring();
  buf[kBytes / 2 - 1] = 0;
  return FromWide(buf);
}

// SQLDrivers and SQLDataSources keep their FIRST/NEXT position in the shared environment, so two
// threads listing at once would see each other's entries. Only connects and driver lists get here.
std::mutex g_listing;

bool InstalledDrivers(std::vector<DriverEntry>* drivers) {
  std::lock_guard<std::mutex> lock(g_listing);
  drivers->clear();
  // The driver manager keeps its ini texts as bytes (UTF-8 here): the ANSI call hands them over
  // unchanged, where the W call would widen them byte by byte.
  SQLCHAR name[1024], attributes[4096];
  SQLSMALLINT nameLength = 0, attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLRETURN rc = SQLDrivers(SharedEnvironment(), direction, name, sizeof name, &nameLength,
                              attributes, sizeof attributes, &attributesLength);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) return false;
    direction = SQL_FETCH_NEXT;
    name[sizeof name - 1] = 0;
    attributes[sizeof attributes - 2] = attributes[sizeof attributes - 1] = 0;
    DriverEntry entry;
    entry.Name = FromNarrow(name);
    // "key=value\0key=value\0\0"
    for (const char* p = reinterpret_cast<const char*>(attributes); *p; p += strlen(p) + 1) {
      if (strncasecmp(p, "Driver=", 7) == 0) entry.Library = p + 7;
    }
    drivers->push_back(std::move(entry));
  }
}

bool InstalledDataSources(std::vector<DataSourceEntry>* sources) {
  std::lock_guard<std::mutex> lock(g_listing);
  sources->clear();
  SQLCHAR name[1024], driver[1024];
  SQLSMALLINT nameLength = 0, driverLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLRETURN rc = SQLDataSources(SharedEnvironment(), direction, name, sizeof name, &nameLength,
                                  driver, sizeof driver, &driverLength);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) return false;
    direction = SQL_FETCH_NEXT;
    name[sizeof name - 1] = driver[sizeof driver - 1] = 0;
    sources->push_back({FromNarrow(name), reinterpret_cast<const char*>(driver)});
  }
}

SQLRETURN ConnectDsn(SQLHDBC dbc, const std::wstring& dsn, const std::wstring& user,
                     const std::wstring& password, bool narrow) {
  if (narrow) {
    std::string d = platform::ToUtf8(dsn), u = platform::ToUtf8(user),
                p = platform::ToUtf8(password);
    return SQLConnect(dbc, Narrow(d), SQL_NTS, OrNull(u, Narrow(u)), u.empty() ? 0 : SQL_NTS,
                      OrNull(p, Narrow(p)), p.empty() ? 0 : SQL_NTS);
  }
  std::u16string d = platform::ToUtf16(dsn), u = platform::ToUtf16(user),
                 p = platform::ToUtf16(password);
  return SQLConnectW(dbc, Wide(d), SQL_NTS, OrNull(u, Wide(u)), u.empty() ? 0 : SQL_NTS,
                     OrNull(p, Wide(p)), p.empty() ? 0 : SQL_NTS);
}

SQLRETURN ConnectString(SQLHDBC dbc, const std::wstring& connString, bool narrow) {
  if (narrow) {
    std::string s = platform::ToUtf8(connString);
    return SQLDriverConnect(dbc, nullptr, Narrow(s), SQL_NTS, nullptr, 0, nullptr,
                            SQL_DRIVER_NOPROMPT);
  }
  std::u16string s = platform::ToUtf16(connString);
  return SQLDriverConnectW(dbc, nullptr, Wide(s), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT);
}

SQLRETURN ExecDirect(SQLHSTMT stmt, const std::wstring& sql, bool narrow, std::string* narrowText,
                     std::u16string* wideText) {
  // The length is passed, not SQL_NTS, so that nothing after an embedded NUL is lost silently.
  if (narrow) {
    std::string& s = *narrowText;
    platform::ToUtf8(sql, &s);
    if (s.size() > static_cast<size_t>(INT_MAX)) return SQL_ERROR;
    return SQLExecDirect(stmt, Narrow(s), static_cast<SQLINTEGER>(s.size()));
  }
  std::u16string& s = *wideText;
  platform::ToUtf16(sql, &s);
  if (s.size() > static_cast<size_t>(INT_MAX)) return SQL_ERROR;
  return SQLExecDirectW(stmt, Wide(s), static_cast<SQLINTEGER>(s.size()));
}

SQLRETURN ColumnName(SQLHSTMT stmt, SQLUSMALLINT column, std::wstring* name, bool narrow) {
  SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  SQLRETURN rc;
  // Column names beyond this are cut; no server allows names that long anyway.
  constexpr SQLSMALLINT kUnits = 1024;
  if (narrow) {
    SQLCHAR buf[kUnits] = {0};
    rc = SQLDescribeCol(stmt, column, buf, kUnits, &length, &type, &size, &digits, &nullable);
    buf[kUnits - 1] = 0;
    if (SQL_SUCCEEDED(rc)) *name = FromNarrow(buf);
  } else {
    SQLWCHAR buf[kUnits] = {0};
    rc = SQLDescribeColW(stmt, column, buf, kUnits, &length, &type, &size, &digits, &nullable);
    buf[kUnits - 1] = 0;
    if (SQL_SUCCEEDED(rc)) *name = FromWide(buf);
  }
  return rc;
}

}  // namespace kavra_odbc
