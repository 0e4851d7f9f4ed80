#pragma once
// The codes a run reports through the project's RunCallback, and the states a worker thread
// reports with kThreadState. Arguments per code:
//
//   code               a                      b                     p            s          result
//   kIdle              0                      0                     ""           ""         ignored
//   kThreadState       console row            ThreadRunState / n    ""           ""         ignored
//   kAddThreadRow      thread number from 1   0                     task name    ""         row
//   kProgress          seconds elapsed        total executions      ""           ""         ignored
//   kStatisticsReady   seconds elapsed        0                     ""           ""         ignored
//   kScriptError       0                      0                     error text   statement  1: go on
//
// kIdle comes from the thread that called BrunoxRunner::Run, every 50 ms, so a window can keep
// handling its events; kThreadState from the worker threads; the others from the run's master
// thread. A callback must therefore be safe to call from several threads at once.

enum RunEvent {
  kRunIdle = 0,
  kRunThreadState = 1,
  kRunAddThreadRow = 2,
  kRunProgress = 3,
  kRunStatisticsReady = 4,
  kRunScriptError = 7,
};

// The b of kRunThreadState. A positive b is the number of executions a thread has done (its
// failed rounds are not executions).
enum ThreadRunState {
  kThreadPaused = -6,
  kThreadRunning = 0,
  kThreadStopped = -1,      // a stop flag ended it
  kThreadFinished = -2,     // its execution limit, or StopOnError, ended it
  kThreadEndedFailed = -4,  // it ended after a statement had failed, or lost its connection
};

// ThreadInfo::State. A worker that could not connect stays kWorkerConnecting; one that saw the
// run's stop before its turn to connect never tried and is kWorkerStoppedBeforeConnect.
enum WorkerState {
  kWorkerRunning = 0,
  kWorkerConnecting = 1,
  kWorkerFailed = 2,
  kWorkerStoppedBeforeConnect = 3,
};
