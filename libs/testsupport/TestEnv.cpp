#include "testsupport/TestEnv.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Confinement.h"
#include "platform/Folders.h"
#include "platform/Text.h"

namespace testsupport {
namespace {

std::wstring g_scratch;
int g_counter = 0;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Debian keeps the ODBC drivers in the multiarch library folder.
std::string FindDriver(const char* file) {
  const char* folders[] = {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc",
                           "/usr/lib/odbc", "/usr/lib64", "/usr/lib"};
  for (const char* f : folders) {
    std::string p = std::string(f) + "/" + file;
    if (std::filesystem::exists(p)) return p;
  }
  return file;
}

void WriteOdbcFiles(const std::filesystem::path& dir) {
  std::ofstream inst(dir / "odbcinst.ini");
  inst << "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" << FindDriver("libsqlite3odbc.so")
       << "\nUsageCount=1\n\n";
  inst << "[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode)\nDriver="
       << FindDriver("psqlodbcw.so") << "\nUsageCount=1\n";
  inst.close();

  std::ofstream ini(dir / "odbc.ini");
  ini << "[BrunoxTestSqlite]\nDriver=SQLite3\nDatabase=" << platform::ToUtf8(SqliteDsnFile())
      << "\n\n";
  if (HavePostgres()) {
    ini << "[BrunoxTestPg]\nDriver=PostgreSQL Unicode\nServername=127.0.0.1\nPort="
        << Env("BRUNOX_TEST_PG_PORT") << "\nDatabase=postgres\n";
  }
}

void RemoveScratch() {
  if (!g_scratch.empty() && Env("BRUNOX_KEEP_SCRATCH").empty()) {
    std::error_code ec;
    std::filesystem::remove_all(platform::ToUtf8(g_scratch), ec);
  }
}

}  // namespace

std::wstring ScratchFolder() { return g_scratch; }

std::wstring NewScratchPath(const std::wstring& name) {
  std::wstring dir = g_scratch + L"/t" + std::to_wstring(++g_counter);
  std::filesystem::create_directories(platform::ToUtf8(dir));
  return dir + L"/" + name;
}

std::wstring SqliteDsnFile() { return g_scratch + L"/odbc/dsn.sqlite"; }

std::wstring SqliteConnString(const std::wstring& databaseFile) {
  return L"Driver=SQLite3;Database=" + databaseFile + L";";
}

bool HavePostgres() { return !Env("BRUNOX_TEST_PG_PORT").empty(); }
bool PostgresRequired() { return Env("BRUNOX_TEST_PG_REQUIRED") == "1"; }
std::wstring AccessSampleFile() { return platform::FromUtf8(Env("BRUNOX_TEST_ACCESS_FILE")); }

std::string AccessSampleMissing() {
  const std::string path = Env("BRUNOX_TEST_ACCESS_FILE");
  if (path.empty() || std::filesystem::is_regular_file(path)) return {};
  return "the sample Access file " + path +
         " is missing: ./dev test could not fetch it (its output says why)";
}

std::wstring PostgresUser() {
  std::string u = Env("BRUNOX_TEST_PG_USER");
  return platform::FromUtf8(u.empty() ? "postgres" : u);
}

std::wstring PostgresConnString() {
  return L"Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=" +
         platform::FromUtf8(Env("BRUNOX_TEST_PG_PORT")) + L";Database=postgres;Uid=" +
         PostgresUser() + L";Pwd=;";
}

std::wstring FixtureShell() {
  static const std::wstring shell = [] {
    const std::wstring folder = g_scratch + L"/fixture-bin";
    std::error_code failed;
    std::filesystem::create_directories(platform::ToUtf8(folder), failed);
    // A copy, not a link: the confinement follows a link to where it leads.
    std::filesystem::copy_file("/bin/sh", platform::ToUtf8(folder + L"/sh"),
                               std::filesystem::copy_options::overwrite_existing, failed);
    return folder + L"/sh";
  }();
  return shell;
}

// Called once from the test main before any test runs.
void SetUpProcess() {
  // Nothing a test names reaches past this machine, and plug-ins, interpreters and scripts come
  // from the scratch folder only.
  platform::ConfineToThisMachine();
  g_scratch = platform::MakePrivateTempFolder(L"brunox-test");
  const std::string root = platform::ToUtf8(g_scratch);
  for (const char* sub : {"config", "state", "data", "odbc", "cache"})
    std::filesystem::create_directories(root + "/" + sub);
  setenv("BRUNOX_CONFIG_DIR", (root + "/config").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
  setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
  setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
  WriteOdbcFiles(root + "/odbc");
  setenv("ODBCSYSINI", (root + "/odbc").c_str(), 1);
  setenv("ODBCINI", (root + "/odbc/odbc.ini").c_str(), 1);
  std::atexit(RemoveScratch);
  platform::AddFixtureFolder(g_scratch);
}

}  // namespace testsupport
