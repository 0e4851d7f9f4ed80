#include "synthor/generators/databases/ByQuery.h"

#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kNoQuery = 1100;
constexpr int kCannotConnect = 1101;
constexpr int kNoConnection = 1102;
constexpr int kQueryFailed = 1103;
constexpr int kBadQueryPattern = 1104;
constexpr int kEmptyQuery = 1105;
constexpr int kRerunFailed = 1106;

int ModeOf(const std::wstring& parameter) {
  if (IGenerator::IsTrueParameter(parameter)) return QuerySource::kSequential;
  return parameter == L"2" ? QuerySource::kRerun : QuerySource::kRandom;
}

}  // namespace

ByQuery::ByQuery(const std::vector<std::wstring>* args, CompiledPattern* pattern, DSynthor* engine,
                 std::wstring* errorText, int* errorCode)
    : ValueListGenerator(engine) {
  if (!args || args->empty()) {
    ReportConstructionError(errorText, errorCode, kNoQuery, L"ByQuery: no query present.");
    return;
  }
  const std::wstring parameter = platform::Trim((*args)[0], L" \r\n\t");
  if (parameter.empty()) {
    ReportConstructionError(errorText, errorCode, kEmptyQuery, L"ByQuery: empty query provided.");
    return;
  }
  std::wstring why;
  if (!query_.SetQuery(engine_, parameter, &why)) {
    ReportConstructionError(
        errorText, errorCode, kBadQueryPattern,
        platform::Format(L"ByQuery: invalid query or nested expression '%ls': %ls",
                         (*args)[0].c_str(), why.c_str()));
    return;
  }
  if (args->size() >= 2) {
    query_.mode = ModeOf((*args)[1]);
    if (engine_) engine_->MarkDependent();
  }
  if (args->size() >= 3) {
    query_.own = datasource::ConnectOwn(args, 2, &why);
    if (!query_.own) {
      ReportConstructionError(errorText, errorCode, kCannotConnect,
                              L"ByQuery: could not connect to custom data source: " + why);
      return;
    }
  } else if (!datasource::IsUsable(query_.Connection(engine_))) {
    ReportConstructionError(errorText, errorCode, kNoConnection,
                            L"ByQuery: no default or custom database connection specified.");
    return;
  }
  CDB_API* source = query_.Connection(engine_);
  const bool read = source->GetQuery(query_.text, &values_) == 0;
  if (!read) ReportConstructionError(errorText, errorCode, kQueryFailed, source->LastError());
  query_.Loaded();
  connection = query_.own.get();
  if (read) Loaded(pattern);
}

std::wstring ByQuery::Value(std::wstring*) {
  if (query_.mode == QuerySource::kRerun) {
    CDB_API* source = query_.Connection(engine_);
    if (datasource::IsUsable(source)) {
      query_.Refresh(engine_);
      if (source->GetQuery(query_.text, &values_) != 0) {
        if (engine_) engine_->SetError(kRerunFailed, source->LastError());
        fault = 2;
      }
      return values_.empty() ? std::wstring(L"NULL") : values_.front();
    }
  }
  return Draw(query_.mode == QuerySource::kSequential, L"NULL");
}

IGenerator* ByQuery::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      ByQuery(call.args, call.pattern, EngineOf(call), call.errorText, call.errorCode);
}
