// The life of one worker thread: connect, set up, round after round, end.
#include <algorithm>
#include <chrono>
#include <thread>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/RunStopRules.h"
#include "brunox/engine/run/ServerStatement.h"
#include "brunox/engine/run/ThreadPriority.h"
#include "brunox/engine/run/ValueFile.h"
#include "brunox/engine/run/Worker.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"

namespace {

constexpr double kNoRoundYet = 40960.0;
constexpr int kFirstBackOffMs = 10;
constexpr int kLongestBackOffMs = 1000;
// Sleeps are cut into slices of this length so that a stop is not kept waiting.
constexpr int kSleepSliceMs = 50;

}  // namespace

void BrunoxRunner::ExecOneThread(ThreadInfo* record) {
  if (static_cast<unsigned>(record->ConsoleRow) > static_cast<unsigned>(kMaxThreads)) {
    CLog::Bug(L"Wrong TI structure passed.", L"BrunoxRunner", __FILE__, __LINE__);
  } else {
    Worker(*this, *record).Run();
  }
  WorkerEnded(record);
}

Worker::Worker(BrunoxRunner& runner, ThreadInfo& record)
    : runner_(runner),
      record_(record),
      task_(*record.TheTask),
      project_(*runner.RunProject),
      rules_(runner.stopRules_) {}

Worker::~Worker() = default;

void Worker::Run() {
  if (!SetCurrentThreadPriority(record_.Priority, runner_.baseNice_) && project_.LogLevel == 1)
    CLog::State2(
        platform::Format(L"ExecThread: priority %d not permitted, kept", record_.Priority));
  const ConnectResult connected = Connect();
  if (LeftBehind()) {
    Release();
    return;
  }
  switch (connected) {
    case ConnectResult::kConnected:
      break;
    case ConnectResult::kStopped:
      runner_.Notify(kRunThreadState, record_.ConsoleRow, kThreadStopped);
      return;
    case ConnectResult::kFailed:
      return;  // stays "connecting" without a callback; the log says why
  }
  CLog::State2(
      platform::Format(L"ExecThread - start: %d/%d", record_.TaskIndex, record_.ConsoleRow));
  bool endedByLimit = true;
  if (SetUp()) {
    // A failure that repeats round after round would write a line each time, thousands a second.
    const CLog::RepeatScope repeats(
        runner_.repeatedFailures_,
        platform::Format(L"task#%d '%ls'", record_.TaskIndex + 1, task_.Name.c_str()));
    endedByLimit = RunRounds();
  }
  Finish(endedByLimit);
}

Worker::ConnectResult Worker::Connect() {
  record_.State = kWorkerConnecting;
  CONN_INFO info = task_.DefConnect == 0 ? task_.TaskCon : project_.DefConnection;
  bool connected = false;
  {
    record_.WaitingToConnect = true;
    const ConnectGate::Hold hold = runner_.connectGate_.ForConnect();
    record_.WaitingToConnect = false;
    // Thousands of workers queue here one after another: a stop must not wait for all of them.
    if (StopRequested()) {
      record_.State = kWorkerStoppedBeforeConnect;
      return ConnectResult::kStopped;
    }
    const double start = runner_.Timer.Seconds();
    db_.reset(CDB::newDB(info.DsType));
    connected = db_ && CDB::isOK(db_->OpenConnection(&info));
    record_.ConnectTime = runner_.Timer.Seconds() - start;
  }
  if (!connected) {
    CLog::Bug(L"Could not connect to '" + info.ConInfo() + L"'", db_ ? db_->ErrorText : L"",
              __FILE__, __LINE__);
    db_.reset();
    return ConnectResult::kFailed;
  }
  record_.SetConnection(db_.get());
  return ConnectResult::kConnected;
}

bool Worker::SetUp() {
  record_.State = kWorkerRunning;
  record_.FetchTime = record_.StmtTime = record_.TotalTime = record_.MaxTime = 0;
  record_.LastTime = 0;
  record_.MinTime = kNoRoundYet;
  record_.ExecStart = runner_.Timer.Seconds();

  std::wstring script = task_.SQL;
  if (task_.UseFileSQL) {
    const std::wstring path = CLog::DecodePath(task_.sqlFile);
    std::wstring error;
    if (!platform::ReadUserTextFile(path, script, &error)) {
      CLog::Bug(L"Could not read the script file '" + path + L"'", error, __FILE__, __LINE__);
      record_.State = kWorkerFailed;
      return false;
    }
  }
  script_ = std::make_unique<ScriptStatements>(std::move(script), task_.UseParser != 0);
  if (script_->NeverHasStatements()) {
    CLog::Bug(L"The script of task '" + task_.Name + L"' holds no statement", L"", __FILE__,
              __LINE__);
    record_.State = kWorkerFailed;
    return false;
  }

  int opened = 0;
  valueFile_ = runner_.OpenParamFile(&record_, &ownValueFile_, &opened);
  valueFileOpen_ = opened != 0;
  // Running the statements with their markers unfilled would report a success that is none; the
  // run error (OpenParamFile) names the task and the file.
  if (task_.ReadsValueFile() && !valueFileOpen_ && !record_.HasValueLine) {
    record_.State = kWorkerFailed;
    return false;
  }
  separator_ = BrunoxRunner::SeparatorChar(task_.Separator);
  withoutSemicolon_ = RefusesTrailingSemicolon(*db_);

  if (task_.bSaveThreadResults && platform::DirectoryExists(task_.ResultsDirectory)) {
    const std::wstring path = platform::JoinPath(
        task_.ResultsDirectory,
        platform::Format(L"Task_%d_Thread_%d.txt", record_.TaskIndex, record_.ThreadNo));
    resultFile_.reset(std::fopen(platform::NativePath(path).c_str(), "wbe"));
  }
  return true;
}

