// The values of the parameter markers ?1, ?2, ... of a statement: generated values from the
// record's pattern engine, or the fields of a value-file line.
#include <filesystem>
#include <system_error>

#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/StatementMarkers.h"
#include "brunox/engine/ValueFile.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "synthor/engine/DSynthor.h"

wchar_t BrunoxRunner::SeparatorChar(const std::wstring& separator) {
  if (separator == L"<tab>" || separator.empty()) return L'\t';
  return separator[0];
}

std::vector<std::wstring> BrunoxRunner::GenerateValues(ThreadInfo* record, Project* project,
                                                       CDB* db, bool oneOff) {
  const std::vector<TaskParam>& params = record->TheTask->Params;
  if (params.empty()) return {};
  if (!record->Engine) record->Engine = std::make_unique<DSynthor>();
  DSynthor& engine = *record->Engine;
  if (!engine.IsInitialized()) engine.Initialize(LibraryPath(), 0, nullptr);
  // Bound and told its columns once: the engine then keeps its compiled patterns and its
  // generators, so stateful generators go on from one execution to the next.
  if (!record->EngineReady) {
    engine.SetConnection(db);
    for (size_t i = 1; i <= params.size(); ++i) engine.AddColumnName(L"P" + platform::FromUInt(i));
    record->PatternErrorShown.assign(params.size(), false);
    record->EngineReady = true;
  }

  std::vector<std::wstring> values(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    DGValue value;
    if (!engine.Value(static_cast<int>(i), params[i].PropTempl, &value, nullptr)) {
      // Unattended runs would repeat the same message with every execution: once is enough.
      const bool console = project && project->Console;
      if (!console || !record->PatternErrorShown[i]) {
        record->PatternErrorShown[i] = true;
        std::wstring error = engine.Error();
        CLog::Bug(L"Pattern Error", L"P" + platform::FromUInt(i + 1) + L": " + error, __FILE__,
                  __LINE__);
        platform::Ui().MessageBox(error, L"Pattern Error", platform::MsgButtons::Ok,
                                  platform::MsgIcon::None);
      }
    }
    values[i] = value.value;
  }
  if (oneOff) {
    engine.Terminate();
    record->EngineReady = false;
  }
  return values;
}

void BrunoxRunner::ParamsForOneLine(std::wstring* text, ThreadInfo* record, Project* project,
                                    CDB* db, bool oneOff) {
  const std::vector<std::wstring> values = GenerateValues(record, project, db, oneOff);
  if (!values.empty()) *text = FillMarkers(*text, values);
}

void BrunoxRunner::PrepareOneLine(std::wstring* text, const std::wstring& line, wchar_t separator) {
  *text = FillMarkers(*text, platform::Split(line, separator));
}

bool BrunoxRunner::NextValueLine(ValueFile* file, std::wstring* line) {
  std::lock_guard lock(locks_[kLockValueFileRead]);
  return file && file->ReadLineWrapping(line);
}

void BrunoxRunner::ReportValueFileError(const Task& task, const std::wstring& error) {
  // A missing file leaves the markers as they are, as it always has; anything else the user
  // named (a FIFO, a device, a line without end) is a mistake worth saying.
  std::error_code ignored;
  if (error.empty() || !std::filesystem::exists(platform::NativePath(CLog::DecodePath(task.File)),
                                                ignored))
    return;
  ReportRunError(L"Task '" + task.Name + L"': " + error);
}

void BrunoxRunner::PrepareOneStmt(std::wstring* text, ValueFile* file, wchar_t separator) {
  std::wstring line;
  if (NextValueLine(file, &line)) PrepareOneLine(text, line, separator);
}

ValueFile* BrunoxRunner::OpenParamFile(ThreadInfo* record, std::unique_ptr<ValueFile>* own,
                                       int* opened) {
  const std::wstring path = CLog::DecodePath(record->TheTask->File);
  std::error_code ignored;
  // Whatever exists at the path is tried, so that a FIFO or a device is refused with its reason.
  *opened = std::filesystem::exists(platform::NativePath(path), ignored) && !record->HasValueLine;
  if (record->SharedFile) {
    if (record->SharedFile->IsEmpty()) *opened = 0;
    return record->SharedFile;
  }
  *own = std::make_unique<ValueFile>();
  if (*opened) {
    const bool usable = (*own)->Open(path);
    if (!usable) ReportValueFileError(*record->TheTask, (*own)->Error());
    *opened = usable && !(*own)->IsEmpty() ? 1 : 0;
  }
  return own->get();
}
