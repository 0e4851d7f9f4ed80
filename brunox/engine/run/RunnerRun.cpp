// A run from start to end: the caller's wait, the master thread and the run modes.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/run/PerfCounters.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/ThreadPriority.h"
#include "brunox/engine/run/ValueFile.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "mervis/PumpMessage.h"
#include "platform/Folders.h"
#include "platform/Limits.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "synthor/engine/DSynthor.h"

BrunoxRunner* g_runner = nullptr;

BrunoxRunner::BrunoxRunner()
    : CounterSet(std::make_unique<PerfCounters>()), threadInfos_(new ThreadInfo[kMaxThreads]) {}

BrunoxRunner::~BrunoxRunner() {
  if (master_.joinable()) master_.join();
  // A worker left behind still uses its record and its stack: both go once it has returned. The
  // program quits without destroying the runner rather than wait here for a server that does not
  // answer.
  for (int i = 0; i < kMaxThreads; ++i) {
    if (threadInfos_[i].Joinable) {
      pthread_join(threadInfos_[i].Thread, nullptr);
      threadInfos_[i].Joinable = false;
    }
  }
  CleanUpRun();
}

const std::wstring& BrunoxRunner::LibraryPath() {
  static const std::wstring path = platform::JoinPath(platform::ProgramFolder(), L"library.sqlite");
  return path;
}

int BrunoxRunner::Notify(int code, int a, int b, const std::wstring& p, const std::wstring& s) {
  if (!RunProject || !RunProject->Callback) return 0;
  return RunProject->Callback(code, a, b, p, s);
}

int BrunoxRunner::Run(Project* project) {
  // A window pumping its events inside the idle callback could ask for a second run.
  if (running_ || !project) return 0;
  CLog::State(L"BrunoxRunner::Run");
  if (!JoinLeftBehind()) {
    const std::wstring text = platform::Format(
        L"%d threads of the last run have not returned from a database call yet; no run starts "
        L"until they have.",
        LeftBehindStillRunning());
    {
      std::lock_guard lock(runErrorsMutex_);
      runErrors_.assign(1, text);
    }
    CLog::Bug(text, L"BrunoxRunner", __FILE__, __LINE__);
    CLog::State(nullptr);
    return 0;
  }
  RunProject = project;
  CounterSet->SetProject(project);
  LibraryPath();
  std::memset(Ring, 0, sizeof Ring);
  std::memset(Last, 0, sizeof Last);
  Stop = 0;
  FailedRounds = 0;
  FailedValues = 0;
  {
    std::lock_guard lock(runErrorsMutex_);
    runErrors_.clear();
    patternErrorTasks_.clear();
  }
  statementLogComplete_ = true;
  PauseAll = 0;
  TotalExecs = 0;
  Tick = -1;
  RingIndex = -1;
  LastStat = -1;
  Elapsed = 0;
  ThreadsOfStep = 0;
  StepFirst = 0;
  ThreadsOfLastRun = 0;
  baseNice_ = BaseNiceValue();
  stopSeenAt_ = lastCancelAt_ = -1;
  stopWaitsFor_ = 0;
  stopCancelled_ = false;
  leftBehind_ = false;
  {
    std::lock_guard lock(locks_[kLockStatementLog]);
    statementLog_.Forget();
  }

  {
    std::lock_guard lock(masterMutex_);
    masterEnded_ = false;
  }
  running_ = true;
  try {
    master_ = std::thread([this] { MasterThreadProc(); });
  } catch (const std::system_error& e) {
    CLog::Bug(L"Could not start the run", platform::FromUnknown8Bit(e.what()), __FILE__, __LINE__);
    running_ = false;
    CLog::State(nullptr);
    return 0;
  }
  for (;;) {
    std::unique_lock lock(masterMutex_);
    if (masterDone_.wait_for(lock, std::chrono::milliseconds(50), [this] { return masterEnded_; }))
      break;
    lock.unlock();
    Notify(kRunIdle, 0, 0);
  }
  master_.join();
  CleanUpRun();
  // Before anything reports on the run, so that the log's counts of its failures are whole.
  CLog::TellRepeats(repeatedFailures_, L"the run ended");
  stopWaitsFor_ = 0;
  running_ = false;
  CLog::State(nullptr);
  return 0;
}

