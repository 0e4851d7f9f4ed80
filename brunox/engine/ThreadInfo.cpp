#include "brunox/engine/ThreadInfo.h"

#include "synthor/engine/DSynthor.h"

ThreadInfo::~ThreadInfo() {
  if (ResultFile) std::fclose(ResultFile);
  delete Engine;
}

void ThreadInfo::Reset() {
  TheTask = nullptr;
  Execs = 0;
  ConsoleRow = -1;
  TaskIndex = -1;
  State = kWorkerRunning;
  ThreadNo = -1;
  ValueLine.clear();
  HasValueLine = false;
  SharedFile = nullptr;
  if (ResultFile) std::fclose(ResultFile);
  ResultFile = nullptr;
  Stop = 0;
  Pause = 0;
  Thread = pthread_t{};
  Joinable = false;
  Started = 0;
  Ended = true;
  Priority = 1;
  LastTime = ConnectTime = CloseTime = ExecStart = MaxTime = MinTime = 0;
  StmtTime = FetchTime = TotalTime = 0;
  Runner = nullptr;
  delete Engine;
  Engine = nullptr;
  EngineReady = false;
  PatternErrorShown.clear();
}
