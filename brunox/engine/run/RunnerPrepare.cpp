// Preparing a step of a run: the tasks' own connections, prologues, value files and the worker
// threads, waiting at their start gates until the whole step is ready.
#include <chrono>
#include <cstring>
#include <thread>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/run/PlanShowPlugin.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/ValueFile.h"
#include "kavra/CDB.h"
#include "kavra/Parse.h"
#include "mervis/Log.h"
#include "mervis/Macros.h"
#include "platform/Text.h"
#include "platform/UiServices.h"

namespace {

void* WorkerThreadProc(void* argument) {
  auto* record = static_cast<ThreadInfo*>(argument);
  record->Started.wait(0);
  record->Runner->ExecOneThread(record);
  return nullptr;
}

}  // namespace

int BrunoxRunner::PrepareToRun(int taskIndex, int groupThreads) {
  CLog::State(L"BrunoxRunner::PrepareToRun");
  std::vector<Task>& tasks = RunProject->Tasks;
  if (taskIndex < 0) {
    ThreadsOfStep = 0;
    for (const Task& task : tasks)
      if (task.isActive) ThreadsOfStep += task.Threads;
  } else {
    ThreadsOfStep = tasks[taskIndex].Threads;
  }
  // A group's tasks are prepared one by one but form one step.
  if (groupThreads > 0) ThreadsOfStep = groupThreads;
  if (groupThreads <= 0 || !stepOpen_) {
    stepOpen_ = true;
    StepFirst = ThreadsStarted;
  }
  std::memset(Last, 0, sizeof Last);
  Elapsed = 0;

  const int first = ThreadsStarted;
  if (taskIndex < 0) {
    for (size_t i = 0; i < tasks.size() && !Stop; ++i)
      if (PrepareOneTask(tasks[i], static_cast<int>(i)) != 0) break;
  } else {
    PrepareOneTask(tasks[taskIndex], taskIndex);
  }
  if (!RunProject->SQLFile.empty()) WriteStatementLogHeader();
  ResumeWorkers(first);
  CLog::State(nullptr);
  return 0;
}

