#pragma once
// A connection description: how to reach one database.
#include <string>

class CSysReg;

typedef int DS_TYPE;  // data-source type: 0 and 2 are both ODBC here; 3 Access, 4 Excel

enum CONN_KIND {
  CONN_NONE = 0,
  CONN_STRING = 1,  // a full ODBC connection string (SQLDriverConnect)
  CONN_DSN = 2      // data source name, user and password (SQLConnect)
};

struct CONN_INFO {
  int Kind = CONN_NONE;
  std::wstring Dsn;         // CONN_DSN
  std::wstring User;        // CONN_DSN
  std::wstring Password;    // CONN_DSN
  std::wstring ConnString;  // CONN_STRING
  int ManualCommit = 0;     // 1: the connection starts with autocommit off
  DS_TYPE DsType = 0;

  bool operator==(const CONN_INFO& other) const;
  bool operator!=(const CONN_INFO& other) const { return !(*this == other); }

  void Empty();          // back to a description of nothing
  bool IsEmpty() const;  // Kind is CONN_NONE or the text it needs is empty
  // Display text, never with a password: "DSN=name;UID=user" or the connection string with the
  // value of PWD/Password replaced by "***".
  std::wstring ConInfo() const;
  // A one-line text of the whole description, passwords included, that Unpack reads back.
  std::wstring Pack() const;
  bool Unpack(const std::wstring& packed);

  // Reads and writes the description as keys of `section` (the section is selected first).
  void Load(CSysReg* reg, const std::wstring& section);
  void Save(CSysReg* reg, const std::wstring& section) const;
};
