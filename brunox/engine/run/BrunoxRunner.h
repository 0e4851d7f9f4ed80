#pragma once
// Runs a project: one call of Run is one complete run, synchronous for its caller.
//
// Run starts a master thread, which prepares the tasks (own connections, prologue scripts, value
// files, one worker thread per task thread, each waiting at its start gate), opens the gates of a
// step, watches the workers every 50 ms (progress, stop rules, statistics), runs the epilogue
// scripts and ends. Meanwhile the caller's thread reports kRunIdle every 50 ms through the
// project's callback so that a window keeps handling its events.
//
// Run modes: 0 all active tasks together, 1 one task after another, -1 group by group (groups 0
// to the highest TaskGroup, one after another; the tasks of a group together). The stop flag,
// the total of executions, the timer and the thread count carry over from one step to the next:
// a stop rule that fires ends the rest of the run (the epilogues still run).
//
// Threads and locks: the caller's thread inside Run and AskStop, one master thread per run, and
// the workers (pthreads with 256 KiB stacks, at most kMaxThreads per run). The six locks, never
// two held at once: kLockConnect (the ConnectGate connectGate_, disconnects first) around each
// worker's connect and disconnect, kLockPlan around
// plan capture, kLockStatementLog around every open of and write to the executed-statement log,
// kLockValueLines around handing out value-file lines at thread creation, kLockValueFileRead
// around every read of a value file during the run (lock 1 is unused).
//
// Errors of the run as a whole (an unknown run mode, a stop rule without its number, no active
// task, a task whose connection failed, the thread limit, too few open files for the threads)
// are logged and kept for RunErrors(). A round that fails is counted in FailedRounds, not in
// TotalExecs, so rates and mean times divide executed work by its time; the stop rules that
// count rounds count both. A round that a stop cuts short is neither.
//
// A stop waits for the workers to end their round. A statement still running
// RunStopRules::kCancelGraceSeconds after the stop is cancelled; a worker that has still not
// returned kAbandonAfterCancelSeconds later (a server that answers nothing, not even the cancel)
// is left behind: the run ends without it, runs no further step and no epilogue (they would wait
// on the same server), and names it as a run error. Its record and stack stay until it returns;
// the next run waits for that, and a program that quits meanwhile must not run the destructors of
// what such a worker still uses.
//
// There is one runner for the whole program: g_runner, created by the program's start-up
// (CBrunoxApp) before anything can run a project and deleted at its end.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "brunox/engine/run/ConnectGate.h"
#include "brunox/engine/project/RunEvents.h"
#include "brunox/engine/run/RunStopRules.h"
#include "brunox/engine/run/StatementLog.h"
#include "brunox/engine/run/ThreadInfo.h"
#include "brunox/engine/run/WorkerStacks.h"
#include "mervis/LogRepeats.h"
#include "mervis/TimeCounter.h"
#include "platform/AdaptiveMutex.h"

class CDB;
class PerfCounters;
class Project;
class ValueFile;

class BrunoxRunner {
 public:
  static constexpr int kMaxThreads = 10240;
  static constexpr int kStatSeries = 5;
  static constexpr int kStatPeriods = 50;
  // The waits of the original design covered 64 threads at once; kept for the trace line.
  static constexpr int kWaitBlock = 64;
  static constexpr int kWorkerStackBytes = 256 * 1024;
  // After the cancel of the statements that outlast a stop, how long their workers are waited
  // for before the run ends without them.
  static constexpr double kAbandonAfterCancelSeconds = 5.0;

  enum Lock {
    kLockConnect = 0,
    kLockUnused = 1,
    kLockPlan = 2,
    kLockStatementLog = 3,
    kLockValueLines = 4,
    kLockValueFileRead = 5,
    kLockCount = 6
  };

  BrunoxRunner();
  virtual ~BrunoxRunner();
  BrunoxRunner(const BrunoxRunner&) = delete;
  BrunoxRunner& operator=(const BrunoxRunner&) = delete;

  // One synchronous run of `project`, whose run-time fields (MainDB, DefConnection, Callback,
  // the statistics settings) are filled. Returns 0.
  int Run(Project* project);
  // While a run is going on asks whether to break it; Yes stops the run, waits for its end and
  // returns 1, No returns 0. Without a run: 1 at once.
  int AskStop();
  bool IsRunning() const { return running_.load(); }
  // 1 when the project can run; else 0 after telling the user why (no tasks, no connection).
  int CheckProject(Project* project);

