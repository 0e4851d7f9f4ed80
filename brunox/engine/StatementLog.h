#pragma once
// The executed-statement log of a run: a UTF-16LE text file with the byte-order mark FF FE and
// CR LF line ends. A header line at the start of every step of the run:
//   TaskNo TaskName Thread SQL RowsFetched ExecTime FetchTime Timestamp [counter titles]
// then one line per executed statement (a failed statement writes none), fields separated by tabs:
//   task number from 1, task name, thread number from 1, the statement on one line, rows fetched,
//   execution and fetch seconds ("%.3f"), local time "hh:mm:ss.mmm", and with the project's
//   pcIsSQL the latest sample of each enabled counter that has one.
// The object is not thread-safe; the runner writes it under its statement-log lock.
// The file is written through a FILE buffer: a write error may only show when the buffer is
// flushed, at the latest by Close, which is why Close reports one too.
#include <cstdio>
#include <string>

class Project;

struct LogClock {
  int hour = -1, minute = -1, second = -1, millisecond = -1;  // -1: could not be converted
  static LogClock Now();
};

// The statement as one log field: trailing blanks, CR and LF removed, then every CR LF pair
// replaced by one blank (a lone LF stays).
std::wstring StatementLogSql(const std::wstring& sql);
std::wstring StatementLogHeader(const Project& project);
std::wstring StatementLogLine(const Project& project, int taskIndex, const std::wstring& taskName,
                              int threadNo, const std::wstring& sql, int rows, double execTime,
                              double fetchTime, const LogClock& clock);

class StatementLog {
 public:
  StatementLog() = default;
  ~StatementLog();
  StatementLog(const StatementLog&) = delete;
  StatementLog& operator=(const StatementLog&) = delete;

  // Creates the file anew (an existing one is replaced; close-on-exec) and writes the byte-order
  // mark. A failed creation is remembered: the log stays shut for the rest of the run.
  bool Open(const std::wstring& path);
  bool IsOpen() const { return file_ != nullptr; }
  // Open has been called in this run, with or without success.
  bool Tried() const { return tried_; }
  const std::wstring& Path() const { return path_; }
  // Appends the UTF-16LE bytes of `text` (nothing when not open). False when they could not all
  // be written.
  bool Write(const std::wstring& text);
  // Closes the file and forgets the failure, ready for the next run; Path() stays. False when
  // the last buffered lines could not be written.
  bool Close();
  // Close, and Path() becomes "".
  void Forget();
  // Why the last Open, Write or Close failed ("" when none did).
  const std::wstring& FailureText() const { return failure_; }

 private:
  bool Fail(const char* what, int error);

  std::FILE* file_ = nullptr;
  bool tried_ = false;
  std::wstring path_;
  std::wstring failure_;
};
