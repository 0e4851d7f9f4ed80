#pragma once
// Facts about the server behind a connection, for reports.
#include <string>

class CDB;

class DSN_Info {
 public:
  // Server name and version, e.g. "PostgreSQL 15.18"; "" when db is null or not connected.
  static std::wstring DBMSNameAndVer(CDB* db);
};
