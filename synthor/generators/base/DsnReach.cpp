#include "synthor/generators/base/DsnReach.h"

#include <odbcinst.h>

#include <mutex>

#include "platform/Text.h"

namespace datasource {
namespace {

constexpr int kProfileBytes = 16 * 1024;

// One entry of an ini file of the ODBC set-up ("" when missing); with a null `key`, the section's
// keys, each ended by a NUL.
std::string Profile(const std::string& section, const char* key, const char* file) {
  // The installer library keeps a cache of the files it read: one reader at a time.
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::string buffer(kProfileBytes, '\0');
  const int length =
      SQLGetPrivateProfileString(section.c_str(), key, "", buffer.data(), kProfileBytes, file);
  buffer.resize(length > 0 && length < kProfileBytes ? static_cast<std::size_t>(length) : 0);
  return buffer;
}

std::string DriverLibrary(const std::string& driver) {
  if (driver.find('/') != std::string::npos) return driver;
  // The driver manager itself prefers the 64-bit entry.
  for (const char* key : {"Driver64", "Driver"}) {
    const std::string library = Profile(driver, key, "ODBCINST.INI");
    if (!library.empty()) return library;
  }
  return driver;
}

enum class DriverKind { kFile, kServer, kUnknown };

DriverKind KindOf(const std::string& library) {
  const std::wstring file = platform::ToLower(platform::FromUtf8(
      library.substr(library.rfind('/') == std::string::npos ? 0 : library.rfind('/') + 1)));
  if (file.find(L"sqlite") != std::wstring::npos) return DriverKind::kFile;
  for (const wchar_t* server : {L"psqlodbc", L"maodbc", L"myodbc", L"mariadb", L"mysql"})
    if (file.find(server) != std::wstring::npos) return DriverKind::kServer;
  return DriverKind::kUnknown;
}

// The entries in which the drivers judged here name their server.
bool IsServerKey(const std::wstring& key) {
  for (const wchar_t* name :
       {L"Servername", L"Server", L"Host", L"Hostname", L"HostAddr", L"Address", L"Addr"})
    if (platform::EqualsNoCase(key, name)) return true;
  return false;
}

}  // namespace

DsnDefinition ReadDsn(const std::wstring& dsn) {
  DsnDefinition definition;
  const std::string section = platform::ToUtf8(dsn);
  const std::string keys = Profile(section, nullptr, "ODBC.INI");
  for (std::size_t start = 0; start < keys.size();) {
    const std::size_t end = keys.find('\0', start);
    const std::string key = keys.substr(start, end == std::string::npos ? end : end - start);
    if (key.empty()) break;
    definition.attributes.emplace_back(
        platform::FromUtf8(key), platform::FromUtf8(Profile(section, key.c_str(), "ODBC.INI")));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  definition.defined = !definition.attributes.empty();
  for (const auto& [key, value] : definition.attributes)
    if (platform::EqualsNoCase(key, L"Driver"))
      definition.driverLibrary = DriverLibrary(platform::ToUtf8(value));
  return definition;
}

platform::Verdict JudgeDsnDefinition(const std::wstring& dsn, const DsnDefinition& definition) {
  if (!platform::ConfinedToThisMachine()) return platform::Verdict();
  const std::wstring name = L"data source '" + dsn + L"'";
  if (!definition.defined) return platform::Refuse(name + L" is not defined in the ODBC set-up");
  const DriverKind kind = KindOf(definition.driverLibrary);
  if (kind == DriverKind::kFile) return platform::Verdict();
  if (kind == DriverKind::kUnknown)
    return platform::Refuse(name + L" uses the driver '" +
                            platform::FromUtf8(definition.driverLibrary) +
                            L"', whose target cannot be told");
  bool namesServer = false;
  for (const auto& [key, value] : definition.attributes) {
    if (platform::EqualsNoCase(key, L"pqopt") && !platform::Trim(value).empty())
      return platform::Refuse(name + L" passes libpq options of its own");
    if (!IsServerKey(key)) continue;
    namesServer = true;
    const std::wstring host = platform::Trim(value);
    if (!platform::IsLoopbackHost(host))
      return platform::Refuse(name + L" leads to '" + host +
                              L"', which is not a loopback host (127.0.0.0/8, ::1 or localhost)");
  }
  if (!namesServer) return platform::Refuse(name + L" names no server");
  return platform::Verdict();
}

platform::Verdict JudgeDsn(const std::wstring& dsn) {
  if (!platform::ConfinedToThisMachine()) return platform::Verdict();
  return JudgeDsnDefinition(dsn, ReadDsn(dsn));
}

}  // namespace datasource
