#pragma once
// One task of a load-test project: a statement or script run on a number of threads, with its
// counts, delays, parameters, scripts and connection, plus what a run fills in.
#include <string>
#include <vector>

#include "brunox/engine/project/PlanRow.h"
#include "brunox/engine/project/TaskParam.h"
#include "kavra/ConnInfo.h"

class CDB;
class CSysReg;

enum ParamSource { kParamsFromFile = 0, kParamsGenerated = 1 };
enum TaskPriority { kPriorityLow = 0, kPriorityNormal = 1, kPriorityHigh = 2 };
// How the lines of a task's value file reach its threads.
enum ValueFileUse { kEachThreadReadsFile = 0, kOneLinePerThread = 1, kThreadsShareReader = 2 };

struct Task {
  std::wstring Name;
  std::wstring SQL;
  std::wstring sqlFile;           // the script's file, used when UseFileSQL is 1
  std::wstring File;              // value file of the parameters (ParamType 0)
  std::wstring ResultsDirectory;  // folder of the per-thread result files
  std::wstring Separator = L"<tab>";  // "<tab>" stands for a tab character
  int ExecCntr = 0;   // executions per thread when each task runs by its own count; < 1: no limit
  int Threads = 0;
  int Rows = 0;       // rows fetched per execution when AllRows is 0
  int Delay = 0;      // think time between executions, lower bound, ms
  int SQLDelay = 0;   // delay of every thread before its first execution, ms
  int DelayMax = 0;   // think time, upper bound, ms
  int iStmtDelay = 0;     // delay before each statement of a script, lower bound, ms
  int iStmtDelayMax = 0;  // upper bound, ms
  double SetupTime = 0;   // run time: seconds preparing the task (own connection and prologue)
  int AllRows = 1;
  int AsTransaction = 0;  // the statements of one execution form one transaction
  int isActive = 1;
  int UseParser = 0;      // split the script into statements
  int UseFileSQL = 0;
  int bSaveThreadResults = 0;
  int DefConnect = 1;     // 1: the project's main connection, 0: TaskCon
  int ParamType = kParamsFromFile;
  std::vector<TaskParam> Params;
  int PlanWanted = 0;     // run time: the plan is still to be captured
  std::vector<PlanRow> Plan;  // run time: the captured plan
  std::wstring SQLBefore;     // prologue script
  std::wstring SQLAfter;      // epilogue script
  CONN_INFO TaskCon;
  int TaskGroup = 0;
  int TDU = kEachThreadReadsFile;
  int Priority = kPriorityNormal;
  CDB* DB = nullptr;  // run time: the connection of its scripts, the main one or one the runner
                      // opened for the task and owns; not owned here

  // Counts, delays and priority come from the task-defaults settings (their registered defaults
  // when there are no settings).
  Task();
  // Copies every field but SetupTime, which belongs to the run that measured it.
  Task(const Task& other);
  Task& operator=(const Task& other);
  Task(Task&&) = default;
  Task& operator=(Task&&) = default;

  // True when a field the user edits differs; run-time fields are not compared.
  bool operator!=(const Task& other) const;

  // The parameters come from a value file and the task names one: a run cannot do without it.
  bool ReadsValueFile() const { return ParamType == kParamsFromFile && !File.empty(); }

  std::wstring ActiveText() const;   // "Yes" / "No"
  std::wstring ThreadsText() const;  // "4", or "4 (10)" with an execution count

  // Sections "Task<index>" and "TaskCon<index>" of a project file.
  void Load(CSysReg& file, int index);
  void Save(CSysReg& file, int index) const;

 private:
  void CopyFrom(const Task& other);
};