void BrunoxRunner::CleanUpRun() {
  // Every worker has ended by now but those left behind; a gate that was never opened (a step
  // cut short) is opened with the stop flag set, so that its worker ends at once and can be
  // joined.
  const int used = ThreadsStarted;
  bool workersRemain = false;
  for (int i = 0; i < used; ++i) {
    ThreadInfo& record = threadInfos_[i];
    if (record.Abandoned && !record.Ended) {
      workersRemain = true;  // JoinLeftBehind, once it has returned
      continue;
    }
    if (record.Joinable) {
      if (!record.Started) {
        Stop = 1;
        record.Started = 1;
        record.Started.notify_one();
      }
      pthread_join(record.Thread, nullptr);
      record.Joinable = false;
    }
    ReleaseRecord(record);
  }
  if (!workersRemain) ReleaseWorkersShared();
  {
    // A worker left behind that returns writes no line (LogStatement): the log is whole up to here.
    std::lock_guard lock(locks_[kLockStatementLog]);
    if (!statementLog_.Close()) NoteStatementLogFailure();
  }
  // Normally each closed with the task's part of the run; what is left goes now.
  for (size_t i = 0; i < ownConnections_.size() && RunProject && i < RunProject->Tasks.size(); ++i)
    if (ownConnections_[i] && RunProject->Tasks[i].DB == ownConnections_[i].get())
      RunProject->Tasks[i].DB = nullptr;
  ownConnections_.clear();
  stepOpen_ = false;
  if (used > 0) ThreadsOfLastRun = used;
  ThreadsStarted = 0;
}

bool BrunoxRunner::JoinLeftBehind() {
  bool workersRemain = false;
  for (int i = 0; i < std::min(ThreadsOfLastRun, kMaxThreads); ++i) {
    ThreadInfo& record = threadInfos_[i];
    if (!record.Joinable) continue;
    if (!record.Ended) {
      workersRemain = true;
      continue;
    }
    pthread_join(record.Thread, nullptr);
    record.Joinable = false;
    ReleaseRecord(record);
  }
  if (workersRemain) return false;
  ReleaseWorkersShared();
  return true;
}

void BrunoxRunner::ReleaseRecord(ThreadInfo& record) {
  // The records stay readable for the reports; only what they own goes.
  record.Engine.reset();
  record.EngineReady = false;
  record.SharedFile = nullptr;
}

void BrunoxRunner::ReleaseWorkersShared() {
  sharedFiles_.clear();
  workerStacks_.Release();
}

std::vector<int> BrunoxRunner::LeftBehind() const {
  std::vector<int> records;
  for (int i = 0; i < std::min(ThreadsOfLastRun, kMaxThreads); ++i)
    if (threadInfos_[i].Abandoned && !threadInfos_[i].WaitingToConnect) records.push_back(i);
  return records;
}

int BrunoxRunner::LeftBehindStillRunning() const {
  int running = 0;
  for (int i = 0; i < std::min(ThreadsOfLastRun, kMaxThreads); ++i)
    if (threadInfos_[i].Abandoned && !threadInfos_[i].Ended) ++running;
  return running;
}

std::wstring BrunoxRunner::NameThreads(const std::vector<int>& records) const {
  constexpr size_t kNamedPerTask = 20;
  std::vector<std::pair<const ThreadInfo*, std::vector<int>>> byTask;  // first record, numbers
  for (const int i : records) {
    if (i < 0 || i >= kMaxThreads) continue;
    const ThreadInfo& record = threadInfos_[i];
    auto task = std::find_if(byTask.begin(), byTask.end(), [&](const auto& entry) {
      return entry.first->TaskIndex == record.TaskIndex;
    });
    if (task == byTask.end()) task = byTask.insert(byTask.end(), {&record, {}});
    task->second.push_back(record.ThreadNo + 1);
  }
  std::wstring text;
  for (const auto& [record, numbers] : byTask) {
    if (!text.empty()) text += L"; ";
    text += L"task '" + (record->TheTask ? record->TheTask->Name : std::wstring()) + L"': ";
    for (size_t k = 0; k < numbers.size() && k < kNamedPerTask; ++k)
      text += (k ? L", " : L"") + platform::FromInt(numbers[k]);
    if (numbers.size() > kNamedPerTask)
      text += platform::Format(L" and %d more", static_cast<int>(numbers.size() - kNamedPerTask));
  }
  return text;
}

