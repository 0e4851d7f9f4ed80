#pragma once
// The load-test project: run mode and limits, report file names, counter slots, the default
// connection and the tasks; kept in a ".bxp" project file. The window edits one Project in place.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "brunox/engine/project/PerfCounterSlot.h"
#include "brunox/engine/project/RunCallback.h"
#include "brunox/engine/project/Task.h"
#include "kavra/ConnInfo.h"

class CDB;

// How long a run lasts. The limits are texts holding a decimal number, read like _wtoi.
enum RunMode {
  kRunUntilStopped = 0,
  kRunByTaskCounts = 1,    // each task's ExecCntr
  kRunSeconds = 2,         // Seconds
  kRunEachTimes = 3,       // EachTasks, per thread
  kRunAllAtLeast = 4,      // AllTasks, all threads together
  kRunEachAtLeast = 5,     // AtLeast, every thread
};

// A plain record: every member is public.
class Project {
 public:
  static constexpr int kCounterSlots = 5;

  int DoType = kRunUntilStopped;
  // DoType as the project file wrote it when that was no whole number ("abc", "1.5", "", one past
  // the range of int); DoType is then kDoTypeNotANumber. Kept so that no run starts in a mode the
  // user did not write and a save gives the file back its text until a run mode is picked.
  std::optional<std::wstring> DoTypeText;
  static constexpr int kDoTypeNotANumber = -1;
  std::wstring SQLFile;         // file-name pattern of the executed-statement log; "" = no log
  std::wstring ReportFile;      // HTML execution report
  std::wstring ReportTxtFile;   // tab-separated report
  std::wstring ReportIniFile;   // internal report kept for comparison
  std::wstring CountersReport;  // performance-counters report
  std::wstring Note;
  std::wstring Author;
  std::wstring Seconds;
  std::wstring EachTasks;
  std::wstring AllTasks;
  std::wstring AtLeast;
  int ShowPlan = 0;    // capture execution plans
  int OpenReport = 0;  // open the HTML report when the run has ended
  CONN_INFO DefConnection;
  std::array<PerfCounterSlot, kCounterSlots> Counters;
  int pcIsReport = 0;  // write the counters report
  int pcIsSQL = 0;     // counters as columns of the executed-statement log
  int pcIsText = 0;    // counters in the text report
  std::vector<std::wstring> IniReports;  // internal reports listed for comparison
  std::vector<Task> Tasks;
  std::wstring Path;  // "" until the project was saved or loaded
  int Saved = 1;      // 0 after an edit not yet in the file

  // Filled before every run; never saved.
  int Console = 0;
  int StopOnError = 0;
  int StatByTask = 0;
  int StatPerPeriod = 0;
  int StatPeriod = 0;  // seconds
  int LogLevel = 0;
  int MaxBlobBytes = 0;  // characters read of a column value; 0 reads it whole
  // MaxBlobBytes from the setting MaxBlobSize in kilobytes: 0 or less reads whole values, as 0
  // always has; a size past what MaxBlobBytes holds is clamped, never wrapped into a small or
  // negative limit.
  static int MaxBlobBytesOf(long long kilobytes);
  CDB* MainDB = nullptr;  // not owned
  RunCallback Callback;

  // DoTypeText while DoType is still the mode that text stood for (no run mode has been picked
  // since the file was read); null otherwise.
  const std::wstring* UnreadDoType() const;

  // A new, empty project that keeps the run mode, its limits, the plan and report switches and
  // which counters are sampled where, so the user's habits carry over.
  void Clear();

  // Missing files and keys load as defaults without a message. The path joins the recent list.
  void Load(const std::wstring& path);
  // `path` empty asks for a file. 1 when written; 0 when the user cancelled the file dialog or
  // the file could not be written (the user has been told).
  int Save(const std::wstring& path);
  // Offers to save an edited project. 1 when the caller should give up what it was doing (the
  // user chose Cancel, or the save did not happen), else 0.
  int SaveIfModified();

  // Writes an HTML page describing the project as configured: a summary and one table per task.
  // False when the file could not be written (the user has been told when it could not be made).
  bool WriteDescriptionReport(const std::wstring& path) const;
};

// The name the previous version of a project file is kept under: a ".bxp" ending (any case) of
// the file name becomes ".bak"; "" when the name has no such ending.
std::wstring ProjectBackupPath(const std::wstring& path);
