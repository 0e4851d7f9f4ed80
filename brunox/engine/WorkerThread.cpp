// One worker thread: its own connection, then round after round of the task's statements until a
// stop flag, the task's limit or an error ends it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/ThreadPriority.h"
#include "brunox/engine/ValueFile.h"
#include "kavra/CDB.h"
#include "kavra/Parse.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"

namespace {

constexpr double kNoRoundYet = 40960.0;

// The script of a task: its SQL text, or the file it names.
std::wstring TaskScript(const Task& task) {
  if (!task.UseFileSQL) return task.SQL;
  std::wstring text;
  if (!platform::ReadTextFile(CLog::DecodePath(task.sqlFile), text))
    CLog::Bug(L"Could not read the script file", task.sqlFile, __FILE__, __LINE__);
  return text;
}

// The record's engine, made when first needed: a thread that neither generates values nor
// draws random delays never needs one, and ten thousand of them would cost memory.
DSynthor& EngineOf(ThreadInfo* record) {
  if (!record->Engine) record->Engine = new DSynthor;
  return *record->Engine;
}

// A delay from `low` to `high` ms: low plus a random part when the range is not empty.
int RandomDelay(ThreadInfo* record, int low, int high) {
  return low + (high - low > 0 ? EngineOf(record).random.Next(high - low) : 0);
}

void WriteUtf16(std::FILE* file, const std::wstring& text) {
  const std::string bytes = platform::ToUtf16Le(text);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
}

}  // namespace