BrunoxRunner::LogAtQuit BrunoxRunner::WriteStatementLogBeforeQuit(
    std::chrono::milliseconds patience) {
  platform::AdaptiveMutex& lock = locks_[kLockStatementLog];
  const auto until = std::chrono::steady_clock::now() + patience;
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() >= until) return LogAtQuit::kBusy;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // Never unlocked: the process ends next, and a line written after these would be one the quit
  // may cut in half.
  if (!statementLog_.IsOpen()) return LogAtQuit::kNoLog;
  return statementLog_.Flush() ? LogAtQuit::kWritten : LogAtQuit::kFailed;
}

void BrunoxRunner::TellRepeatedFailuresBeforeQuit() {
  CLog::TellRepeats(repeatedFailures_, L"the program quit");
}

void BrunoxRunner::MasterThreadProc() {
  if (!SetCurrentThreadPriority(kPriorityHigh, baseNice_) && RunProject->LogLevel == 1)
    CLog::State2(L"BrunoxRunner: the master thread keeps its priority (not permitted)");
  DoRunThreads();
  {
    std::lock_guard lock(masterMutex_);
    masterEnded_ = true;
  }
  masterDone_.notify_all();
}

void BrunoxRunner::DoRunThreads() {
  CLog::State(L"BrunoxRunner::DoRunThreads");
  ThreadsStarted = 0;
  for (PerfCounterSlot& slot : RunProject->Counters) {
    slot.Samples.clear();
    slot.Times.clear();
  }
  // A report of this run shows this run's plans only, also when it captures none.
  for (Task& task : RunProject->Tasks) task.Plan.clear();
  Timer.Start();
  if (!CheckRunnable()) {
    Timer.Stop();
    CLog::State(nullptr);
    return;
  }
  ownConnections_.clear();
  ownConnections_.resize(RunProject->Tasks.size());
  CounterSet->AddCounters(nullptr);
  switch (stopRules_.RunMode()) {
    case RunStopRules::Mode::kGroups:
      DoGroupRun();
      break;
    case RunStopRules::Mode::kOneAfterAnother:
      RunSequential();
      break;
    case RunStopRules::Mode::kTogether:
      if (PrepareToRun(-1, 0) == 0) {
        WaitThreads();
        EndStep();
        RunEpilogue(-1);
      }
      break;
  }
  CounterSet->Close();
  Timer.Stop();
  CLog::State(nullptr);
}

bool BrunoxRunner::CheckRunnable() {
  stopRules_.Load(*RunProject, RunMode);
  for (const std::wstring& problem : stopRules_.Problems()) ReportRunError(problem);
  if (!stopRules_.CanRun()) return false;
  std::int64_t threads = 0;
  for (const Task& task : RunProject->Tasks)
    if (task.isActive) threads += std::max(0, task.Threads);
  bool anyActive = false;
  for (const Task& task : RunProject->Tasks) anyActive = anyActive || task.isActive;
  if (!anyActive) {
    ReportRunError(L"The project has no active task.");
    return false;
  }
  // Every thread holds at least one descriptor (its socket or database file); the program
  // itself needs a few dozen more. The run still starts: the threads past the limit fail to
  // connect, and the user knows why.
  threads = std::min<std::int64_t>(threads, kMaxThreads);
  const std::int64_t needed = threads + 64;
  const std::int64_t limit = platform::OpenFileLimit();
  if (limit > 0 && needed > limit)
    ReportRunError(platform::Format(L"%lld threads need about %lld open files; the limit is %lld.",
                                    static_cast<long long>(threads),
                                    static_cast<long long>(needed), static_cast<long long>(limit)));
  return true;
}

void BrunoxRunner::RunSequential() {
  std::vector<Task>& tasks = RunProject->Tasks;
  for (size_t i = 0; i < tasks.size(); ++i) {
    if (!tasks[i].isActive) continue;
    if (leftBehind_) {
      SkipEpilogue(tasks[i], static_cast<int>(i));
      continue;
    }
    if (PrepareToRun(static_cast<int>(i), 0) == 0) {
      WaitThreads();
      EndStep();
      RunEpilogue(static_cast<int>(i));
    }
  }
}