  // Runs a prologue or epilogue script on `db` (nothing without a connected db or a script). A
  // failing statement is logged and reported with kRunScriptError; unless the callback answers 1
  // the rest of the script is skipped.
  void RunSQL(CDB* db, const std::wstring& script, int useParser);
  // Captures the plan of `statement` on `db` into the record's task (under kLockPlan).
  void CollectPlan(ThreadInfo* record, CDB* db, const std::wstring& statement);

  // ---- Statistics (master thread; the pages read them) ----
  // One statistics period: the ring values of the step's series, a sample of every enabled
  // counter, then kRunStatisticsReady.
  void UpdateStat();
  // The ring value of `series` at `period` mod kStatPeriods; period -1 is the period written
  // last. 0 outside the ring or before the first period.
  int GetStatValue(int series, int period) const;
  // The number of series: the active tasks with StatByTask, else the threads of the step; at
  // most kStatSeries.
  int StatSeriesCount() const;

  // ---- Statement parameters ----
  // Generates P1..Pn of the record's task with the record's engine (none when the task has no
  // parameters). The engine is made, initialised, bound to `db` and told the column names on
  // first use and keeps its patterns and generators from then on. `oneOff` (a preview outside a
  // run) ends the engine's row afterwards, so the next call starts afresh.
  std::vector<std::wstring> GenerateValues(ThreadInfo* record, Project* project, CDB* db,
                                           bool oneOff = false);
  // GenerateValues, put in place of the markers ?1..?n of `text` (FillMarkers).
  void ParamsForOneLine(std::wstring* text, ThreadInfo* record, Project* project, CDB* db,
                        bool oneOff = false);
  // Splits `line` at `separator` and puts field i in place of the marker ?i (FillMarkers).
  static void PrepareOneLine(std::wstring* text, const std::wstring& line, wchar_t separator);
  // The next line of `file`, going back to its start at the end (under kLockValueFileRead).
  // False when the file has no line.
  bool NextValueLine(ValueFile* file, std::wstring* line);
  // NextValueLine, then PrepareOneLine. A file without lines leaves the markers as they are.
  void PrepareOneStmt(std::wstring* text, ValueFile* file, wchar_t separator);
  // The value file a worker reads: the task's shared one, or a new one put into *own, which the
  // worker then owns. *opened: 1 when lines can be read from it. A file the task reads that is
  // missing, empty or unreadable is a run error naming the task and the file.
  ValueFile* OpenParamFile(ThreadInfo* record, std::unique_ptr<ValueFile>* own, int* opened);
  // The separator character of a task's Separator text ("<tab>" is a tab).
  static wchar_t SeparatorChar(const std::wstring& separator);

  // ---- Workers ----
  // The life of one worker thread (its own connection, its rounds of statements, its end).
  void ExecOneThread(ThreadInfo* record);
  // Writes one line of the executed-statement log (nothing when the project has none).
  void LogStatement(const ThreadInfo& record, const std::wstring& sql, int rows, double execTime,
                    double fetchTime);

  // The value-library path the engines are initialised with.
  static const std::wstring& LibraryPath();

  ThreadInfo& Record(int index) { return threadInfos_[index]; }
  const ThreadInfo& Record(int index) const { return threadInfos_[index]; }
  // The records of the last run that belong to task `taskIndex`, by thread number: entry j is
  // the record of thread j, or -1 when that thread was never started (its task's connection
  // failed, too few value lines, the thread limit, a stop during the preparation). A task's
  // records cannot be found by counting the Threads of the tasks before it for that reason.
  std::vector<int> TaskRecords(int taskIndex, int threads) const;

