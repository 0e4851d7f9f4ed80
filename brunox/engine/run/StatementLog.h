#pragma once
// The executed-statement log of a run: a UTF-16LE text file with the byte-order mark FF FE and
// CR LF line ends. A header line at the start of every step of the run:
//   TaskNo TaskName Thread SQL RowsFetched ExecTime FetchTime Timestamp [counter titles]
// then one line per executed statement (a failed statement writes none), fields separated by tabs:
//   task number from 1, task name (its tabs and line breaks written as blanks), thread number
//   from 1, the statement on one line, rows fetched, execution and fetch seconds ("%.3f"), local
//   time "hh:mm:ss.mmm", and with the project's pcIsSQL the latest sample of each enabled counter
//   that has one.
//
// Every worker writes a line per statement, so a line is built in two halves: its fields, by the
// worker in a buffer of its own without any lock (AppendStatementLogFields), and its end, the
// counter samples and CR LF, which AppendLine adds under the runner's statement-log lock, where
// the samples are written. The log object itself is not thread-safe; the runner calls it under
// that lock. It gathers lines in a large block and writes the file a block at a time: a write
// error may only show when a block is written, at the latest by Close, which is why Close reports
// one too. A block that fits only in part (a full disk) leaves the file cut back to its last whole
// line, and nothing is written after it. Close also tells a file that was removed or replaced
// while the run wrote it: its lines are in no file under the log's name.
#include <string>
#include <string_view>

class Project;

struct LogClock {
  int hour = -1, minute = -1, second = -1, millisecond = -1;  // -1: could not be converted
  // The local time now. The conversion to local time takes a process-wide lock, so each thread
  // converts once per second and keeps the result.
  static LogClock Now();
};

// The statement as one log field: trailing blanks, CR and LF removed, then every CR LF pair and
// every tab replaced by one blank (a lone LF stays).
std::wstring StatementLogSql(const std::wstring& sql);
std::wstring StatementLogHeader(const Project& project);
// Adds the UTF-16LE bytes of a line's fields, from the task number to the timestamp, to `bytes`.
void AppendStatementLogFields(std::string& bytes, int taskIndex, const std::wstring& taskName,
                              int threadNo, std::wstring_view sql, int rows, double execTime,
                              double fetchTime, const LogClock& clock);
// Adds the end of a line to `bytes`: with the project's pcIsSQL the latest sample of each enabled
// counter slot that has one, then CR LF.
void AppendStatementLogEnd(std::string& bytes, const Project& project);

class StatementLog {
 public:
  StatementLog() = default;
  ~StatementLog();
  StatementLog(const StatementLog&) = delete;
  StatementLog& operator=(const StatementLog&) = delete;

  // Creates the file anew (an existing one is replaced; close-on-exec) and writes the byte-order
  // mark. A failed creation is remembered: the log stays shut for the rest of the run.
  bool Open(const std::wstring& path);
  bool IsOpen() const { return fd_ >= 0; }
  // Open has been called in this run, with or without success.
  bool Tried() const { return tried_; }
  const std::wstring& Path() const { return path_; }
  // Appends the UTF-16LE bytes of `text` (nothing when not open). False when a block could not
  // be written.
  bool Write(std::wstring_view text);
  // Appends a line whose fields AppendStatementLogFields made, with its end (nothing when not
  // open). False when a block could not be written.
  bool AppendLine(std::string_view fields, const Project& project);
  // Writes the lines gathered so far and keeps the file open. False when they could not be
  // written.
  bool Flush();
  // Writes what is gathered, closes the file and forgets the failure, ready for the next run;
  // Path() stays. False when the last lines could not be written, or when the file was removed
  // or replaced while it was open.
  bool Close();
  // Close, and Path() becomes "".
  void Forget();
  // Why the last Open, Write or Close failed ("" when none did).
  const std::wstring& FailureText() const { return failure_; }

 private:
  bool Fail(const char* what, int error);
  // Writes the block when it has grown past its size.
  bool WriteIfFull();
  bool WriteBlock();
  // After `done` bytes of the block went to the file and the rest could not (a full disk): the
  // file is cut back to its last whole line, and later lines are dropped.
  void CutBackToLastWholeLine(std::size_t done);
  // Why the open file is no longer the one at Path() ("" when it still is).
  std::wstring LostFromItsPath() const;

  int fd_ = -1;
  bool tried_ = false;
  bool broken_ = false;         // a write failed: nothing more goes to the file
  std::size_t written_ = 0;     // bytes in the file, whole lines only
  std::string block_;
  std::wstring path_;
  std::wstring failure_;
};
