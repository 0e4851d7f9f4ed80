#pragma once
// The ODBC data sources and drivers the driver manager knows (odbc.ini, ~/.odbc.ini or $ODBCINI,
// odbcinst.ini), for offering them to a person who picks a connection.
#include <string>
#include <vector>

enum class DsnScope { User, System };

struct OdbcDataSource {
  std::wstring Name;
  std::wstring Driver;  // the driver the data source names (ODBC calls it its description)
  DsnScope Scope = DsnScope::User;
};

struct OdbcDriver {
  std::wstring Name;         // what "Driver=" in a connection string names
  std::wstring Description;  // the driver's "Description" entry; "" when it has none
};

struct OdbcCatalog {
  // User data sources first, then system ones, each group in the driver manager's order. A name
  // defined in both is listed once, as the user's: that is the definition a connect uses.
  std::vector<OdbcDataSource> DataSources;
  std::vector<OdbcDriver> Drivers;
  // Why listing failed ("" when it did not); what was listed before the failure is kept.
  std::wstring Error;

  // Reads the catalogue now (the ini files may have changed since the last time).
  static OdbcCatalog Read();
};