  // ---- State of the run (read by the window's pages) ----
  std::unique_ptr<PerfCounters> CounterSet;
  std::atomic<int> Stop{0};
  std::atomic<int> PauseAll{0};
  std::atomic<std::int64_t> TotalExecs{0};  // executed rounds of all workers in this run
  int Tick = -1;                            // statistics periods taken
  int RunMode = 0;  // set by the window before Run: 0 together, 1 one after another, -1 groups
  std::atomic<int> ThreadsStarted{0};  // records used so far in this run
  _TimeCounter Timer;
  int RingIndex = -1;
  int ThreadsOfStep = 0;
  int StepFirst = 0;  // record of the first thread of the current step
  int Ring[kStatSeries][kStatPeriods] = {};
  int Last[kStatSeries] = {};
  int Elapsed = 0;    // whole seconds since the run began
  int LastStat = -1;  // Elapsed at the last statistics period
  int StatPeriod = 0;
  Project* RunProject = nullptr;
  int ThreadsOfLastRun = 0;  // records the last run used (ThreadsStarted is 0 after a run)
  // The time the load of the last run ran, for its rate: seconds from its start to the end of its
  // last counted execution. What a stop then waits for (statements to return or be cancelled)
  // is not in it. The run's whole time when nothing was counted. Once the run has ended.
  double LoadSeconds() const;
  // Rounds that failed (a statement, the commit, a fetch or a column read failed); they are not
  // executions and do not count in TotalExecs.
  std::atomic<std::int64_t> FailedRounds{0};
  // Parameter values whose pattern failed to render; the first failure of each task is a run
  // error.
  std::atomic<std::int64_t> FailedValues{0};
  // What went wrong with the run as a whole (thread limit, an unknown run mode, a stop rule
  // without its number, ...), in the order it happened; each is in the program log too.
  // Read them once the run has ended.
  const std::vector<std::wstring>& RunErrors() const { return runErrors_; }
  // False when the executed-statement log of the last run could not be written whole.
  bool StatementLogComplete() const { return statementLogComplete_; }
  // The executed-statement log of the last run, "" when it wrote none. Any thread: the window
  // reads it while the master thread opens the log.
  std::wstring StatementLogPath() const;
  // Why the log of the last run is incomplete ("" when it is not).
  std::wstring StatementLogFailure() const;
  // A quit that does not wait for the run: writes the lines the statement log holds, unless a
  // thread keeps the log's lock longer than `patience`. The log stays locked, so no line comes
  // after: the caller ends the process. kNoLog when no log is open.
  enum class LogAtQuit { kNoLog, kWritten, kBusy, kFailed };
  LogAtQuit WriteStatementLogBeforeQuit(std::chrono::milliseconds patience);
  // A quit that does not wait for the run: writes to the program log how often the failures it
  // only counted have repeated since their last line (see the workers' failures below).
  void TellRepeatedFailuresBeforeQuit();

  // While a stop waits for workers that have not ended a second after it: how many (0 when the
  // run is not waiting for any), and whether their statements have been cancelled. Any thread.
  int ThreadsTheStopWaitsFor() const { return stopWaitsFor_.load(); }
  bool StopCancelledStatements() const { return stopCancelled_.load(); }
  // The records of the last run whose workers it left behind inside a database call (not those
  // left waiting for their turn to connect behind one).
  std::vector<int> LeftBehind() const;
  // The workers left behind that have not returned yet. While there are any, a new run does not
  // start and the runner must not be destroyed.
  int LeftBehindStillRunning() const;
  // "task 'name': 1, 2, 3; task 'other': 7" for records of the last run (thread numbers from 1,
  // at most a few dozen named per task).
  std::wstring NameThreads(const std::vector<int>& records) const;

 private:
  friend class Worker;

