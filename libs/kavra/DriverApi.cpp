#include "kavra/DriverApi.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "kavra/ConnString.h"
#include "kavra/OdbcSupport.h"
#include "platform/Text.h"

namespace kavra_odbc {
namespace {

// The driver named by a DSN, as the odbc.ini entry gives it (a driver name or a library path).
std::string DsnDriver(const std::string& dsn) {
  std::vector<DataSourceEntry> sources;
  if (!InstalledDataSources(&sources)) return std::string();
  for (const DataSourceEntry& s : sources)
    if (platform::EqualsNoCase(s.Name, platform::FromUtf8(dsn))) return s.Driver;
  return std::string();
}

// The library file of a driver: the entry itself when it is a path, else what odbcinst.ini
// registers under that name, else the name itself (the driver manager, too, takes an
// unregistered name as a library file).
std::string DriverLibrary(const std::string& driver) {
  if (driver.find('/') != std::string::npos) return driver;
  std::vector<DriverEntry> drivers;
  if (InstalledDrivers(&drivers)) {
    for (const DriverEntry& d : drivers)
      if (platform::EqualsNoCase(d.Name, platform::FromUtf8(driver))) return d.Library;
  }
  return driver;
}

// Loads a driver library as the driver manager finds it: a bare file name is looked for by the
// dynamic loader first, then in the driver folder next to the driver manager (Debian keeps the
// drivers in <libdir>/odbc and registers them by bare name).
void* OpenDriverLibrary(const std::string& library) {
  if (void* handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL)) return handle;
  if (library.find('/') != std::string::npos) return nullptr;
  Dl_info self{};
  if (!dladdr(reinterpret_cast<void*>(&SQLAllocHandle), &self) || !self.dli_fname) return nullptr;
  std::string folder = self.dli_fname;
  folder.erase(folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/'));
  for (const std::string& candidate : {folder + "/odbc/" + library, folder + "/" + library}) {
    if (void* handle = dlopen(candidate.c_str(), RTLD_LAZY | RTLD_LOCAL)) return handle;
  }
  return nullptr;
}

bool LibraryIsNarrow(const std::string& library) {
  // Asked once per library: the answer cannot change while the process runs.
  static std::mutex mutex;
  static std::map<std::string, bool> known;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = known.find(library);
  if (it != known.end()) return it->second;
  // The driver manager loads the library for the connect anyway, so it stays loaded. One that
  // cannot be found counts as wide, the driver manager's own assumption; the connect will then
  // fail with the driver manager's message anyway.
  void* handle = OpenDriverLibrary(library);
  const bool narrow = handle && !dlsym(handle, "SQLExecDirectW");
  known[library] = narrow;
  return narrow;
}

}  // namespace

// The driver behind a DSN or driver name, looked up once: listing the installed drivers and data
// sources reads the ini files again each time, which is costly when thousands of worker threads
// connect at once.
bool DriverIsNarrow(const CONN_INFO& info) {
  if (SharedEnvironment() == SQL_NULL_HENV) return false;
  std::string key;
  bool byDsn = false;
  if (info.Kind == CONN_DSN) {
    key = platform::ToUtf8(info.Dsn);
    byDsn = true;
  } else if (info.Kind == CONN_STRING) {
    key = platform::ToUtf8(ConnStringValue(info.ConnString, L"Driver"));
    if (key.empty()) {
      key = platform::ToUtf8(ConnStringValue(info.ConnString, L"DSN"));
      byDsn = true;
    }
  }
  if (key.empty()) return false;

  static std::mutex mutex;
  static std::map<std::string, bool> known;
  const std::string cacheKey = (byDsn ? "dsn:" : "driver:") + key;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = known.find(cacheKey);
    if (it != known.end()) return it->second;
  }
  const std::string driver = byDsn ? DsnDriver(key) : key;
  const std::string library = driver.empty() ? std::string() : DriverLibrary(driver);
  const bool narrow = !library.empty() && LibraryIsNarrow(library);
  std::lock_guard<std::mutex> lock(mutex);
  known.emplace(cacheKey, narrow);
  return narrow;
}

}  // namespace kavra_odbc
