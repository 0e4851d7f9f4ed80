#pragma once
// Where a data source named by its DSN leads, for a process confined to this machine
// (platform/Confinement.h): its definition is read from the ODBC set-up as the driver manager
// reads it, and judged before anything connects.
#include <string>
#include <utility>
#include <vector>

#include "platform/Confinement.h"
#include "synthor/engine/SynthorExport.h"

namespace datasource {

struct DsnDefinition {
  bool defined = false;
  // The driver's library: the path the data source names, else what odbcinst.ini registers for
  // the driver it names, else that name.
  std::string driverLibrary;
  std::vector<std::pair<std::wstring, std::wstring>> attributes;  // as odbc.ini has them
};

// The definition of `dsn` in the ODBC set-up (the user's odbc.ini before the system's).
SYNTHOR_API DsnDefinition ReadDsn(const std::wstring& dsn);

// Allowed in a confined process: an SQLite data source (a file), or a PostgreSQL or MariaDB/MySQL
// one whose every server entry names a loopback host. Refused: a data source that is not defined
// (the driver manager would take its default one instead), one that names no server, one whose
// driver is none of those (its target cannot be told from here), and one with libpq options of
// its own. Allowed whatever it is in a process that is not confined.
SYNTHOR_API platform::Verdict JudgeDsnDefinition(const std::wstring& dsn,
                                                 const DsnDefinition& definition);
// JudgeDsnDefinition of what ReadDsn finds; nothing is read in a process that is not confined.
SYNTHOR_API platform::Verdict JudgeDsn(const std::wstring& dsn);

}  // namespace datasource