  int Notify(int code, int a, int b, const std::wstring& p = {}, const std::wstring& s = {});
  void MasterThreadProc();
  void DoRunThreads();
  void DoGroupRun();
  void RunSequential();
  int PrepareToRun(int taskIndex, int groupThreads);
  int PrepareOneTask(Task& task, int index);
  // Creates the worker of record ThreadsStarted; false when the system refused the thread.
  bool CreateWorker(ThreadInfo& record);
  void WaitThreads();
  // Opens the start gates of the records from `first` on.
  void ResumeWorkers(int first);
  // Joins the ended workers of the step and closes it.
  void EndStep();
  void RunEpilogue(int taskIndex);
  // Instead of the epilogue once workers were left behind: a run error when the task has one, and
  // its own connection closed.
  void SkipEpilogue(Task& task, int index);
  // Closes the connection the runner opened for task `index`, if any; the task's DB is null after.
  void CloseOwnConnection(Task& task, int index);
  // Checks made once before a run prepares anything; false when it cannot run.
  bool CheckRunnable();
  // The stop rules of the run mode, applied after every 50 ms wait.
  void ApplyStopRules();
  // Cancels the statements of the workers that still run one long after the run was told to stop.
  void CancelLateStatements();
  // After the stop: keeps ThreadsTheStopWaitsFor up to date and, once the workers that have not
  // ended have had their time, leaves them behind. True when it did: the step ends without them.
  bool LeaveLateWorkersBehind();
  // Joins the workers an earlier run left behind that have ended since; false while any has not.
  bool JoinLeftBehind();
  // Frees what a joined worker's record owns.
  static void ReleaseRecord(ThreadInfo& record);
  // Frees what the workers of a run share (their stacks, the shared value files): only once none
  // of them runs any more.
  void ReleaseWorkersShared();
  // Records of the current step that exist: [StepFirst, StepFirst + count).
  int StepRecordCount() const;
  // Called by a worker as the last thing it does with its record.
  void WorkerEnded(ThreadInfo* record);
  void WriteStatementLogHeader();
  // Starts the worker of `record` on `stack` (null: a stack the thread library makes); the
  // pthread_create result.
  int CreateThread(ThreadInfo& record, void* stack);
  // Master thread: joins the workers that have ended, so that their stacks' memory can go back.
  void JoinEndedWorkers();
  // Under kLockStatementLog: notes a write failure of the log (logged once per run).
  void NoteStatementLogFailure();
  // Joins the workers and frees what the run used; a worker left behind that has not returned
  // keeps its record, its stack and the shared value files.
  void CleanUpRun();
  // Logs `text` as an error of the run and keeps it for RunErrors().
  void ReportRunError(const std::wstring& text);
  // The first pattern error of the record's task becomes a run error; later ones are counted
  // only (FailedValues).
  void ReportPatternError(const ThreadInfo& record, size_t param, const std::wstring& error);
  // A value file that the task reads but that is missing, empty or cannot be read (not a
  // regular file, a line over the cap): one run error per task and cause.
  void ReportValueFileError(const Task& task, const std::wstring& error);

  std::unique_ptr<ThreadInfo[]> threadInfos_;
  std::mutex runErrorsMutex_;
  std::vector<std::wstring> runErrors_;
  std::set<int> patternErrorTasks_;  // tasks whose pattern error is a run error already
  bool statementLogComplete_ = true;  // written under kLockStatementLog during a run
  RunStopRules stopRules_;            // loaded before a run prepares anything
  // The connections the runner opened for tasks that do not use the main one, by task index;
  // a task's DB points at its entry (or at the main connection) while its part of the run lasts.
  std::vector<std::unique_ptr<CDB>> ownConnections_;
  double stopSeenAt_ = -1;  // Timer seconds when the master first saw Stop; -1 before
  double lastCancelAt_ = -1;
  std::atomic<int> stopWaitsFor_{0};
  std::atomic<bool> stopCancelled_{false};
  bool leftBehind_ = false;  // workers were left behind in this run (master thread, then caller)
  mutable platform::AdaptiveMutex locks_[kLockCount];
  ConnectGate connectGate_;  // stands for the lock kLockConnect
  StatementLog statementLog_;
  // The failures the workers log round after round: each task's first few of a kind are written,
  // the rest counted, and the counts told at the end of the run (CLog::RepeatScope).
  LogRepeats repeatedFailures_;
  std::vector<std::unique_ptr<ValueFile>> sharedFiles_;  // the tasks' shared value files
  // The workers' stacks, by record index; master thread only, released once all are joined.
  WorkerStacks workerStacks_{kWorkerStackBytes};
  bool stepOpen_ = false;  // a step's threads are being prepared or waited for
  std::atomic<bool> running_{false};
  int baseNice_ = 0;  // the caller's nice value; the priorities are relative to it

  // Live workers, so the master thread wakes as soon as the last one ends.
  std::mutex liveMutex_;
  std::condition_variable liveChanged_;
  int liveWorkers_ = 0;

  std::thread master_;
  std::mutex masterMutex_;
  std::condition_variable masterDone_;
  bool masterEnded_ = true;
};

extern BrunoxRunner* g_runner;
