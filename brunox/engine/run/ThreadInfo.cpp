#include "brunox/engine/run/ThreadInfo.h"

#include "kavra/CDB.h"
#include "synthor/engine/DSynthor.h"

ThreadInfo::ThreadInfo() = default;
ThreadInfo::~ThreadInfo() = default;

void ThreadInfo::Reset() {
  TheTask = nullptr;
  Execs = 0;
  FailedRounds = 0;
  ConsoleRow = -1;
  TaskIndex = -1;
  State = kWorkerRunning;
  LostConnection = false;
  CountedUntil = 0;
  ThreadNo = -1;
  ValueLine.clear();
  HasValueLine = false;
  SharedFile = nullptr;
  Stop = 0;
  Pause = 0;
  InStatement = false;
  Abandoned = false;
  WaitingToConnect = false;
  Thread = pthread_t{};
  Joinable = false;
  Started = 0;
  Ended = true;
  Priority = 1;
  LastTime = ConnectTime = CloseTime = ExecStart = MaxTime = MinTime = 0;
  StmtTime = FetchTime = TotalTime = 0;
  Runner = nullptr;
  Engine.reset();
  EngineReady = false;
  SetConnection(nullptr);
}

void ThreadInfo::SetConnection(CDB* db) {
  std::lock_guard lock(connectionMutex_);
  connection_ = db;
}

bool ThreadInfo::CancelStatement() {
  std::lock_guard lock(connectionMutex_);
  if (!connection_ || !InStatement) return false;
  return CDB::isOK(connection_->Cancel());
}
