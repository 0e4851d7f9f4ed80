#include "synthor/generators/databases/GroupByQuery.h"

#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kTooFewParameters = 1700;
constexpr int kQueryFailed = 1701;
constexpr int kNoConnection = 1702;
constexpr int kCannotConnect = 1704;
constexpr int kBadQueryPattern = 1705;
constexpr int kRerunFailed = 1106;
constexpr int kOutOfRange = 1706;

}  // namespace

GroupByQuery::GroupByQuery(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                           DSynthor* engine, std::wstring* errorText, int* errorCode)
    : RowSetGenerator(engine) {
  if (!args || args->size() < 2) {
    ReportConstructionError(
        errorText, errorCode, kTooFewParameters,
        L"GroupByQuery: the function expects at least 2 parameters: group and query.");
    return;
  }
  groupId = platform::ToInt((*args)[0]);
  ownColumn = 1;
  if (args->size() >= 3) {
    const int mode = platform::ToInt((*args)[2]);
    query_.mode = mode == QuerySource::kSequential || mode == QuerySource::kRerun
                      ? mode
                      : QuerySource::kRandom;
    if (engine_) engine_->MarkDependent();
  }
  std::wstring why;
  if (!query_.SetQuery(engine_, platform::Trim((*args)[1], L" \r\n\t"), &why)) {
    ReportConstructionError(
        errorText, errorCode, kBadQueryPattern,
        platform::Format(L"GroupByQuery: incorrect engine call as query text (%ls)", why.c_str()));
    return;
  }
  if (args->size() >= 4) {
    query_.own = datasource::ConnectOwn(args, 3, &why);
    if (!query_.own) {
      ReportConstructionError(errorText, errorCode, kCannotConnect,
                              L"GroupByQuery: could not connect to custom data source.");
      return;
    }
  } else if (!datasource::IsUsable(query_.Connection(engine_))) {
    ReportConstructionError(errorText, errorCode, kNoConnection,
                            L"GroupByQuery: no default or custom database connection specified.");
    return;
  }
  CDB_API* source = query_.Connection(engine_);
  const bool read = source->GetQuery(query_.text, &columns_) == 0;
  if (!read) ReportConstructionError(errorText, errorCode, kQueryFailed, source->LastError());
  query_.Loaded();
  connection = query_.own.get();
  Reset();
  if (read) Loaded(pattern);
}

std::wstring GroupByQuery::Value(std::wstring*) {
  if (query_.mode == QuerySource::kRerun) {
    CDB_API* source = query_.Connection(engine_);
    if (datasource::IsUsable(source)) {
      query_.Refresh(engine_);
      if (source->GetQuery(query_.text, &columns_) != 0) {
        if (engine_) engine_->SetError(kRerunFailed, source->LastError());
        fault = 2;
      }
      currentRow = 0;
      if (columns_.empty() || columns_.front().empty()) return L"NULL";
      return columns_.front().front();
    }
  }
  return DrawRow(query_.mode == QuerySource::kSequential, L"NULL");
}

std::wstring GroupByQuery::GroupValue(int column) {
  std::wstring value;
  switch (Lookup(column, &value)) {
    case Cell::kFound:
      return value;
    case Cell::kNoRow:
      if (engine_) engine_->SetError(kOutOfRange, L"GroupByQuery: Last Get is out of range");
      return std::wstring();
    case Cell::kNoColumn:
      break;
  }
  if (engine_) engine_->SetError(kOutOfRange, L"GroupByQuery: Group item is out of range");
  return std::wstring();
}

IGenerator* GroupByQuery::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      GroupByQuery(call.args, call.pattern, EngineOf(call), call.errorText, call.errorCode);
}
