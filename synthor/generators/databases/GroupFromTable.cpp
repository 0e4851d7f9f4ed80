#include "synthor/generators/databases/GroupFromTable.h"

#include <memory>
#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/MaskOpCode.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kTooFewParameters = 1600;
constexpr int kReadFailed = 1601;
constexpr int kTooFewForOwnConnection = 1602;
constexpr int kCannotConnect = 1604;
constexpr int kNoConnection = 1608;
constexpr int kOutOfRange = 1610;

}  // namespace

GroupFromTable::GroupFromTable(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                               DSynthor* engine, CDB_API* engineConnection, bool ownConnection,
                               std::wstring* errorText, int* errorCode)
    : RowSetGenerator(engine) {
  if (!args || args->size() < 3) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"GroupFromTable: the function expects at least 3 parameters.");
    return;
  }
  // Loading is all a connection of its own is for; it is closed once the rows are read.
  std::unique_ptr<CDB_API> own;
  CDB_API* source = engineConnection;
  std::size_t tableIndex = 1;
  if (ownConnection) {
    if (args->size() <= 5) {
      ReportConstructionError(errorText, errorCode, kTooFewForOwnConnection,
                              L"GroupFromTable: this call version expects at least 6 parameters.");
      return;
    }
    std::wstring why;
    own = datasource::ConnectOwn(args, 1, &why);
    if (!own) {
      ReportConstructionError(errorText, errorCode, kCannotConnect,
                              L"GroupFromTable: could not connect to custom data source.");
      return;
    }
    source = own.get();
    tableIndex = 4;
  } else if (!datasource::IsUsable(source)) {
    ReportConstructionError(errorText, errorCode, kNoConnection,
                            L"GroupFromTable: no default or custom database connection specified.");
    return;
  }
  groupId = platform::ToInt((*args)[0]);
  ownColumn = 1;
  std::vector<std::wstring> columns(args->begin() + static_cast<std::ptrdiff_t>(tableIndex + 1),
                                    args->end());
  if (!columns.empty() && columns.back() == L"1") {
    sequential_ = 1;
    columns.pop_back();
  }
  if (source->GetColumns((*args)[tableIndex], columns, &columns_, nullptr) != 0) {
    ReportConstructionError(errorText, errorCode, kReadFailed, source->LastError());
    return;
  }
  Loaded(pattern);
}

std::wstring GroupFromTable::Value(std::wstring*) { return DrawRow(sequential_ != 0, L"NULL"); }

std::wstring GroupFromTable::GroupValue(int column) {
  std::wstring value;
  if (Lookup(column, &value) == Cell::kFound) return value;
  if (engine_) engine_->SetError(kOutOfRange, L"GroupFromTable: Group item is out of range");
  return std::wstring();
}

IGenerator* GroupFromTable::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      GroupFromTable(call.args, call.pattern, EngineOf(call), call.connection,
                     call.opCode == MASK_TABLEGROUPC, call.errorText, call.errorCode);
}
