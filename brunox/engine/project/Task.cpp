#include "brunox/engine/project/Task.h"

#include "brunox/engine/settings/SettingsStores.h"
#include "platform/Text.h"

namespace {

int TaskDefault(const wchar_t* key) {
  return g_settings ? g_settings->getInt(kStoreTask, key) : RegisteredTaskDefault(key);
}

}  // namespace

Task::Task()
    : ExecCntr(TaskDefault(L"DefExecCntr")),
      Threads(TaskDefault(L"DefThreads")),
      Rows(TaskDefault(L"DefRows")),
      Delay(TaskDefault(L"DefDelay")),
      SQLDelay(TaskDefault(L"InitDelay")),
      DelayMax(TaskDefault(L"DefDelay2")),
      Priority(TaskDefault(L"DefPriority")) {}

Task::Task(const Task& other) { CopyFrom(other); }

Task& Task::operator=(const Task& other) {
  if (this != &other) CopyFrom(other);
  return *this;
}

void Task::CopyFrom(const Task& o) {
  Name = o.Name;
  SQL = o.SQL;
  sqlFile = o.sqlFile;
  File = o.File;
  ResultsDirectory = o.ResultsDirectory;
  Separator = o.Separator;
  ExecCntr = o.ExecCntr;
  Threads = o.Threads;
  Rows = o.Rows;
  Delay = o.Delay;
  SQLDelay = o.SQLDelay;
  DelayMax = o.DelayMax;
  iStmtDelay = o.iStmtDelay;
  iStmtDelayMax = o.iStmtDelayMax;
  AllRows = o.AllRows;
  AsTransaction = o.AsTransaction;
  isActive = o.isActive;
  UseParser = o.UseParser;
  UseFileSQL = o.UseFileSQL;
  bSaveThreadResults = o.bSaveThreadResults;
  DefConnect = o.DefConnect;
  ParamType = o.ParamType;
  Params = o.Params;
  PlanWanted = o.PlanWanted;
  Plan = o.Plan;
  SQLBefore = o.SQLBefore;
  SQLAfter = o.SQLAfter;
  TaskCon = o.TaskCon;
  TaskGroup = o.TaskGroup;
  TDU = o.TDU;
  Priority = o.Priority;
  DB = o.DB;
}

bool Task::operator!=(const Task& o) const {
  if (Name != o.Name || SQL != o.SQL || File != o.File || Separator != o.Separator ||
      ExecCntr != o.ExecCntr || SQLBefore != o.SQLBefore || SQLAfter != o.SQLAfter ||
      TaskGroup != o.TaskGroup || TaskCon != o.TaskCon || Priority != o.Priority ||
      Threads != o.Threads || Rows != o.Rows || Delay != o.Delay ||
      AsTransaction != o.AsTransaction || SQLDelay != o.SQLDelay || DelayMax != o.DelayMax ||
      AllRows != o.AllRows || isActive != o.isActive || UseParser != o.UseParser ||
      sqlFile != o.sqlFile || UseFileSQL != o.UseFileSQL || TDU != o.TDU ||
      ParamType != o.ParamType || iStmtDelay != o.iStmtDelay ||
      iStmtDelayMax != o.iStmtDelayMax || ResultsDirectory != o.ResultsDirectory ||
      bSaveThreadResults != o.bSaveThreadResults || DefConnect != o.DefConnect)
    return true;
  if (Params.size() != o.Params.size()) return true;
  for (size_t i = 0; i < Params.size(); ++i)
    if (Params[i].Differs(o.Params[i])) return true;
  return false;
}

std::wstring Task::ActiveText() const { return isActive ? L"Yes" : L"No"; }

std::wstring Task::ThreadsText() const {
  if (ExecCntr < 1) return platform::Format(L"%d", Threads);
  return platform::Format(L"%d (%d)", Threads, ExecCntr);
}