int BrunoxRunner::PrepareOneTask(Task& task, int index) {
  if (!task.isActive) return 0;
  CLog::State(L"BrunoxRunner::PrepareOneTask");
  const double setupStart = Timer.Seconds();
  task.DB = RunProject->MainDB;
  task.PlanWanted = RunProject->ShowPlan;
  if (task.DefConnect == 0) {
    task.DB = nullptr;
    std::unique_ptr<CDB> own(CDB::newDB(task.TaskCon.DsType));
    CONN_INFO info = task.TaskCon;
    if (!own || !CDB::isOK(own->OpenConnection(&info))) {
      // The task is skipped; its epilogue step finds no connection and does nothing.
      ReportRunError(L"Task '" + task.Name + L"' could not connect to '" + info.ConInfo() +
                     L"': " + (own ? own->ErrorText : std::wstring(L"no ODBC environment")));
      CLog::State(nullptr);
      return 0;
    }
    task.DB = own.get();
    ownConnections_[index] = std::move(own);
  }
  RunSQL(task.DB, task.SQLBefore, task.UseParser);

  // One line per thread: the file is read here and closed at the end of the preparation.
  std::unique_ptr<ValueFile> lineFile;
  ValueFile* shared = nullptr;
  if (task.TDU == kOneLinePerThread || task.TDU == kThreadsShareReader) {
    auto file = std::make_unique<ValueFile>();
    if (!file->Open(CLog::DecodePath(task.File))) {
      ReportValueFileError(task, file->Error());
    } else {
      if (task.TDU == kOneLinePerThread) {
        lineFile = std::move(file);
      } else {
        shared = file.get();
        sharedFiles_.push_back(std::move(file));
      }
    }
  }
  CLog::State2(platform::Format(L"task#%d, threads %d. Mode=%d, counter=%d: Start", index + 1,
                                task.Threads, task.TDU, task.ExecCntr));

  int result = 0;
  int priority = kPriorityNormal;
  for (int j = 0; j < task.Threads; ++j) {
    // Creating ten thousand threads takes a while: a stop must not wait for all of them.
    if (Stop) break;
    if (ThreadsStarted >= kMaxThreads) {
      ReportRunError(platform::Format(L"Thread limit %d exceeds.", kMaxThreads));
      result = -2;
      break;
    }
    ThreadInfo& record = threadInfos_[ThreadsStarted];
    record.Reset();
    record.TheTask = &task;
    record.TaskIndex = index;
    record.ThreadNo = j;
    record.Runner = this;
    if (task.TDU == kThreadsShareReader) record.SharedFile = shared;
    // An empty file has no line for any thread: the threads fail at their start, as they do
    // when the file is missing, with one message that names the task and the file.
    if (task.TDU == kOneLinePerThread && lineFile && !lineFile->IsEmpty()) {
      bool got;
      {
        std::lock_guard lock(locks_[kLockValueLines]);
        got = lineFile->ReadLine(&record.ValueLine);
      }
      if (!got) {
        const std::wstring message = platform::Format(
            L"File '%ls' contains not enough lines (%d of %d).\nProject has been stopped.",
            task.File.c_str(), j, task.Threads);
        Stop = 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ReportRunError(message);
        platform::Ui().MessageBox(message, L"Warning!", platform::MsgButtons::Ok,
                                  platform::MsgIcon::Error);
        break;
      }
      record.HasValueLine = true;
    }
    if (task.Priority >= kPriorityLow && task.Priority <= kPriorityHigh) priority = task.Priority;
    record.Priority = priority;
    record.ConsoleRow = Notify(kRunAddThreadRow, j + 1, 0, task.Name);
    if (!CreateWorker(record)) {
      CLog::Bug(platform::Format(L"Could not create thread #%d, not enough system resources",
                                 ThreadsStarted + 1),
                L"", __FILE__, __LINE__);
      break;
    }
    ++ThreadsStarted;
  }
  lineFile.reset();
  task.SetupTime = Timer.Seconds() - setupStart;
  CLog::State(nullptr);
  return result;
}

bool BrunoxRunner::CreateWorker(ThreadInfo& record) {
  record.Started = 0;
  record.Ended = false;
  {
    std::lock_guard lock(liveMutex_);
    ++liveWorkers_;
  }
  int rc = -1;
#if !defined(__SANITIZE_THREAD__)
  // ThreadSanitizer keeps its own data of a thread on a stack it is handed and needs far more
  // than a worker's stack for it: under it the library makes the stacks.
  if (void* stack = workerStacks_.Stack(static_cast<int>(&record - threadInfos_.get())))
    rc = CreateThread(record, stack);
#endif
  if (rc != 0) rc = CreateThread(record, nullptr);
  if (rc != 0) {
    record.Ended = true;
    std::lock_guard lock(liveMutex_);
    --liveWorkers_;
    return false;
  }
  record.Joinable = true;
  return true;
}

int BrunoxRunner::CreateThread(ThreadInfo& record, void* stack) {
  pthread_attr_t attributes;
  int rc = pthread_attr_init(&attributes);
  if (rc != 0) return rc;
  rc = stack ? pthread_attr_setstack(&attributes, stack, kWorkerStackBytes)
             : pthread_attr_setstacksize(&attributes, kWorkerStackBytes);
  if (rc == 0) rc = pthread_create(&record.Thread, &attributes, WorkerThreadProc, &record);
  pthread_attr_destroy(&attributes);
  return rc;
}

void BrunoxRunner::ResumeWorkers(int first) {
  const int end = ThreadsStarted;
  for (int i = first; i < end; ++i) {
    threadInfos_[i].Started = 1;
    threadInfos_[i].Started.notify_one();
  }
}

void BrunoxRunner::WorkerEnded(ThreadInfo* record) {
  record->Ended = true;
  bool last;
  {
    std::lock_guard lock(liveMutex_);
    last = --liveWorkers_ == 0;
  }
  // The master waits for the last one only. Waking it for every ended worker cost ten thousand
  // wake-ups and, through the stacks it then handed back one by one, as many address-translation
  // flushes on every processor.
  if (last) liveChanged_.notify_all();
}

