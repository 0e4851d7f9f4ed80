#include "synthor/generators/databases/MsExcelGroup.h"

#include <new>

#include "platform/Text.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kTooFewParameters = 1050;
constexpr int kCannotOpen = 1051;
constexpr int kReadFailed = 1052;

}  // namespace

MsExcelGroup::MsExcelGroup(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                           DSynthor* engine, std::wstring* errorText, int* errorCode)
    : RowSetGenerator(engine) {
  if (!args || args->size() < 5) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"ExcelGroup: the function expects at least 5 parameters.");
    return;
  }
  groupId = platform::ToInt((*args)[0]);
  const std::wstring& file = (*args)[1];
  std::vector<std::wstring> names(args->begin() + 3, args->end());
  if (names.back() == L"1" || names.back() == L"0") {
    sequential_ = names.back() == L"1";
    names.pop_back();
  }
  std::wstring why;
  std::unique_ptr<CDB_API> own = datasource::OpenFile(file, CDB_API::kExcelFile, &why);
  if (!own) {
    ReportConstructionError(errorText, errorCode, kCannotOpen,
                            platform::Format(L"ExcelGroup: could not open '%ls' file [%ls].",
                                             file.c_str(), why.c_str()));
    return;
  }
  connection = own.get();
  if (own->GetColumns((*args)[2], names, &columns_, nullptr) != 0)
    ReportConstructionError(errorText, errorCode, kReadFailed, own->LastError());
  own->Close();
  connection = nullptr;
  Loaded(pattern);
}

std::wstring MsExcelGroup::Value(std::wstring*) { return DrawRow(sequential_, std::wstring()); }

std::wstring MsExcelGroup::GroupValue(int column) {
  std::wstring value;
  return Lookup(column, &value) == Cell::kFound ? value : std::wstring();
}

IGenerator* MsExcelGroup::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      MsExcelGroup(call.args, call.pattern, EngineOf(call), call.errorText, call.errorCode);
}
