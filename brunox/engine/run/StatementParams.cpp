// The values of the parameter markers ?1, ?2, ... of a statement: generated values from the
// record's pattern engine, or the fields of a value-file line.
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/StatementMarkers.h"
#include "brunox/engine/run/ValueFile.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/PatternExcerpt.h"

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
    record->EngineReady = true;
  }

  std::vector<std::wstring> values(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    DGValue value;
    if (!engine.Value(static_cast<int>(i), params[i].PropTempl, &value, nullptr)) {
      const std::wstring error = engine.Error();
      // A value that failed in a run makes the run fail; a preview is no run.
      if (!oneOff) {
        FailedValues.fetch_add(1);
        ReportPatternError(*record, i, error);
      }
      // An unattended run would repeat the message with every execution of every thread: the
      // run error above says it once per task.
      if (oneOff || !project || !project->Console)
        platform::Ui().MessageBox(error, L"Pattern Error", platform::MsgButtons::Ok,
                                  platform::MsgIcon::None);
    }
    values[i] = value.value;
  }
  if (oneOff) {
    engine.Terminate();
    record->EngineReady = false;
  }
  return values;
}

void BrunoxRunner::ReportPatternError(const ThreadInfo& record, size_t param,
                                      const std::wstring& error) {
  {
    std::lock_guard lock(runErrorsMutex_);
    if (!patternErrorTasks_.insert(record.TaskIndex).second) return;
  }
  const Task& task = *record.TheTask;
  ReportRunError(L"Task '" + task.Name + L"': the pattern of ?" + platform::FromUInt(param + 1) +
                 L" (" + PatternExcerpt(task.Params[param].PropTempl) + L") failed: " + error);
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
  // A task that takes generated values does not read the file it may still name.
  if (error.empty() || !task.ReadsValueFile()) return;
  ReportRunError(L"Task '" + task.Name + L"': " + error);
}

void BrunoxRunner::PrepareOneStmt(std::wstring* text, ValueFile* file, wchar_t separator) {
  std::wstring line;
  if (NextValueLine(file, &line)) PrepareOneLine(text, line, separator);
}

ValueFile* BrunoxRunner::OpenParamFile(ThreadInfo* record, std::unique_ptr<ValueFile>* own,
                                       int* opened) {
  const Task& task = *record->TheTask;
  *opened = 0;
  ValueFile* file = record->SharedFile;
  if (!file) {
    *own = std::make_unique<ValueFile>();
    file = own->get();
  }
  // A thread with a line of its own reads no file; a task without one has nothing to read.
  if (record->HasValueLine || task.File.empty()) return file;
  const std::wstring path = CLog::DecodePath(task.File);
  // Whatever is at the path is tried, so that a FIFO or a device is refused with its reason.
  if (!file->IsOpen() && !file->Open(path)) {
    ReportValueFileError(task, file->Error());
    return file;
  }
  if (file->IsEmpty()) {
    ReportValueFileError(task, L"The value file '" + path + L"' is empty.");
    return file;
  }
  *opened = 1;
  return file;
}
