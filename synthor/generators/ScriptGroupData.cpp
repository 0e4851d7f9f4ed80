#include "synthor/generators/ScriptGroupData.h"

#include <new>

#include "platform/Text.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/FileGroupData.h"
#include "synthor/generators/FunctionTable.h"
#include "synthor/generators/ScriptData.h"

namespace {

constexpr ScriptData::Form kForm{L"ScriptGroupData", 4200};
constexpr int kOutOfRange = 4204;

void Report(std::wstring* errorText, int* errorCode, int code, const std::wstring& text) {
  if (errorText) *errorText = text;
  if (errorCode) *errorCode = code;
}

}  // namespace

ScriptGroupData::ScriptGroupData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                                 DSynthor* engine, std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!args || args->size() < 4) {
    Report(errorText, errorCode, kForm.codes,
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
    Report(errorText, errorCode, kForm.codes + 3,
           L"ScriptGroupData: could not load data provided by script.");
    return;
  }
  ready = 1;
}

int ScriptGroupData::nValues() {
  return columns_.empty() ? 0 : static_cast<int>(columns_.front().size());
}

std::wstring ScriptGroupData::Value(std::wstring* /*format*/) {
  if (!ready || ownColumn < 1 || static_cast<std::size_t>(ownColumn) > columns_.size())
    return std::wstring();
  const std::vector<std::wstring>& column = columns_[static_cast<std::size_t>(ownColumn - 1)];
  if (column.empty()) return std::wstring();
  const int n = static_cast<int>(column.size());
  currentRow = engine_ ? engine_->random.Next(n) : 0;
  return column[static_cast<std::size_t>(currentRow)];
}

std::wstring ScriptGroupData::GroupValue(int column) {
  if (ready && column >= 1 && static_cast<std::size_t>(column) <= columns_.size()) {
    const std::vector<std::wstring>& values = columns_[static_cast<std::size_t>(column - 1)];
    if (currentRow >= 0 && static_cast<std::size_t>(currentRow) < values.size())
      return values[static_cast<std::size_t>(currentRow)];
  }
  if (engine_) engine_->SetError(kOutOfRange, L"Group item is out of range");
  return std::wstring();
}

IGenerator* ScriptGroupData::Make(const GeneratorCall& call) {
  DSynthor* engine = call.pattern && call.pattern->engine ? call.pattern->engine : call.engine;
  return new (std::nothrow)
      ScriptGroupData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