void BrunoxRunner::ExecOneThread(ThreadInfo* record) {
  if (static_cast<unsigned>(record->ConsoleRow) > static_cast<unsigned>(kMaxThreads)) {
    CLog::Bug(L"Wrong TI structure passed.", L"BrunoxRunner", __FILE__, __LINE__);
    WorkerEnded(record);
    return;
  }
  Task& task = *record->TheTask;
  const Project& project = *RunProject;
  if (!SetCurrentThreadPriority(record->Priority, baseNice_) && project.LogLevel == 1)
    CLog::State2(platform::Format(L"ExecThread: priority %d not permitted, kept", record->Priority));

  // Blocks for a while (in slices, so a stop is not kept waiting).
  auto sleepUnlessStopped = [&](int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!Stop && !record->Stop) {
      const auto left = until - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) break;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          left, std::chrono::milliseconds(50)));
    }
  };

  record->State = kWorkerConnecting;
  CDB* db = nullptr;
  bool connected = false;
  CONN_INFO info = task.DefConnect == 0 ? task.TaskCon : project.DefConnection;
  {
    std::lock_guard lock(locks_[kLockConnect]);
    const double start = Timer.Seconds();
    db = CDB::newDB(info.DsType);
    connected = db && CDB::isOK(db->OpenConnection(&info));
    record->ConnectTime = Timer.Seconds() - start;
  }
  if (!connected) {
    CLog::Bug(L"Could not connect to '" + info.ConInfo() + L"'", db ? db->ErrorText : L"",
              __FILE__, __LINE__);
    delete db;
    WorkerEnded(record);
    return;
  }
  CLog::State2(platform::Format(L"ExecThread - start: %d/%d", record->TaskIndex, record->ConsoleRow));

  int valueFileOpen = 0;
  ValueFile* valueFile = OpenParamFile(record, &valueFileOpen);
  const wchar_t separator = SeparatorChar(task.Separator);
  const bool withoutSemicolon = db->ServerProperty() == 3;

  record->State = kWorkerRunning;
  record->FetchTime = record->StmtTime = record->TotalTime = record->MaxTime = 0;
  record->LastTime = 0;
  record->MinTime = kNoRoundYet;
  record->ExecStart = Timer.Seconds();

  if (task.bSaveThreadResults && platform::DirectoryExists(task.ResultsDirectory)) {
    const std::wstring path = platform::JoinPath(
        task.ResultsDirectory,
        platform::Format(L"Task_%d_Thread_%d.txt", record->TaskIndex, record->ThreadNo));
    record->ResultFile = std::fopen(platform::NativePath(path).c_str(), "wb");
  }
  const std::wstring script = TaskScript(task);
  const int eachTimes = platform::ToInt(project.EachTasks);

  bool endedByLimit = false;
  for (int n = 1; !Stop && !record->Stop; ++n) {
    if (!project.Console) {
      while ((PauseAll || record->Pause) && !Stop && !record->Stop) {
        Notify(kRunThreadState, record->ConsoleRow, kThreadPaused);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
      }
      Notify(kRunThreadState, record->ConsoleRow, kThreadRunning);
    }
    if (project.DoType == kRunByTaskCounts && task.ExecCntr >= 1 && n > task.ExecCntr) {
      endedByLimit = true;
      break;
    }
    if (project.DoType == kRunEachTimes && eachTimes != 0 && n > eachTimes) {
      endedByLimit = true;
      break;
    }

    std::wstring text = script;
    if (task.ParamType == kParamsGenerated)
      ParamsForOneLine(&text, record, RunProject, db);
    else if (record->HasValueLine)
      PrepareOneLine(&text, record->ValueLine, separator);
    else if (valueFileOpen)
      PrepareOneStmt(&text, valueFile, separator);

    std::vector<std::wstring> statements;
    if (task.UseParser) {
      CParse parser;
      parser.Parse(text, 0);
      statements = std::move(parser.Statements);
    } else {
      statements.push_back(std::move(text));
    }

    if (n == 1 && task.SQLDelay > 0) sleepUnlessStopped(task.SQLDelay);
    if (task.AsTransaction) {
      db->SetTransactionMode(0);
      db->BeginTransaction();
    }
    int affected = 0;
    bool failed = false;
    for (size_t k = 0; k < statements.size(); ++k) {
      if ((k > 0 && task.iStmtDelay != 0) || task.iStmtDelayMax != 0)
        sleepUnlessStopped(RandomDelay(record, task.iStmtDelay, task.iStmtDelayMax));
      std::wstring& statement = statements[k];
      if (withoutSemicolon) statement = platform::TrimRight(statement, L";");

      db->CloseCursor(nullptr);
      if (std::atomic_ref<int>(task.PlanWanted).load()) {
        std::lock_guard lock(locks_[kLockPlan]);
        if (std::atomic_ref<int>(task.PlanWanted).load()) {
          CollectPlan(record, db, statement);
          std::atomic_ref<int>(task.PlanWanted).store(0);
        }
      }
      db->CloseCursor(nullptr);

      const double execStart = Timer.Seconds();
      const int rc = db->Execute(statement, nullptr);
      const double execEnd = Timer.Seconds();
      record->StmtTime += execEnd - execStart;
      if (!CDB::isOK(rc)) {
        CLog::Bug(L"Wrong stmt:", statement + L" " + db->ErrorText, __FILE__, __LINE__);
        record->State = kWorkerFailed;
        failed = true;
        break;
      }

      int rows = 0;
      int columns = 0;
      if (!CDB::isOK(db->ColumnCount(&columns, nullptr))) columns = 0;
      if (columns > 0) {
        int frc;
        bool cut = false;
        while ((frc = db->Fetch(nullptr)) == CDB::kOk) {
          ++rows;
          if (Stop || (!task.AllRows && rows >= task.Rows)) {
            cut = true;
            break;
          }
          for (int c = 1; c <= columns; ++c) {
            std::wstring value;
            int size = project.MaxBlobBytes;
            db->GetColumnText(c, &value, &size, nullptr, 0);
            if (record->ResultFile) {
              if (c > 1) WriteUtf16(record->ResultFile, L"\t");
              WriteUtf16(record->ResultFile, value);
            }
          }
          if (record->ResultFile) WriteUtf16(record->ResultFile, L"\r\n");
        }
        if (!cut && frc != CDB::kNoData)
          CLog::Bug(platform::Format(L"Fetch: frc=%d", frc), db->ErrorText, __FILE__, __LINE__);
      } else if (task.AsTransaction) {
        int changed = 0;
        if (CDB::isOK(db->RowsAffected(&changed, nullptr)) && changed > 0) affected += changed;
      }
      const double fetchTime = Timer.Seconds() - execEnd;
      record->FetchTime += fetchTime;
      LogStatement(*record, statement, rows, execEnd - execStart, fetchTime);
    }

    if (task.AsTransaction) {
      // A failed round is undone, so that a later round's commit does not carry its first half.
      if (failed)
        db->EndTransaction(1);
      else if (affected > 0)
        db->EndTransaction(0);
    }
    if (!failed) {
      const double now = Timer.Seconds();
      double last = now - record->ExecStart;
      if (n == 1 && task.SQLDelay > 0) last -= task.SQLDelay / 1000.0;
      record->LastTime = last;
      record->ExecStart = now;
      record->MaxTime = std::max(record->MaxTime, last);
      record->MinTime = std::min(record->MinTime, last);
      record->TotalTime += last;
    }
    Notify(kRunThreadState, record->ConsoleRow, n);
    if (failed && project.StopOnError) {
      endedByLimit = true;
      break;
    }
    if (task.Delay != 0) {
      const int delay = task.DelayMax != task.Delay ? RandomDelay(record, task.Delay, task.DelayMax)
                                                    : task.Delay;
      sleepUnlessStopped(delay);
      record->ExecStart += delay / 1000.0;
    }
    TotalExecs.fetch_add(1);
    record->Execs.fetch_add(1);
  }

  int finalState = endedByLimit ? kThreadFinished : kThreadStopped;
  if (record->State != kWorkerRunning) finalState = kThreadEndedFailed;
  Notify(kRunThreadState, record->ConsoleRow, finalState);

  if (record->ResultFile) std::fclose(record->ResultFile);
  record->ResultFile = nullptr;
  if (valueFile != record->SharedFile) delete valueFile;
  // The engine's wrapper refers to the connection: it goes first. The engine is not used again
  // once its thread has ended, so its memory need not wait for the end of the run.
  if (record->Engine) record->Engine->Terminate();
  delete record->Engine;
  record->Engine = nullptr;
  record->EngineReady = false;
  const double closeStart = Timer.Seconds();
  db->CloseConnection();
  delete db;
  record->CloseTime = Timer.Seconds() - closeStart;
  WorkerEnded(record);
}
