#include "synthor/generators/databases/MsExcelData.h"

#include <new>

#include "platform/Text.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kReadFailed = 1;
constexpr int kTooFewParameters = 1000;
constexpr int kCannotOpen = 1001;

}  // namespace

MsExcelData::MsExcelData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                         DSynthor* engine, std::wstring* errorText, int* errorCode)
    : ValueListGenerator(engine) {
  if (!args || args->size() < 3) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"ExcelData: the function expects at least 3 parameters.");
    return;
  }
  const std::wstring& file = (*args)[0];
  std::wstring why;
  std::unique_ptr<CDB_API> own = datasource::OpenFile(file, CDB_API::kExcelFile, &why);
  if (!own) {
    ReportConstructionError(errorText, errorCode, kCannotOpen,
                            platform::Format(L"ExcelData: could not open '%ls' file [%ls].",
                                             file.c_str(), why.c_str()));
    return;
  }
  connection = own.get();
  // The wrapper writes sheet and column in the workbook's form (`Sheet$`, `column`).
  if (own->GetColumn((*args)[1], (*args)[2], std::wstring(), &values_) != 0)
    ReportConstructionError(errorText, errorCode, kReadFailed, own->LastError());
  own->Close();
  connection = nullptr;
  Loaded(pattern);
  if (args->size() == 4) sequential_ = (*args)[3] != L"0";
}

std::wstring MsExcelData::Value(std::wstring*) { return Draw(sequential_, std::wstring()); }

IGenerator* MsExcelData::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      MsExcelData(call.args, call.pattern, EngineOf(call), call.errorText, call.errorCode);
}
