#include "synthor/generators/databases/MsAccessData.h"

#include <new>

#include "platform/Text.h"
#include "synthor/generators/base/CDB_API.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kReadFailed = 1;
constexpr int kTooFewParameters = 1400;
constexpr int kCannotOpen = 1401;

// Access names go in square brackets unless empty or bracketed already.
std::wstring Bracketed(const std::wstring& name) {
  if (name.empty() || name[0] == L'[') return name;
  return L"[" + name + L"]";
}

}  // namespace

MsAccessData::MsAccessData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                           DSynthor* engine, std::wstring* errorText, int* errorCode)
    : ValueListGenerator(engine) {
  if (!args || args->size() < 3) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"AccessData: the function expects at least 3 parameters.");
    return;
  }
  const std::wstring& file = (*args)[0];
  std::wstring why;
  std::unique_ptr<CDB_API> own = datasource::OpenFile(file, CDB_API::kAccessFile, &why);
  if (!own) {
    ReportConstructionError(errorText, errorCode, kCannotOpen,
                            platform::Format(L"AccessData: could not open '%ls' file [%ls].",
                                             file.c_str(), why.c_str()));
    return;
  }
  connection = own.get();
  if (own->GetColumn(Bracketed((*args)[1]), Bracketed((*args)[2]), std::wstring(), &values_) != 0)
    ReportConstructionError(errorText, errorCode, kReadFailed, own->LastError());
  own->Close();
  connection = nullptr;
  Loaded(pattern);
}

std::wstring MsAccessData::Value(std::wstring*) { return Draw(false, std::wstring()); }

IGenerator* MsAccessData::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      MsAccessData(call.args, call.pattern, EngineOf(call), call.errorText, call.errorCode);
}
