#pragma once
// The library's one door to data in databases and data files. The engine owns a default wrapper
// (unconnected until SetConnection(dsn, user, password)) and, after SetConnection(CDB*), a custom
// one on the caller's connection; database-backed generators use whichever is current.
//
// Results: 0 success, 1 a statement failed, negative when there is no connection. The last
// error is kept as text; nothing is thrown.
#include <string>

#include "synthor/engine/SynthorExport.h"

class CDB;

class SYNTHOR_API CDB_API {
 public:
  // An unconnected wrapper.
  CDB_API();
  // A wrapper for the caller's connection. The caller's object stays the caller's: the wrapper
  // neither closes nor deletes it.
  explicit CDB_API(CDB* source);
  virtual ~CDB_API();
  CDB_API(const CDB_API&) = delete;
  CDB_API& operator=(const CDB_API&) = delete;

  // Connects by data-source name. Kind becomes -1 (unknown).
  int Connect(const std::wstring& dsn, const std::wstring& user, const std::wstring& password);
  // Disconnects and forgets the connection (a connection the wrapper made is deleted).
  void Close();

  bool HasConnection() const { return connection_ != nullptr; }
  CDB* Connection() const { return connection_; }
  int Kind() const { return kind_; }
  const std::wstring& LastError() const { return lastError_; }

 private:
  std::wstring lastError_;
  CDB* connection_ = nullptr;
  bool ownsConnection_ = false;
  int kind_ = -1;  // DBMS_T of the source reached; -1 unknown
};
