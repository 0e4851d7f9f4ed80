#include "sompel/SqlScriptRun.h"

#include <chrono>

#include "kavra/CDB.h"

namespace sompel {

namespace {

// How often CancelAndWait repeats its cancel while the run has not ended.
constexpr auto kCancelRepeat = std::chrono::milliseconds(50);

// One row's values, or the failing result code.
int ReadRow(CDB& db, int columns, int maxCellChars,
            std::vector<std::optional<std::wstring>>* row) {
  row->clear();
  for (int c = 1; c <= columns; ++c) {
    std::wstring text;
    // One more than shown, so that a value that is exactly maxCellChars long is not marked as cut.
    int size = maxCellChars + 1;
    if (const int rc = db.GetColumnText(c, &text, &size); rc != CDB::kOk) return rc;
    if (size < 0) {
      row->emplace_back(std::nullopt);
      continue;
    }
    if (static_cast<int>(text.size()) > maxCellChars) text = text.substr(0, maxCellChars) + L"...";
    row->emplace_back(std::move(text));
  }
  return CDB::kOk;
}

}  // namespace

RowSet ReadRowSet(CDB& db, int maxRows, int maxCellChars, const std::atomic<bool>& stop) {
  RowSet set;
  int columns = 0;
  set.rc = db.ColumnCount(&columns);
  if (set.rc == CDB::kOk) {
    for (int c = 1; c <= columns; ++c) {
      std::wstring name;
      if (db.ColumnName(c, &name) != CDB::kOk || name.empty())
        name = L"Column " + std::to_wstring(c);
      set.headers.push_back(std::move(name));
    }
    std::vector<std::optional<std::wstring>> row;
    for (;;) {
      if (stop.load()) {
        set.truncated = true;
        break;
      }
      const int rc = db.Fetch();
      if (rc == CDB::kNoData) break;
      if (rc != CDB::kOk) {
        set.rc = rc;
        break;
      }
      if (static_cast<int>(set.rows.size()) == maxRows) {
        set.truncated = true;
        break;
      }
      if (const int readRc = ReadRow(db, columns, maxCellChars, &row); readRc != CDB::kOk) {
        set.rc = readRc;
        break;
      }
      set.rows.push_back(row);
    }
  }
  if (set.rc != CDB::kOk) set.error = db.ErrorText;
  db.CloseCursor();
  return set;
}

SqlScriptRun::~SqlScriptRun() { CancelAndWait(); }

bool SqlScriptRun::Start(CDB& db, Script script, OutcomeSink outcome, EndSink end) {
  if (Busy()) return false;
  db_ = &db;
  cancelled_ = false;
  ended_ = false;
  thread_ = std::thread(&SqlScriptRun::Body, this, std::move(script), std::move(outcome),
                        std::move(end));
  return true;
}

void SqlScriptRun::Cancel() {
  cancelled_ = true;
  if (db_ && !ended_.load()) db_->Cancel();
}

void SqlScriptRun::Wait() {
  if (thread_.joinable()) thread_.join();
}

void SqlScriptRun::CancelAndWait() {
  if (!Busy()) return;
  while (!ended_.load()) {
    Cancel();
    std::this_thread::sleep_for(kCancelRepeat);
  }
  Wait();
}

void SqlScriptRun::Body(Script script, OutcomeSink outcome, EndSink end) {
  ScriptEnd summary;
  if (script.connectFirst) {
    if (db_->IsConnected()) db_->CloseConnection();
    if (db_->OpenConnection(&*script.connectFirst) != CDB::kOk) {
      summary.connectError =
          db_->ErrorText.empty() ? std::wstring(L"The connection failed.") : db_->ErrorText;
      db_->CloseConnection();
    }
  }
  if (summary.connectError.empty()) {
    for (size_t i = 0; i < script.statements.size(); ++i) {
      if (cancelled_.load()) break;
      StatementOutcome one = RunOne(static_cast<int>(i), script.statements[i], script);
      ++summary.run;
      if (one.failed) ++summary.failed;
      outcome(std::move(one));
    }
  }
  summary.cancelled = cancelled_.load();
  end(std::move(summary));
  ended_ = true;
}

StatementOutcome SqlScriptRun::RunOne(int index, const std::wstring& statement,
                                      const Script& script) {
  StatementOutcome one;
  one.index = index;
  one.statement = statement;
  CDB& db = *db_;
  const auto fail = [&](std::wstring error) {
    one.failed = true;
    one.error = std::move(error);
    return one;
  };
  if (db.Execute(statement) != CDB::kOk) return fail(db.ErrorText);
  int columns = 0;
  if (db.ColumnCount(&columns) != CDB::kOk) {
    std::wstring error = db.ErrorText;
    db.CloseCursor();
    return fail(std::move(error));
  }
  if (columns > 0) {
    RowSet set = ReadRowSet(db, script.maxRows, script.maxCellChars, cancelled_);
    if (set.rc != CDB::kOk) return fail(set.error);
    one.rows = std::move(set);
    return one;
  }
  db.RowsAffected(&one.affected);
  db.CloseCursor();
  return one;
}

}  // namespace sompel