void BrunoxRunner::JoinEndedWorkers() {
  const int used = ThreadsStarted;
  for (int i = 0; i < used; ++i) {
    ThreadInfo& record = threadInfos_[i];
    if (record.Joinable && record.Ended) {
      pthread_join(record.Thread, nullptr);
      record.Joinable = false;
      workerStacks_.Joined(i);
    }
  }
  workerStacks_.HandBackJoined(false);
}

void BrunoxRunner::RunSQL(CDB* db, const std::wstring& script, int useParser) {
  if (!db || !db->IsConnected() || script.empty()) return;
  CLog::State(L"BrunoxRunner::RunSQL");
  std::vector<std::wstring> statements;
  if (useParser) {
    CParse parser;
    parser.Parse(script, 0);
    statements = std::move(parser.Statements);
  } else {
    statements.push_back(script);
  }
  for (const std::wstring& statement : statements) {
    const int rc = db->Execute(statement, nullptr);
    db->CloseCursor(nullptr);
    if (CDB::isOK(rc)) continue;
    const std::wstring error = db->ErrorText;
    CLog::Bug(error, statement, __FILE__, __LINE__);
    if (Notify(kRunScriptError, 0, 0, error, statement) != 1) break;
  }
  CLog::State(nullptr);
}

void BrunoxRunner::CollectPlan(ThreadInfo* record, CDB* db, const std::wstring& statement) {
  Task& task = *record->TheTask;
  task.Plan.clear();
  PlanShowPlugin plan;
  if (plan.Prepare(db, statement) == PlanShowPlugin::kOk) {
    PlanRow row;
    while (plan.NextRow(&row) == 1) {
      task.Plan.push_back(row);
      row = PlanRow();
    }
  }
  plan.Finish();
}

void BrunoxRunner::WriteStatementLogHeader() {
  std::lock_guard lock(locks_[kLockStatementLog]);
  if (!statementLog_.Tried() &&
      !statementLog_.Open(DateAndTimeMacros(RunProject->SQLFile, 0, 0)))
    NoteStatementLogFailure();
  if (!statementLog_.Write(StatementLogHeader(*RunProject))) NoteStatementLogFailure();
}

std::wstring BrunoxRunner::StatementLogPath() const {
  std::lock_guard lock(locks_[kLockStatementLog]);
  return statementLog_.Path();
}

std::wstring BrunoxRunner::StatementLogFailure() const {
  std::lock_guard lock(locks_[kLockStatementLog]);
  return statementLogComplete_ ? std::wstring() : statementLog_.FailureText();
}

void BrunoxRunner::NoteStatementLogFailure() {
  if (!statementLogComplete_) return;
  statementLogComplete_ = false;
  CLog::Bug(L"The executed-statement log '" + statementLog_.Path() + L"' is incomplete",
            statementLog_.FailureText(), __FILE__, __LINE__);
}

void BrunoxRunner::LogStatement(const ThreadInfo& record, const std::wstring& sql, int rows,
                                double execTime, double fetchTime) {
  if (RunProject->SQLFile.empty()) return;
  // Built by each worker in its own buffer before the lock, so that the workers queue only for
  // appending finished bytes, not behind one another's formatting.
  thread_local std::string fields;
  fields.clear();
  AppendStatementLogFields(fields, record.TaskIndex, record.TheTask->Name, record.ThreadNo, sql,
                           rows, execTime, fetchTime, LogClock::Now());
  std::lock_guard lock(locks_[kLockStatementLog]);
  // The run ended without this worker and closed its log (CleanUpRun).
  if (record.Abandoned) return;
  if (!statementLog_.Tried() &&
      !statementLog_.Open(DateAndTimeMacros(RunProject->SQLFile, 0, 0)))
    NoteStatementLogFailure();
  if (!statementLog_.AppendLine(fields, *RunProject)) NoteStatementLogFailure();
}
