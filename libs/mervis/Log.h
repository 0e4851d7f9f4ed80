#pragma once
// The program log: a thread-safe log file. Level 0 writes state and error lines, level 1 also
// the entry/exit traces of State(), level 2 writes nothing. A State() call costs one atomic read
// when its level is off.
#include <atomic>
#include <string>

class LogRepeats;

class CLog {
 public:
  // Opens (appending) the log file: `path`, or when empty platform::StateFolder()/brunox.log.
  static void Open(const std::wstring& path, int level);
  static void Close();
  static void SetLevel(int level);
  static int Level();
  static std::wstring FilePath();

  // Entry of `function`; nullptr marks its exit. Inline, so that a call costs one load while the
  // traces are off.
  static void State(const wchar_t* function) {
    if (level_.load(std::memory_order_relaxed) == 1) Trace(function);
  }
  static void State2(const std::wstring& text);
  static void Bug(const std::wstring& message, const std::wstring& detail, const char* sourceFile,
                  int line);
  static void Bug2(const std::wstring& text);
  static void BugWithMsg(const std::wstring& text);  // logged and shown through platform::Ui()

  // While a thread holds a RepeatScope, its error and state lines (not its traces) go through
  // `repeats`: the first few of a kind are written, the rest counted (LogRepeats). A line's kind
  // is its text, or what BugOfKind names, within the scope's name.
  class RepeatScope {
   public:
    RepeatScope(LogRepeats& repeats, std::wstring name);
    ~RepeatScope();
    RepeatScope(const RepeatScope&) = delete;
    RepeatScope& operator=(const RepeatScope&) = delete;

   private:
    friend class CLog;
    LogRepeats& repeats_;
    std::wstring name_;
    RepeatScope* outer_;
  };
  // Bug, for a failure whose text carries values that differ from one repeat to the next (a
  // statement with its generated values): its repeats are judged by `kind` instead.
  static void BugOfKind(const std::wstring& kind, const std::wstring& message,
                        const std::wstring& detail, const char* sourceFile, int line);
  // Writes the counts `repeats` has not told yet, each saying it went on until `until` ("the run
  // ended"), and forgets them.
  static void TellRepeats(LogRepeats& repeats, const std::wstring& until);

  static void FormatLastError(std::wstring* out, int code);  // the system's text for errno `code`
  static std::wstring DecodePath(const std::wstring& path);  // PathMacros, then DateAndTimeMacros
  static std::wstring GetLastRows();                         // the last lines written, newest last
  static std::wstring VersionStr(int kind);                  // the program version text

 private:
  static void Trace(const wchar_t* function);
  // False when the thread's RepeatScope only counts this line of `kind`.
  static bool Admitted(const std::wstring& kind, bool error);
  // Defined in the log's own library, so that every library reads the one level (a variable
  // defined in this header would be a copy of its own in a library built with hidden symbols).
  static std::atomic<int> level_;
};
