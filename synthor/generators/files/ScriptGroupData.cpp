#include "synthor/generators/files/ScriptGroupData.h"

#include <new>

#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/files/FileGroupData.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"
#include "synthor/generators/files/ScriptData.h"

namespace {

constexpr ScriptData::Form kForm{L"ScriptGroupData", 4200};
constexpr int kOutOfRange = 4204;

}  // namespace

ScriptGroupData::ScriptGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                                 DSynthor* engine, std::wstring* errorText, int* errorCode)
    : FileGroupData(engine) {
  if (!args || args->size() < 4) {
    ReportConstructionError(errorText, errorCode, kForm.codes,
                            L"ScriptGroupData: the function expects at least four parameters.");
    return;
  }
  groupId = platform::ToInt((*args)[0]);
  ownColumn = platform::ToInt((*args)[1]);
  // A syntax check runs nothing: checking a project must not start its scripts.
  if (DSynthor::GetCheckSyntaxMode() != 0) return;
  std::string output;
  if (!ScriptData::RunScript(kForm, *args, 2, engine, &output, errorText, errorCode)) return;
  try {
    ScriptData::ForEachLine(output, [&](const std::wstring& line) {
      FileGroupData::AddRow(line, L"\t", pattern, &columns_);
    });
  } catch (const std::bad_alloc&) {
    std::vector<std::vector<std::wstring>>().swap(columns_);
  }
  if (columns_.empty()) {
    ReportConstructionError(errorText, errorCode, kForm.codes + 3,
                            L"ScriptGroupData: could not load data provided by script.");
    return;
  }
  ready = 1;
}

std::wstring ScriptGroupData::GroupValue(int column) {
  const bool inRange =
      ready && column >= 1 && static_cast<std::size_t>(column) <= columns_.size() &&
      currentRow >= 0 &&
      static_cast<std::size_t>(currentRow) < columns_[static_cast<std::size_t>(column - 1)].size();
  if (!inRange) {
    if (engine_) engine_->SetError(kOutOfRange, L"Group item is out of range");
    return std::wstring();
  }
  return FileGroupData::GroupValue(column);
}

IGenerator* ScriptGroupData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      ScriptGroupData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
