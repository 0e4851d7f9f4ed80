#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "kavra/OdbcCatalog.h"
#include "platform/Text.h"
#include "testsupport/TestEnv.h"

namespace {

const OdbcDataSource* FindSource(const OdbcCatalog& catalog, const std::wstring& name) {
  for (const OdbcDataSource& s : catalog.DataSources)
    if (s.Name == name) return &s;
  return nullptr;
}

const OdbcDriver* FindDriver(const OdbcCatalog& catalog, const std::wstring& name) {
  for (const OdbcDriver& d : catalog.Drivers)
    if (d.Name == name) return &d;
  return nullptr;
}

// Points the user data sources at another file for the test's duration.
class UserIniOverride {
 public:
  explicit UserIniOverride(const std::string& path) {
    const char* old = std::getenv("ODBCINI");
    previous_ = old ? old : "";
    setenv("ODBCINI", path.c_str(), 1);
  }
  ~UserIniOverride() { setenv("ODBCINI", previous_.c_str(), 1); }
  UserIniOverride(const UserIniOverride&) = delete;
  UserIniOverride& operator=(const UserIniOverride&) = delete;

 private:
  std::string previous_;
};

// The test main writes one odbc.ini that serves as both the user and the system file.
TEST(OdbcCatalog, ListsTheTestDataSourcesAndDriversOnce) {
  const OdbcCatalog catalog = OdbcCatalog::Read();
  EXPECT_EQ(catalog.Error, L"");

  const OdbcDataSource* sqlite = FindSource(catalog, testsupport::kSqliteDsn);
  ASSERT_NE(sqlite, nullptr);
  EXPECT_EQ(sqlite->Driver, testsupport::kSqliteDriver);
  if (testsupport::HavePostgres()) {
    const OdbcDataSource* pg = FindSource(catalog, testsupport::kPostgresDsn);
    ASSERT_NE(pg, nullptr);
    EXPECT_EQ(pg->Driver, testsupport::kPostgresDriver);
  }
  const auto named = [&](const std::wstring& name) {
    return std::count_if(catalog.DataSources.begin(), catalog.DataSources.end(),
                         [&](const OdbcDataSource& s) { return s.Name == name; });
  };
  EXPECT_EQ(named(testsupport::kSqliteDsn), 1) << "listed in both files, shown once";

  const OdbcDriver* driver = FindDriver(catalog, testsupport::kSqliteDriver);
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->Description, L"SQLite3 ODBC Driver");
  EXPECT_NE(FindDriver(catalog, testsupport::kPostgresDriver), nullptr);
}

TEST(OdbcCatalog, UserDataSourcesComeFirstAndHideSystemOnesOfTheSameName) {
  const std::wstring userIni = testsupport::NewScratchPath(L"user-odbc.ini");
  {
    std::ofstream ini(platform::ToUtf8(userIni));
    // Section names are found whatever their case, so this one replaces the system entry.
    ini << "[brunoxtestsqlite]\nDriver=PostgreSQL Unicode\n\n"
        << "[Brunox User Ünicode]\nDriver=SQLite3\nDatabase=/nonexistent\n";
  }
  UserIniOverride user(platform::ToUtf8(userIni));
  const OdbcCatalog catalog = OdbcCatalog::Read();
  EXPECT_EQ(catalog.Error, L"");
  ASSERT_GE(catalog.DataSources.size(), 2u);

  EXPECT_EQ(catalog.DataSources[0].Name, L"brunoxtestsqlite");
  EXPECT_EQ(catalog.DataSources[0].Driver, testsupport::kPostgresDriver);
  EXPECT_EQ(catalog.DataSources[0].Scope, DsnScope::User);
  EXPECT_EQ(catalog.DataSources[1].Name, L"Brunox User Ünicode");
  EXPECT_EQ(catalog.DataSources[1].Scope, DsnScope::User);
  EXPECT_EQ(FindSource(catalog, testsupport::kSqliteDsn), nullptr);
  for (size_t i = 2; i < catalog.DataSources.size(); ++i)
    EXPECT_EQ(catalog.DataSources[i].Scope, DsnScope::System) << i;
}

}  // namespace
