// One round of a worker: the task's statements in order, with their delays, rows and log lines,
// inside a transaction when the task asks for one.
#include <algorithm>
#include <atomic>
#include <mutex>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/ServerStatement.h"
#include "brunox/engine/run/Worker.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/Utf16Append.h"
#include "synthor/engine/DSynthor.h"

namespace {

// Marks a statement as running for the master thread, which cancels one that outlasts a stop.
class InFlight {
 public:
  explicit InFlight(ThreadInfo& record) : record_(record) { record_.InStatement = true; }
  ~InFlight() { record_.InStatement = false; }
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;

 private:
  ThreadInfo& record_;
};

}  // namespace

Worker::RoundOutcome Worker::RunRound(const std::vector<std::wstring>& statements,
                                      bool firstRound) {
  if (statements.empty()) return RoundOutcome::kNothingExecuted;
  if (task_.AsTransaction) {
    db_->SetTransactionMode(0);
    db_->BeginTransaction();
  }
  bool failed = false;
  for (std::size_t k = 0; k < statements.size() && !failed && !LeftBehind(); ++k)
    failed = !RunStatement(statements[k], k);
  if (LeftBehind()) return RoundOutcome::kCancelled;
  // Judged before the rollback, whose own failure would replace the statement's error.
  bool lost = failed && db_->ConnectionLost();

  if (task_.AsTransaction) {
    // A failed round is undone, so that a later round's commit does not carry its first half.
    // A round that succeeded is committed whatever it reported as changed: an insert with a
    // returning clause or a function that writes reports rows, not changes.
    if (failed) {
      db_->EndTransaction(1);
    } else if (!CDB::isOK(db_->EndTransaction(0))) {
      CLog::Bug(L"Commit failed:", db_->ErrorText, __FILE__, __LINE__);
      failed = true;
      lost = db_->ConnectionLost();
    }
    if (LeftBehind()) return RoundOutcome::kCancelled;
  }
  if (failed && StopRequested()) return RoundOutcome::kCancelled;
  if (failed) {
    record_.State = kWorkerFailed;
    record_.FailedRounds.fetch_add(1);
    runner_.FailedRounds.fetch_add(1);
    return lost ? RoundOutcome::kLostConnection : RoundOutcome::kFailed;
  }
  TimeRound(firstRound);
  return RoundOutcome::kExecuted;
}

bool Worker::RunStatement(const std::wstring& text, std::size_t index) {
  if ((index > 0 && task_.iStmtDelay != 0) || task_.iStmtDelayMax != 0)
    SleepUnlessStopped(RandomDelay(task_.iStmtDelay, task_.iStmtDelayMax));
  std::wstring trimmed;  // used only for the servers that take no trailing ';'
  const std::wstring& statement = StatementToSend(text, withoutSemicolon_, trimmed);

  // Execute closes the previous statement's cursor itself; only a plan capture closes one first.
  if (std::atomic_ref<int>(task_.PlanWanted).load()) {
    std::lock_guard lock(runner_.locks_[BrunoxRunner::kLockPlan]);
    if (std::atomic_ref<int>(task_.PlanWanted).load()) {
      db_->CloseCursor(nullptr);
      runner_.CollectPlan(&record_, db_.get(), statement);
      std::atomic_ref<int>(task_.PlanWanted).store(0);
    }
  }

  InFlight inFlight(record_);
  const double execStart = runner_.Timer.Seconds();
  const int rc = db_->Execute(statement, nullptr);
  const double execEnd = runner_.Timer.Seconds();
  record_.StmtTime += execEnd - execStart;
  if (LeftBehind()) return false;
  if (!CDB::isOK(rc)) {
    StatementFailed(L"Wrong stmt:", statement + L" " + db_->ErrorText,
                    L"Wrong stmt: " + db_->ErrorText);
    return false;
  }
  int rows = 0;
  const bool fetched = FetchRows(&rows);
  const double fetchTime = runner_.Timer.Seconds() - execEnd;
  record_.FetchTime += fetchTime;
  if (!fetched || LeftBehind()) return false;
  runner_.LogStatement(record_, statement, rows, execEnd - execStart, fetchTime);
  return true;
}

bool Worker::FetchRows(int* rows) {
  *rows = 0;
  int columns = 0;
  if (!CDB::isOK(db_->ColumnCount(&columns, nullptr)) || columns <= 0) return true;
  int frc;
  std::wstring value;  // one buffer for every value of the result
  while ((frc = db_->Fetch(nullptr)) == CDB::kOk) {
    // A stop leaves the row unread, and so uncounted: the log counts what the result file holds.
    if (runner_.Stop) return true;
    ++*rows;
    for (int c = 1; c <= columns; ++c) {
      int size = project_.MaxBlobBytes;
      if (!CDB::isOK(db_->GetColumnText(c, &value, &size, nullptr, 0))) {
        StatementFailed(platform::Format(L"Column %d of row %d could not be read", c, *rows),
                        db_->ErrorText,
                        platform::Format(L"Column %d could not be read: ", c) + db_->ErrorText);
        return false;
      }
      if (c > 1) WriteResult(L"\t");
      WriteResult(value);
    }
    WriteResult(L"\r\n");
    // The row that reaches the limit is the last one read.
    if (!task_.AllRows && *rows >= task_.Rows) return true;
  }
  if (frc != CDB::kNoData) {
    const std::wstring what = platform::Format(L"Fetch: frc=%d", frc);
    StatementFailed(what, db_->ErrorText, what + L": " + db_->ErrorText);
    return false;
  }
  return true;
}

void Worker::StatementFailed(const std::wstring& what, const std::wstring& detail,
                             const std::wstring& kind) {
  if (StopRequested())
    CLog::State2(L"Cancelled by the stop: " + what + L" " + detail);
  else
    CLog::BugOfKind(kind, what, detail, __FILE__, __LINE__);
}

void Worker::TimeRound(bool firstRound) {
  const double now = runner_.Timer.Seconds();
  double last = now - record_.ExecStart;
  if (firstRound && task_.SQLDelay > 0) last -= task_.SQLDelay / 1000.0;
  record_.LastTime = last;
  record_.ExecStart = now;
  record_.MaxTime = std::max(record_.MaxTime, last);
  record_.MinTime = std::min(record_.MinTime, last);
  record_.TotalTime += last;
}

void Worker::ThinkTime() {
  if (task_.Delay == 0) return;
  const int delay =
      task_.DelayMax != task_.Delay ? RandomDelay(task_.Delay, task_.DelayMax) : task_.Delay;
  SleepUnlessStopped(delay);
  record_.ExecStart += delay / 1000.0;
}

// A delay from `low` to `high` ms: low plus a random part when the range is not empty. The
// record's engine is made only here or for generated values: a thread that needs neither never
// has one, and ten thousand of them would cost memory.
int Worker::RandomDelay(int low, int high) {
  if (high - low <= 0) return low;
  if (!record_.Engine) record_.Engine = std::make_unique<DSynthor>();
  return low + record_.Engine->random.Next(high - low);
}

void Worker::WriteResult(const std::wstring& text) {
  if (!resultFile_) return;
  resultBytes_.clear();
  platform::AppendUtf16Le(resultBytes_, text);
  std::fwrite(resultBytes_.data(), 1, resultBytes_.size(), resultFile_.get());
}
