#include "synthor/generators/CDB_API.h"

CDB_API::CDB_API() = default;

CDB_API::CDB_API(CDB* source) : connection_(source), ownsConnection_(false) {}

CDB_API::~CDB_API() = default;

int CDB_API::Connect(const std::wstring&, const std::wstring&, const std::wstring&) {
  kind_ = -1;
  // Connecting by name arrives with the database generators; until then every source is absent.
  lastError_ = L"There is no connection.";
  return -1;
}

void CDB_API::Close() {
  // Only the caller's object is ever held so far, and that one stays the caller's.
  connection_ = nullptr;
  ownsConnection_ = false;
}
