#pragma once
// Connecting a database object from a connection description or a connection profile file.
// The connection dialog of the window builds on this; console mode uses it without a window.
#include <string>

#include "kavra/ConnInfo.h"

class CDB;

class CAdvConnect {
 public:
  // The last connection description used (kept between connects, as the dialog shows it).
  CONN_INFO Info;

  // Connects `target`. With a profile file its description is read from the file (section
  // "Connection", else "DefConnection", so a project file serves as a profile too); otherwise
  // the target's own description is used. Without a window (console non-zero) nothing is asked.
  // Returns 0 on success, else the database object's result (its ErrorText says why), or
  // -10 when the profile file cannot be read or holds no connection.
  int DoConnect(CDB* target, const std::wstring* profile, int console);

  // Reads a connection profile file into `info`; false when the file holds no connection.
  static bool LoadProfile(const std::wstring& path, CONN_INFO& info);
};
