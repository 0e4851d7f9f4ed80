#include "mervis/Log.h"

#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "mervis/LogRepeats.h"
#include "mervis/Macros.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

constexpr wchar_t kProgramVersion[] = L"0.1.0";
constexpr size_t kKeptRows = 100;

struct LogState {
  std::mutex mutex;
  std::FILE* file = nullptr;
  std::wstring path;
  std::deque<std::wstring> lastRows;
};

LogState& Shared() {
  static LogState* state = new LogState;  // never destroyed: threads may log during exit
  return *state;
}

}  // namespace

std::atomic<int> CLog::level_{0};

namespace {

// The call trace of this thread, for the indentation and the names of exit lines.
thread_local std::vector<std::wstring> t_calls;
thread_local CLog::RepeatScope* t_repeatScope = nullptr;

std::wstring Timestamp() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm t{};
  const std::time_t seconds = tv.tv_sec;
  localtime_r(&seconds, &t);
  return platform::Format(L"%04d-%02d-%02d %02d:%02d:%02d.%03d", t.tm_year + 1900, t.tm_mon + 1,
                          t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                          static_cast<int>(tv.tv_usec / 1000));
}

void WriteLine(const std::wstring& text) {
  const std::wstring line =
      Timestamp() + L" [" + platform::FromInt(static_cast<long long>(gettid())) + L"] " + text;
  LogState& s = Shared();
  std::lock_guard lock(s.mutex);
  s.lastRows.push_back(line);
  while (s.lastRows.size() > kKeptRows) s.lastRows.pop_front();
  if (s.file) {
    // Flushed line by line so that the lines before a crash are on disk.
    const std::string bytes = platform::ToUtf8(line) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), s.file);
    std::fflush(s.file);
  }
}

bool Logging() { return CLog::Level() < 2; }

std::wstring SourceName(const char* sourceFile) {
  const char* slash = std::strrchr(sourceFile, '/');
  return platform::FromUtf8(slash ? slash + 1 : sourceFile);
}

// An error line after its "ERROR ".
std::wstring BugText(const std::wstring& message, const std::wstring& detail,
                     const char* sourceFile, int line) {
  std::wstring text = message;
  if (!detail.empty()) text += L": " + detail;
  if (sourceFile && *sourceFile)
    text += L" (" + SourceName(sourceFile) + L":" + platform::FromInt(line) + L")";
  return text;
}

// "Repeated 12345 more times in the last 10 s (12355 in all): task#1 'x': Wrong stmt: ...", an
// error line when the repeated line was one.
std::wstring CountLine(const LogRepeats::Untold& untold, const std::wstring& when) {
  return (untold.error ? L"ERROR " : L"") +
         platform::Format(L"Repeated %lld more times %ls (%lld in all): ",
                          static_cast<long long>(untold.count), when.c_str(),
                          static_cast<long long>(untold.total)) +
         untold.kind;
}

}  // namespace

void CLog::Open(const std::wstring& path, int level) {
  const std::wstring target =
      path.empty() ? platform::JoinPath(platform::StateFolder(), L"brunox.log") : path;
  LogState& s = Shared();
  std::lock_guard lock(s.mutex);
  if (s.file) std::fclose(s.file);
  s.file = nullptr;
  s.path = target;
  level_.store(level, std::memory_order_relaxed);
  if (level >= 2) return;  // no log: not even an empty file
  // A log that cannot be opened leaves the program running without one.
  const std::wstring folder = platform::FolderPart(target);
  if (!folder.empty()) platform::MakeDirectories(folder);
  s.file = std::fopen(platform::NativePath(target).c_str(), "abe");
}

void CLog::Close() {
  LogState& s = Shared();
  std::lock_guard lock(s.mutex);
  if (s.file) std::fclose(s.file);
  s.file = nullptr;
}

void CLog::SetLevel(int level) { level_.store(level, std::memory_order_relaxed); }
int CLog::Level() { return level_.load(std::memory_order_relaxed); }

std::wstring CLog::FilePath() {
  LogState& s = Shared();
  std::lock_guard lock(s.mutex);
  return s.path;
}

void CLog::Trace(const wchar_t* function) {
  if (function) {
    WriteLine(std::wstring(t_calls.size() * 2, L' ') + L"> " + function);
    t_calls.emplace_back(function);
    return;
  }
  // An exit without a matching entry (the level changed in between) is dropped.
  if (t_calls.empty()) return;
  std::wstring name = std::move(t_calls.back());
  t_calls.pop_back();
  WriteLine(std::wstring(t_calls.size() * 2, L' ') + L"< " + name);
}

CLog::RepeatScope::RepeatScope(LogRepeats& repeats, std::wstring name)
    : repeats_(repeats), name_(std::move(name)), outer_(t_repeatScope) {
  t_repeatScope = this;
}

CLog::RepeatScope::~RepeatScope() { t_repeatScope = outer_; }

bool CLog::Admitted(const std::wstring& kind, bool error) {
  const RepeatScope* scope = t_repeatScope;
  if (!scope) return true;
  std::optional<LogRepeats::Untold> due;
  const bool write = scope->repeats_.Admit(scope->name_, kind, error, &due);
  if (due) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(due->since).count();
    WriteLine(
        CountLine(*due, platform::Format(L"in the last %lld s", static_cast<long long>(seconds))));
  }
  return write;
}

void CLog::TellRepeats(LogRepeats& repeats, const std::wstring& until) {
  const std::vector<LogRepeats::Untold> counts = repeats.TakeUntold();
  if (!Logging()) return;
  for (const LogRepeats::Untold& untold : counts) WriteLine(CountLine(untold, L"until " + until));
}

void CLog::State2(const std::wstring& text) {
  if (Logging() && Admitted(text, false)) WriteLine(text);
}

void CLog::Bug(const std::wstring& message, const std::wstring& detail, const char* sourceFile,
               int line) {
  if (!Logging()) return;
  const std::wstring text = BugText(message, detail, sourceFile, line);
  if (Admitted(text, true)) WriteLine(L"ERROR " + text);
}

void CLog::BugOfKind(const std::wstring& kind, const std::wstring& message,
                     const std::wstring& detail, const char* sourceFile, int line) {
  if (Logging() && Admitted(kind, true))
    WriteLine(L"ERROR " + BugText(message, detail, sourceFile, line));
}

void CLog::Bug2(const std::wstring& text) {
  if (Logging() && Admitted(text, true)) WriteLine(L"ERROR " + text);
}

void CLog::BugWithMsg(const std::wstring& text) {
  Bug2(text);
  platform::Ui().MessageBox(text, L"Error", platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

void CLog::FormatLastError(std::wstring* out, int code) {
  if (!out) return;
  char buffer[256];
  // The GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  *out = platform::FromUnknown8Bit(text ? text : "");
}

std::wstring CLog::DecodePath(const std::wstring& path) {
  return DateAndTimeMacros(PathMacros(path));
}

std::wstring CLog::GetLastRows() {
  LogState& s = Shared();
  std::lock_guard lock(s.mutex);
  std::wstring rows;
  for (const std::wstring& row : s.lastRows) {
    rows += row;
    rows += L'\n';
  }
  return rows;
}

std::wstring CLog::VersionStr(int) { return kProgramVersion; }
