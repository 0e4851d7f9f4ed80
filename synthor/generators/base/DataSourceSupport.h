#pragma once
// What the generators that read a database or a data file share: a connection of their own (by
// DSN, or on a data file), and the two shapes of loaded data with their draws
// (ValueListGenerator.h, RowSetGenerator.h). Their parameters are read with GeneratorSupport.h.
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/GeneratorSupport.h"

class CDB_API;

namespace datasource {

// True when statements can run through `connection` (its session is opened when still due).
bool IsUsable(CDB_API* connection);

// A wrapper of the generator's own, connected by DSN with parameters first, first + 1 and
// first + 2 (data-source name, user, password; a missing one is empty). Null with `why` set to
// the connection's error when it cannot connect.
SYNTHOR_API std::unique_ptr<CDB_API> ConnectOwn(const std::vector<std::wstring>* args,
                                                std::size_t first, std::wstring* why);

// A wrapper on a data file read-only: `file` with its path macros expanded, `kind` as
// CDB_API::Open. Null with `why` set to the wrapper's error when it cannot be opened. A data file
// is read from this machine's file system whoever reads it, so a process confined to this
// machine has nothing to judge here (a data source by DSN is judged by CDB_API::Connect).
SYNTHOR_API std::unique_ptr<CDB_API> OpenFile(const std::wstring& file, int kind,
                                              std::wstring* why);

}  // namespace datasource
