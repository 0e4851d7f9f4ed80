#pragma once
// One worker thread of a run, from its connect to its end: it connects, reads its script and
// value source, then runs round after round of the task's statements until a stop flag, the
// task's limit or an error ends it. What the worker owns lives here and goes with it: its
// connection, its own value file, its result file. The record's engine is the record's.
//
// WorkerThread.cpp holds the life of the thread (connect, set-up, the loop of rounds, the end);
// WorkerRound.cpp one round (delays, execution, fetch, transaction, timing).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "brunox/engine/run/StatementMarkers.h"
#include "platform/UserFile.h"

class BrunoxRunner;
class CDB;
class Project;
class RunStopRules;
class ValueFile;
struct Task;
struct ThreadInfo;

class Worker {
 public:
  Worker(BrunoxRunner& runner, ThreadInfo& record);
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // The whole life of the thread; returns when it has ended.
  void Run();

 private:
  // kLostConnection: a failed round whose connection is gone (CDB::ConnectionLost), after which
  // the thread ends. kCancelled: a statement failed after the run or the
  // thread was told to stop, that is, the stop cut it short (the cancel of a statement that
  // outlasts a stop): neither an execution nor a failed round, and the thread ends as stopped.
  enum class RoundOutcome { kExecuted, kFailed, kLostConnection, kNothingExecuted, kCancelled };
  enum class ConnectResult { kConnected, kStopped, kFailed };

  // ---- WorkerThread.cpp ----
  // Serialised with the other workers' connects; a stop seen before connecting ends the thread.
  ConnectResult Connect();
  // The script split into statements, the value source and the result file. False when the
  // thread cannot run (its script file cannot be read, or holds no statement).
  bool SetUp();
  // Rounds until the thread is to end; true when a limit, StopOnError or a lost connection ended
  // them, false when a stop flag did.
  bool RunRounds();
  void WaitWhilePaused();
  // The values of the next round: generated, the thread's own line, or the next line of the
  // value file; nothing when the task has none.
  std::optional<std::vector<std::wstring>> NextValues();
  // After a round that executed nothing: a pause that doubles from 10 ms to 1 s with each such
  // round in a row, so that an empty round does not spin. A statement the server refused waits
  // for nothing: an error-path load runs as fast as any other.
  void BackOff();
  void SleepUnlessStopped(int ms);
  bool StopRequested() const;
  // The run ended without this worker while it was inside a call that blocks (ThreadInfo::
  // Abandoned). Once back, the worker touches nothing of the run but its own connection, engine
  // and files: its task may have been changed or deleted since, and the window has moved on.
  bool LeftBehind() const;
  // Tells the window how the thread ended, then Release.
  void Finish(bool endedByLimit);
  // Closes the result file, the value file, the engine and the connection.
  void Release();

  // ---- WorkerRound.cpp ----
  RoundOutcome RunRound(const std::vector<std::wstring>& statements, bool firstRound);
  // Executes one statement and reads its rows; false when it failed (logged).
  bool RunStatement(const std::wstring& text, std::size_t index);
  // Fetches the rows of the open result set into the result file; false on a fetch or column
  // read error (logged). *rows: rows counted.
  bool FetchRows(int* rows);
  // Logs why a statement failed: as an error, or, once a stop was asked for, as the stop's doing.
  // Its repeats are judged by `kind`, which names the failure by the driver's message: the
  // statement in `detail` carries generated values that differ from one round to the next.
  void StatementFailed(const std::wstring& what, const std::wstring& detail,
                       const std::wstring& kind);
  void TimeRound(bool firstRound);
  void ThinkTime();
  int RandomDelay(int low, int high);
  void WriteResult(const std::wstring& text);

  BrunoxRunner& runner_;
  ThreadInfo& record_;
  Task& task_;
  const Project& project_;
  const RunStopRules& rules_;

  std::unique_ptr<CDB> db_;
  std::unique_ptr<ValueFile> ownValueFile_;
  ValueFile* valueFile_ = nullptr;  // ownValueFile_, or the task's shared one
  bool valueFileOpen_ = false;
  wchar_t separator_ = L'\t';
  bool withoutSemicolon_ = false;
  platform::UniqueFile resultFile_;
  std::string resultBytes_;  // WriteResult's buffer, kept between writes
  std::unique_ptr<ScriptStatements> script_;
  std::int64_t round_ = 0;
  int backOffMs_ = 0;
  bool shownRunning_ = false;  // the window's row says "Running" (WaitWhilePaused)
};