void BrunoxRunner::DoGroupRun() {
  std::vector<Task>& tasks = RunProject->Tasks;
  int highest = 0;
  for (const Task& task : tasks) highest = std::max(highest, task.TaskGroup);
  for (int group = 0; group <= highest && !leftBehind_; ++group) {
    int threads = 0;
    for (const Task& task : tasks)
      if (task.isActive && task.TaskGroup == group) threads += task.Threads;
    for (size_t i = 0; i < tasks.size(); ++i)
      if (tasks[i].isActive && tasks[i].TaskGroup == group) PrepareToRun(static_cast<int>(i), threads);
    WaitThreads();
    EndStep();
  }
  int scripts = 0;
  for (size_t i = 0; i < tasks.size(); ++i) {
    Task& task = tasks[i];
    if (task.isActive && leftBehind_) {
      SkipEpilogue(task, static_cast<int>(i));
    } else if (task.isActive && !task.SQLAfter.empty()) {
      RunSQL(task.DB, task.SQLAfter, task.UseParser);
      ++scripts;
    }
  }
  if (scripts > 0)
    CLog::State2(platform::Format(L"Project level epilogue executed. %d scripts.", scripts));
  for (size_t i = 0; i < tasks.size(); ++i) CloseOwnConnection(tasks[i], static_cast<int>(i));
}

void BrunoxRunner::RunEpilogue(int taskIndex) {
  std::vector<Task>& tasks = RunProject->Tasks;
  int scripts = 0;
  for (size_t i = 0; i < tasks.size(); ++i) {
    if (taskIndex >= 0 && static_cast<int>(i) != taskIndex) continue;
    Task& task = tasks[i];
    if (!task.isActive) continue;
    if (leftBehind_) {
      SkipEpilogue(task, static_cast<int>(i));
    } else if (!task.SQLAfter.empty()) {
      RunSQL(task.DB, task.SQLAfter, task.UseParser);
      ++scripts;
    }
    CloseOwnConnection(task, static_cast<int>(i));
  }
  if (scripts > 0)
    CLog::State2(platform::Format(L"Project level epilogue executed. %d scripts.", scripts));
}

void BrunoxRunner::SkipEpilogue(Task& task, int index) {
  // The server that kept the workers left behind would most likely keep the script too.
  if (!task.SQLAfter.empty())
    ReportRunError(L"The epilogue of task '" + task.Name +
                   L"' was not run: threads were left behind inside a database call.");
  CloseOwnConnection(task, index);
}

void BrunoxRunner::CloseOwnConnection(Task& task, int index) {
  if (index >= 0 && index < static_cast<int>(ownConnections_.size()) && ownConnections_[index]) {
    ownConnections_[index]->CloseConnection();
    ownConnections_[index].reset();
  }
  task.DB = nullptr;
}

int BrunoxRunner::AskStop() {
  if (!running_) return 1;
  if (platform::Ui().MessageBox(L"Break the project execution?", L"Warning!",
                                platform::MsgButtons::YesNo,
                                platform::MsgIcon::Question) != platform::MsgAnswer::Yes)
    return 0;
  Stop = 1;
  for (;;) {
    {
      std::unique_lock lock(masterMutex_);
      if (masterDone_.wait_for(lock, std::chrono::milliseconds(10), [this] { return masterEnded_; }))
        break;
    }
    PumpMessage();
  }
  return 1;
}

double BrunoxRunner::LoadSeconds() const {
  double last = 0;
  for (int i = 0; i < std::min(ThreadsOfLastRun, kMaxThreads); ++i)
    last = std::max(last, threadInfos_[i].CountedUntil.load(std::memory_order_relaxed));
  return last > 0 ? last : Timer.Seconds();
}

std::vector<int> BrunoxRunner::TaskRecords(int taskIndex, int threads) const {
  std::vector<int> records(static_cast<size_t>(std::max(0, threads)), -1);
  const int used = std::min(ThreadsOfLastRun, kMaxThreads);
  for (int i = 0; i < used; ++i) {
    const ThreadInfo& record = threadInfos_[i];
    if (record.TaskIndex == taskIndex && record.ThreadNo >= 0 && record.ThreadNo < threads)
      records[static_cast<size_t>(record.ThreadNo)] = i;
  }
  return records;
}

void BrunoxRunner::ReportRunError(const std::wstring& text) {
  // Every thread of a task may meet the same problem (its value file, say): once is enough.
  {
    std::lock_guard lock(runErrorsMutex_);
    if (std::find(runErrors_.begin(), runErrors_.end(), text) != runErrors_.end()) return;
    runErrors_.push_back(text);
  }
  CLog::Bug(text, L"BrunoxRunner", __FILE__, __LINE__);
}
