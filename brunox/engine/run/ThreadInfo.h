#pragma once
// The runner's record of one worker thread. The runner keeps one per possible thread for its whole
// life, so a record never moves while a worker or a window page points at it.
//
// Who writes what: the master thread fills a record before the worker starts; after that only the
// worker writes it, until it sets Ended. The fields that other threads read while the worker runs
// (Execs, State, LostConnection, CountedUntil, Stop, Pause, Ended) are atomics; the times are
// plain and may be read by others once Ended is set (setting Ended publishes them). The worker's
// connection is reachable through the record only under its connection lock, so the master
// thread can cancel a statement that will not end while the worker may be closing that
// connection.
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "brunox/engine/project/RunEvents.h"

class BrunoxRunner;
class CDB;
class DSynthor;
class ValueFile;
struct Task;

struct ThreadInfo {
  ThreadInfo();
  ~ThreadInfo();
  // A record is owned by the runner's table; it is reset in place, never copied.
  ThreadInfo(const ThreadInfo&) = delete;
  ThreadInfo& operator=(const ThreadInfo&) = delete;

  // Back to the state of a new record for a thread of `task`. Frees the engine it owned.
  void Reset();

  // The worker's connection while it may run statements (null before the connect and from the
  // start of the disconnect on). Set and cleared by the worker.
  void SetConnection(CDB* db);
  // Master thread: cancels the statement the worker is running, if any. True when one was.
  bool CancelStatement();

  Task* TheTask = nullptr;
  std::atomic<std::int64_t> Execs{0};  // rounds that executed their statements
  std::atomic<std::int64_t> FailedRounds{0};  // rounds that failed (not executions)
  int ConsoleRow = -1;        // from the kRunAddThreadRow callback
  int TaskIndex = -1;         // position of the task in the project, from 0
  std::atomic<int> State{kWorkerRunning};  // WorkerState; kWorkerFailed stays to the end
  // The thread ended because its connection was lost (State is kWorkerFailed then too).
  std::atomic<bool> LostConnection{false};
  // Runner seconds at which the thread's last counted execution ended, its think time included;
  // 0 before the first. The run's rate is over the latest of these (BrunoxRunner::LoadSeconds).
  std::atomic<double> CountedUntil{0};
  int ThreadNo = -1;          // within the task, from 0
  std::wstring ValueLine;     // the one value-file line of this thread (one line per thread)
  bool HasValueLine = false;  // an empty line is a line too
  ValueFile* SharedFile = nullptr;  // the task's shared value file; the runner owns it
  std::atomic<int> Stop{0};
  std::atomic<int> Pause{0};
  // Set by the worker while a statement executes or its rows are fetched.
  std::atomic<bool> InStatement{false};
  // Set by the master thread when the run ended without this worker: it had not returned from a
  // database call long after the stop and the cancel of its statement. From then on the worker
  // writes no line to the statement log and reports nothing; the runner keeps its record and
  // stack until it has ended.
  std::atomic<bool> Abandoned{false};
  // Set by the worker while it waits for its turn to connect (ConnectGate).
  std::atomic<bool> WaitingToConnect{false};

  // The thread: Started opens its start gate; Ended is set by the worker as its last act on the
  // record (the runner's waits skip it from then on). Joinable until the runner has joined it.
  pthread_t Thread{};
  bool Joinable = false;
  std::atomic<int> Started{0};
  std::atomic<bool> Ended{true};
  int Priority = 1;  // TaskPriority the worker gives itself

  double LastTime = 0;     // seconds of the last round
  double ConnectTime = 0;
  double CloseTime = 0;
  double ExecStart = 0;    // runner time at which the current round began
  double MaxTime = 0;
  double MinTime = 0;      // 40960.0 until the first round ends
  double StmtTime = 0;     // total statement execution time
  double FetchTime = 0;
  double TotalTime = 0;

  BrunoxRunner* Runner = nullptr;
  // Made on first use by the worker (or a preview); freed when the worker ends, by Reset, or
  // with the record.
  std::unique_ptr<DSynthor> Engine;
  // The engine knows the columns P1..Pn and is bound to the worker's connection.
  bool EngineReady = false;

 private:
  std::mutex connectionMutex_;
  CDB* connection_ = nullptr;  // the worker owns it
};
