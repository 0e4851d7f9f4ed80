#include "synthor/generators/databases/FromTable.h"

#include <memory>
#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kTooFewParameters = 1500;
constexpr int kCannotConnect = 1501;
constexpr int kNoConnection = 1502;
constexpr int kReadFailed = 1503;

}  // namespace

FromTable::FromTable(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                     DSynthor* engine, CDB_API* engineConnection, std::wstring* errorText,
                     int* errorCode)
    : ValueListGenerator(engine) {
  if (!args || args->size() < 2) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"FromTable: the function expects at least 2 parameters.");
    return;
  }
  if (args->size() >= 3) {
    sequential_ = platform::ToInt((*args)[2]) != 0 ? 1 : 0;
    if (engine_) engine_->MarkDependent();
  }
  if (args->size() >= 4) {
    filter_ = (*args)[3];
    if (engine_) engine_->MarkDependent();
  }
  // Loading is all a connection of its own is for; it is closed once the values are read.
  std::unique_ptr<CDB_API> own;
  CDB_API* source = engineConnection;
  if (args->size() >= 5) {
    std::wstring why;
    own = datasource::ConnectOwn(args, 4, &why);
    if (!own) {
      ReportConstructionError(errorText, errorCode, kCannotConnect,
                              L"FromTable: could not connect to custom data source.");
      return;
    }
    source = own.get();
  } else if (!datasource::IsUsable(source)) {
    ReportConstructionError(errorText, errorCode, kNoConnection,
                            L"FromTable: no default or custom database connection specified.");
    return;
  }
  if (source->GetColumn((*args)[0], (*args)[1], filter_, &values_) != 0) {
    ReportConstructionError(errorText, errorCode, kReadFailed, source->LastError());
    return;
  }
  Loaded(pattern);
}

std::wstring FromTable::Value(std::wstring*) { return Draw(sequential_ != 0, L"NULL"); }

IGenerator* FromTable::Make(const GeneratorCall& call) {
  return new (std::nothrow) FromTable(call.args, call.pattern, EngineOf(call), call.connection,
                                      call.errorText, call.errorCode);
}