bool Worker::RunRounds() {
  for (round_ = 1; !StopRequested(); ++round_) {
    if (!project_.Console) WaitWhilePaused();
    if (!rules_.RoundAllowed(task_, round_)) return true;

    const std::optional<std::vector<std::wstring>> values = NextValues();
    // A value can come from a query of its own, on a server that stopped answering.
    if (LeftBehind()) return false;
    const std::vector<std::wstring>& statements = script_->Fill(values ? &*values : nullptr);
    const bool first = round_ == 1;
    if (first && task_.SQLDelay > 0) SleepUnlessStopped(task_.SQLDelay);
    const RoundOutcome outcome = RunRound(statements, first);
    if (outcome == RoundOutcome::kCancelled || LeftBehind()) return false;
    // The window's row shows the thread's executions, as the reports do: the count this round
    // brings it to (it is counted after its think time).
    if (outcome == RoundOutcome::kExecuted)
      runner_.Notify(kRunThreadState, record_.ConsoleRow,
                     static_cast<int>(std::min<std::int64_t>(record_.Execs + 1, INT32_MAX)));
    if (outcome == RoundOutcome::kLostConnection) {
      // A lost ODBC connection does not come back: every later round would fail on it.
      record_.LostConnection = true;
      return true;
    }
    if (outcome == RoundOutcome::kFailed && rules_.EndAfterFailedRound()) return true;
    ThinkTime();
    if (outcome == RoundOutcome::kNothingExecuted)
      BackOff();
    else
      backOffMs_ = 0;
    if (outcome == RoundOutcome::kExecuted) {
      runner_.TotalExecs.fetch_add(1);
      record_.Execs.fetch_add(1);
      record_.CountedUntil.store(runner_.Timer.Seconds(), std::memory_order_relaxed);
    } else {
      // The time of a round that did not execute belongs to no round.
      record_.ExecStart = runner_.Timer.Seconds();
    }
  }
  return false;
}

void Worker::WaitWhilePaused() {
  double pausedSince = -1;
  while ((runner_.PauseAll || record_.Pause) && !StopRequested()) {
    if (pausedSince < 0) pausedSince = runner_.Timer.Seconds();
    runner_.Notify(kRunThreadState, record_.ConsoleRow, kThreadPaused);
    shownRunning_ = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  // Time spent paused is not the next round's, as think time is not (ThinkTime).
  if (pausedSince >= 0) record_.ExecStart += runner_.Timer.Seconds() - pausedSince;
  // Told once, not every round: a state change moves the rows' version that every thread shares.
  if (!shownRunning_) runner_.Notify(kRunThreadState, record_.ConsoleRow, kThreadRunning);
  shownRunning_ = true;
}

std::optional<std::vector<std::wstring>> Worker::NextValues() {
  if (task_.ParamType == kParamsGenerated)
    return runner_.GenerateValues(&record_, runner_.RunProject, db_.get());
  if (record_.HasValueLine) return platform::Split(record_.ValueLine, separator_);
  std::wstring line;
  if (valueFileOpen_ && runner_.NextValueLine(valueFile_, &line))
    return platform::Split(line, separator_);
  return std::nullopt;
}

void Worker::BackOff() {
  backOffMs_ = backOffMs_ == 0 ? kFirstBackOffMs : std::min(2 * backOffMs_, kLongestBackOffMs);
  SleepUnlessStopped(backOffMs_);
}

void Worker::SleepUnlessStopped(int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!StopRequested()) {
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) break;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        left, std::chrono::milliseconds(kSleepSliceMs)));
  }
}

bool Worker::StopRequested() const { return RunStopRules::StopRequested(runner_.Stop, record_); }

bool Worker::LeftBehind() const { return record_.Abandoned.load(); }

void Worker::Finish(bool endedByLimit) {
  int finalState = endedByLimit ? kThreadFinished : kThreadStopped;
  if (record_.State != kWorkerRunning) finalState = kThreadEndedFailed;
  if (!LeftBehind()) runner_.Notify(kRunThreadState, record_.ConsoleRow, finalState);
  Release();
}

void Worker::Release() {
  resultFile_.reset();
  ownValueFile_.reset();
  valueFile_ = nullptr;
  // The engine's wrapper refers to the connection: it goes first. The engine is not used again
  // once its thread has ended, so its memory need not wait for the end of the run.
  if (record_.Engine) record_.Engine->Terminate();
  record_.Engine.reset();
  record_.EngineReady = false;
  record_.SetConnection(nullptr);
  if (!db_) return;
  // Under the connect gate: some drivers add and remove connections in one list without a lock
  // of their own (ConnectGate.h).
  const ConnectGate::Hold hold = runner_.connectGate_.ForDisconnect();
  const double closeStart = runner_.Timer.Seconds();
  db_->CloseConnection();
  db_.reset();
  record_.CloseTime = runner_.Timer.Seconds() - closeStart;
}
