#pragma once
// The DBMS code of a connection: which server dialect the callers have to speak.
//
//   code  server                     how it is recognised
//   ----  -------------------------  ---------------------------------------------------------
//     0   Oracle                     SQL_DBMS_NAME contains "oracle" (plan-table dialect; each
//                                    statement is sent without a trailing ';')
//     1   Microsoft SQL Server       contains "microsoft sql server" (SHOWPLAN_ALL dialect)
//     3   Access file                contains "access", or set by the data-source wrapper
//     4   Excel file                 contains "excel", or set by the data-source wrapper
//    15   SQLite                     contains "sqlite"
//    20   PostgreSQL                 contains "postgresql"
//    21   MySQL                      contains "mysql" (and not "mariadb")
//    22   MariaDB                    contains "mariadb"
//    99   any other server           a name that matches none of the above
//    -1   unknown                    not connected
//
// Names compare without regard to case. MariaDB servers may report a MySQL-like name, so
// "mariadb" is tested before "mysql".
#include <string>

enum DBMS_CODE {
  DBMS_UNKNOWN = -1,
  DBMS_ORACLE = 0,
  DBMS_MSSQL = 1,
  DBMS_ACCESS = 3,
  DBMS_EXCEL = 4,
  DBMS_SQLITE = 15,
  DBMS_POSTGRESQL = 20,
  DBMS_MYSQL = 21,
  DBMS_MARIADB = 22,
  DBMS_OTHER = 99
};

// The code for a driver's SQL_DBMS_NAME; DBMS_OTHER for an unrecognised or empty name.
int DbmsCodeFromName(const std::wstring& dbmsName);
