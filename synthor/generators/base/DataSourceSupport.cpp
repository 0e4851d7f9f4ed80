#include "synthor/generators/base/DataSourceSupport.h"

#include "mervis/Macros.h"
#include "synthor/generators/base/CDB_API.h"

namespace datasource {

bool IsUsable(CDB_API* connection) { return connection && connection->Usable(); }

std::unique_ptr<CDB_API> ConnectOwn(const std::vector<std::wstring>* args, std::size_t first,
                                    std::wstring* why) {
  auto own = std::make_unique<CDB_API>();
  if (own->Connect(Param(args, first), Param(args, first + 1), Param(args, first + 2)) != 0) {
    if (why) *why = own->LastError();
    own->Close();
    return nullptr;
  }
  return own;
}

std::unique_ptr<CDB_API> OpenFile(const std::wstring& file, int kind, std::wstring* why) {
  auto own = std::make_unique<CDB_API>();
  if (!own->Open(PathMacros(file), kind, 1)) {
    if (why) *why = own->LastError();
    own->Close();
    return nullptr;
  }
  return own;
}

}  // namespace datasource
