#pragma once
// Runs the statements of a script on a connection on a thread of its own, so that the thread
// that asks (the window's) stays free and can cancel a long statement. Results are handed out
// as plain values; nothing here touches a widget.
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kavra/ConnInfo.h"

class CDB;

namespace sompel {

// A row set read from a connection: column names and at most `maxRows` rows of text.
struct RowSet {
  int rc = 0;              // 0, else the failing CDB result (error names the cause)
  std::wstring error;      // the driver's text of a failed read
  bool truncated = false;  // the row set had more rows than were read
  std::vector<std::wstring> headers;
  std::vector<std::vector<std::optional<std::wstring>>> rows;  // nullopt: NULL
};

// Reads the row set open on the connection's own statement; a value longer than `maxCellChars`
// is cut and ends in "...". Stops early, as if cut, once `stop` is set. Closes the cursor.
RowSet ReadRowSet(CDB& db, int maxRows, int maxCellChars, const std::atomic<bool>& stop);

// What one statement of a script did.
struct StatementOutcome {
  int index = 0;  // from 0, in script order
  std::wstring statement;
  bool failed = false;
  std::wstring error;            // the driver's text when failed
  std::optional<RowSet> rows;    // a statement that gave a row set
  int affected = -1;             // otherwise: rows it changed (-1: the driver cannot tell)
};

struct ScriptEnd {
  int failed = 0;          // statements that failed
  int run = 0;             // statements run (cancelled ones count)
  bool cancelled = false;  // Cancel stopped the script
  std::wstring connectError;  // set when the connection could not be opened: nothing ran
};

class SqlScriptRun {
 public:
  struct Script {
    std::vector<std::wstring> statements;
    // Opened on `db` first, on the run's thread (a connect can take as long as a statement).
    std::optional<CONN_INFO> connectFirst;
    int maxRows = 10000;
    int maxCellChars = 4000;
  };
  // Both are called on the run's thread: each outcome in order, then the end, once.
  using OutcomeSink = std::function<void(StatementOutcome)>;
  using EndSink = std::function<void(ScriptEnd)>;

  SqlScriptRun() = default;
  ~SqlScriptRun();  // cancels and waits
  SqlScriptRun(const SqlScriptRun&) = delete;
  SqlScriptRun& operator=(const SqlScriptRun&) = delete;

  // Starts `script` on `db`, which the run uses alone until it has ended. False when a run is
  // still under way (its thread has not been waited for).
  bool Start(CDB& db, Script script, OutcomeSink outcome, EndSink end);
  // True from Start until the run's thread has been waited for.
  bool Busy() const { return thread_.joinable(); }
  // True once the run has handed out its end (Wait then returns at once).
  bool Ended() const { return ended_.load(); }
  // Asks the driver to stop the statement that runs and skips the rest. Any thread. A cancel
  // that lands between two statements stops the next one from starting; one that lands just
  // before a statement reaches the driver may be missed, so callers repeat it until Ended.
  void Cancel();
  // Waits for the run's thread (which must have ended or been cancelled to return soon).
  void Wait();
  // Cancels, repeating the cancel until the run has ended, and waits.
  void CancelAndWait();

 private:
  void Body(Script script, OutcomeSink outcome, EndSink end);
  StatementOutcome RunOne(int index, const std::wstring& statement, const Script& script);

  CDB* db_ = nullptr;  // set by Start; used only by the run's thread until Wait
  std::thread thread_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> ended_{false};
};

}  // namespace sompel
