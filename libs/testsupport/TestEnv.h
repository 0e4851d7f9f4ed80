#pragma once
// What every test executable shares: a private scratch folder, private settings and XDG folders,
// and a private ODBC set-up (odbcinst.ini / odbc.ini written by the test main), so that tests never
// depend on the machine's own DSNs or settings. The test main also confines the process to this
// machine (platform/Confinement.h) with the scratch folder as its fixture folder.
#include <string>

#include <gtest/gtest.h>

namespace testsupport {

// The test run's private folder (removed when the executable ends).
std::wstring ScratchFolder();
// A path to a file named `name` inside a fresh sub-folder of the scratch folder.
std::wstring NewScratchPath(const std::wstring& name);
// A copy of the system shell in the scratch folder: the interpreter a confined process may start.
std::wstring FixtureShell();

// ODBC driver names registered in the private odbcinst.ini.
inline constexpr const wchar_t* kSqliteDriver = L"SQLite3";
inline constexpr const wchar_t* kPostgresDriver = L"PostgreSQL Unicode";
// DSNs registered in the private odbc.ini: an SQLite file in the scratch folder, and the
// PostgreSQL test server when there is one.
inline constexpr const wchar_t* kSqliteDsn = L"BrunoxTestSqlite";
inline constexpr const wchar_t* kPostgresDsn = L"BrunoxTestPg";
std::wstring SqliteDsnFile();

std::wstring SqliteConnString(const std::wstring& databaseFile);

// The throwaway PostgreSQL server that `./dev test` starts (BRUNOX_TEST_PG_PORT).
bool HavePostgres();
// True when the run must have one (BRUNOX_TEST_PG_REQUIRED=1): a missing server then fails tests.
bool PostgresRequired();
std::wstring PostgresConnString();  // database "postgres", user "postgres", no password
std::wstring PostgresUser();

// A real Access file (fruit.mdb) that `./dev test` fetches and names in BRUNOX_TEST_ACCESS_FILE;
// "" when the run was not started by it.
std::wstring AccessSampleFile();
// Why that file is not there although `./dev test` named it; "" when it is.
std::string AccessSampleMissing();

}  // namespace testsupport

// At the top of a test that needs the PostgreSQL server: skips without one, unless the run
// requires it, where it fails.
#define REQUIRE_POSTGRES()                                                          \
  do {                                                                              \
    if (!testsupport::HavePostgres()) {                                             \
      if (testsupport::PostgresRequired()) FAIL() << "PostgreSQL test server missing"; \
      GTEST_SKIP() << "no PostgreSQL test server (./dev test starts one)";          \
    }                                                                               \
  } while (0)

// At the top of a test that reads the real Access file: sets `path` to it; skips outside
// `./dev test`, and fails when `./dev test` could not fetch it.
#define REQUIRE_ACCESS_SAMPLE(path)                                                       \
  do {                                                                                    \
    (path) = testsupport::AccessSampleFile();                                             \
    if ((path).empty()) GTEST_SKIP() << "no sample Access file (./dev test fetches one)"; \
    const std::string missing_ = testsupport::AccessSampleMissing();                      \
    if (!missing_.empty()) FAIL() << missing_;                                            \
  } while (0)
