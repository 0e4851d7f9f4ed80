#include "synthor/generators/DataSourceSupport.h"

#include "mervis/Macros.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/generators/CDB_API.h"
#include "synthor/generators/FunctionTable.h"

namespace datasource {

const std::wstring& Param(const std::vector<std::wstring>* args, std::size_t index) {
  static const std::wstring kEmpty;
  return args && index < args->size() ? (*args)[index] : kEmpty;
}

DSynthor* EngineOf(const GeneratorCall& call) {
  return call.pattern && call.pattern->engine ? call.pattern->engine : call.engine;
}

void Report(std::wstring* errorText, int* errorCode, int code, const std::wstring& text) {
  if (errorText) *errorText = text;
  if (errorCode) *errorCode = code;
}

bool IsUsable(const CDB_API* connection) { return connection && connection->IsConnected(); }

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
