#include "synthor/generators/library/LibGroupData.h"

#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/DataSourceSupport.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/library/LibData.h"
#include "synthor/generators/library/VLibrary.h"

namespace {

constexpr int kTooFewParameters = 1900;
constexpr int kCannotOpen = 1901;
constexpr int kOutOfRange = 1902;

}  // namespace

LibGroupData::LibGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                           DSynthor* engine, std::wstring* errorText, int* errorCode)
    : RowSetGenerator(engine) {
  if (!args || args->size() < 3) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"LibGroupData: the function expects at least 3 parameters.");
    return;
  }
  groupId = platform::ToInt((*args)[0]);
  ownColumn = 1;
  const std::wstring& table = (*args)[1];
  std::vector<std::wstring> columns;
  std::wstring filter;
  for (std::size_t i = 2; i < args->size(); ++i) {
    if ((*args)[i] == L"*" && i + 1 < args->size()) {
      filter = (*args)[++i];
      continue;
    }
    columns.push_back((*args)[i]);
  }
  if (columns.empty() || columns.front().empty()) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"LibGroupData: the first column name is empty.");
    return;
  }
  std::size_t at = 0;
  std::wstring name;
  bool unterminated = false;
  LibData::FindColumnReference(filter, &at, &name, &unterminated);
  if (unterminated) {
    ReportConstructionError(
        errorText, errorCode, kTooFewParameters,
        platform::Format(L"LibGroupData: the column reference in the filter '%ls' has no "
                         L"closing quote.",
                         filter.c_str()));
    return;
  }
  VLibrary* library = LibData::OpenLibrary(engine);
  if (!library) {
    ReportConstructionError(errorText, errorCode, kCannotOpen,
                            platform::Format(L"LibGroupData: could not open library at '%ls'.",
                                             LibData::LibraryFolder().c_str()));
    return;
  }
  std::wstring why;
  if (library->LoadLists(table, columns, &columns_, filter, &why) != 0) {
    columns_.clear();
    ReportConstructionError(
        errorText, errorCode, kCannotOpen,
        platform::Format(L"LibGroupData: could not read '%ls': %ls", table.c_str(), why.c_str()));
    return;
  }
  Loaded(pattern);
}

std::wstring LibGroupData::Value(std::wstring*) { return DrawRow(false, std::wstring()); }

std::wstring LibGroupData::GroupValue(int column) {
  std::wstring value;
  if (Lookup(column, &value) == Cell::kFound) return value;
  if (engine_) engine_->SetError(kOutOfRange, L"LibGroupData: Group item is out of range");
  return std::wstring();
}

IGenerator* LibGroupData::Make(const GeneratorCall& call) {
  return new (std::nothrow)
      LibGroupData(call.args, call.pattern, EngineOf(call), call.errorText, call.errorCode);
}
