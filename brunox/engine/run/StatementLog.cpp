#include "brunox/engine/run/StatementLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>

#include "brunox/engine/project/Project.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/Utf16Append.h"

namespace {

// Lines are gathered up to this size before the file is written: one system call for a few
// thousand lines of a short statement.
constexpr std::size_t kBlockBytes = 256 * 1024;

// ASCII text as UTF-16LE: the numbers and separators of a line.
void AppendAscii(std::string& bytes, const char* first, const char* last) {
  const std::size_t start = bytes.size();
  bytes.resize(start + 2 * static_cast<std::size_t>(last - first));
  char* at = bytes.data() + start;
  for (; first != last; ++first) {
    *at++ = *first;
    *at++ = '\0';
  }
}

void AppendUnit(std::string& bytes, char c) {
  bytes += c;
  bytes += '\0';
}

void AppendInt(std::string& bytes, long long v) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, v);
  AppendAscii(bytes, digits, result.ptr);
}

// "%0*d": the sign first, then zeros up to `width` characters in all.
void AppendPadded(std::string& bytes, int v, int width) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, v);
  const char* first = digits;
  if (*first == '-') {
    AppendUnit(bytes, '-');
    ++first;
    --width;
  }
  for (int pad = width - static_cast<int>(result.ptr - first); pad > 0; --pad)
    AppendUnit(bytes, '0');
  AppendAscii(bytes, first, result.ptr);
}

// "%.3f", as platform::FormatFixed writes it.
void AppendSeconds(std::string& bytes, double v) {
  char digits[400];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, v, std::chars_format::fixed, 3);
  if (result.ec == std::errc()) AppendAscii(bytes, digits, result.ptr);
}

// Calls piece(text) for the runs of `text` between the characters a field cannot hold, and
// blank() for each of them: a tab would start a field of its own and shift every later field of
// the line, a CR LF pair would end the line. With `oneLine` a lone CR or LF counts as a line break
// too; a statement keeps its lone line feeds, as the log's readers split lines at CR LF only.
template <typename Piece, typename Blank>
void ForEachFieldPiece(std::wstring_view text, bool oneLine, Piece piece, Blank blank) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool pair = text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n';
    const bool lone = oneLine && (text[i] == L'\r' || text[i] == L'\n');
    if (text[i] != L'\t' && !pair && !lone) continue;
    piece(text.substr(start, i - start));
    blank();
    if (pair) ++i;
    start = i + 1;
  }
  piece(text.substr(start));
}

// The statement's pieces, after trailing blanks, CR and LF are cut off.
template <typename Piece, typename Blank>
void ForEachSqlPiece(std::wstring_view sql, Piece piece, Blank blank) {
  const std::size_t last = sql.find_last_not_of(L" \r\n");
  ForEachFieldPiece(sql.substr(0, last == std::wstring_view::npos ? 0 : last + 1), false, piece,
                    blank);
}

}  // namespace

LogClock LogClock::Now() {
  thread_local std::time_t convertedSecond = -1;
  thread_local LogClock converted;
  LogClock clock;
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return clock;
  if (now.tv_sec != convertedSecond) {
    converted = LogClock();
    std::tm t{};
    if (localtime_r(&now.tv_sec, &t)) {
      converted.hour = t.tm_hour;
      converted.minute = t.tm_min;
      converted.second = t.tm_sec;
    }
    convertedSecond = now.tv_sec;
  }
  clock = converted;
  clock.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return clock;
}

std::wstring StatementLogSql(const std::wstring& sql) {
  std::wstring out;
  ForEachSqlPiece(
      sql, [&](std::wstring_view piece) { out += piece; }, [&] { out += L' '; });
  return out;
}

std::wstring StatementLogHeader(const Project& project) {
  std::wstring header =
      L"TaskNo\tTaskName\tThread\tSQL\tRowsFetched\tExecTime\tFetchTime\tTimestamp";
  if (project.pcIsSQL) {
    for (const PerfCounterSlot& slot : project.Counters)
      if (slot.Enabled) header += L"\t" + slot.Title;
  }
  return header + L"\r\n";
}

void AppendStatementLogFields(std::string& bytes, int taskIndex, const std::wstring& taskName,
                              int threadNo, std::wstring_view sql, int rows, double execTime,
                              double fetchTime, const LogClock& clock) {
  AppendInt(bytes, static_cast<long long>(taskIndex) + 1);
  AppendUnit(bytes, '\t');
  // A task name is one line of text, whatever was typed or pasted into it.
  ForEachFieldPiece(
      taskName, true, [&](std::wstring_view piece) { platform::AppendUtf16Le(bytes, piece); },
      [&] { AppendUnit(bytes, ' '); });
  AppendUnit(bytes, '\t');
  AppendInt(bytes, static_cast<long long>(threadNo) + 1);
  AppendUnit(bytes, '\t');
  ForEachSqlPiece(
      sql, [&](std::wstring_view piece) { platform::AppendUtf16Le(bytes, piece); },
      [&] { AppendUnit(bytes, ' '); });
  AppendUnit(bytes, '\t');
  AppendInt(bytes, rows);
  AppendUnit(bytes, '\t');
  AppendSeconds(bytes, execTime);
  AppendUnit(bytes, '\t');
  AppendSeconds(bytes, fetchTime);
  AppendUnit(bytes, '\t');
  AppendPadded(bytes, clock.hour, 2);
  AppendUnit(bytes, ':');
  AppendPadded(bytes, clock.minute, 2);
  AppendUnit(bytes, ':');
  AppendPadded(bytes, clock.second, 2);
  AppendUnit(bytes, '.');
  AppendPadded(bytes, clock.millisecond, 3);
}

void AppendStatementLogEnd(std::string& bytes, const Project& project) {
  if (project.pcIsSQL) {
    for (const PerfCounterSlot& slot : project.Counters) {
      if (!slot.Enabled || slot.Samples.empty()) continue;
      AppendUnit(bytes, '\t');
      AppendInt(bytes, static_cast<int>(slot.Samples.back()));
    }
  }
  AppendUnit(bytes, '\r');
  AppendUnit(bytes, '\n');
}

StatementLog::~StatementLog() { Close(); }

bool StatementLog::Fail(const char* what, int error) {
  failure_ = platform::FromUtf8(what) + L": " + platform::FromUnknown8Bit(std::strerror(error));
  return false;
}

bool StatementLog::Open(const std::wstring& path) {
  if (fd_ >= 0) ::close(fd_);
  block_.clear();
  tried_ = true;
  broken_ = false;
  written_ = 0;
  path_ = path;
  failure_.clear();
  fd_ = ::open(platform::NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return Fail("cannot be created", errno);
  block_.reserve(kBlockBytes + 4096);
  block_.assign("\xFF\xFE", 2);
  return true;
}

bool StatementLog::Write(std::wstring_view text) {
  if (fd_ < 0) return true;
  platform::AppendUtf16Le(block_, text);
  return WriteIfFull();
}

bool StatementLog::AppendLine(std::string_view fields, const Project& project) {
  if (fd_ < 0) return true;
  block_.append(fields);
  AppendStatementLogEnd(block_, project);
  return WriteIfFull();
}

bool StatementLog::WriteIfFull() { return block_.size() < kBlockBytes || WriteBlock(); }

bool StatementLog::WriteBlock() {
  if (broken_) {
    block_.clear();
    return true;  // the failure was reported when it happened
  }
  const char* at = block_.data();
  std::size_t left = block_.size();
  int error = 0;
  while (left > 0) {
    const ssize_t written = ::write(fd_, at, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    at += written;
    left -= static_cast<std::size_t>(written);
  }
  const std::size_t done = block_.size() - left;
  if (error != 0) CutBackToLastWholeLine(done);
  else written_ += done;
  block_.clear();
  return error == 0 || Fail("write failed", error);
}

void StatementLog::CutBackToLastWholeLine(std::size_t done) {
  // A block holds whole lines only (after the byte-order mark in the first one), so the file
  // ends with a whole line where the last CR LF of the written part ends.
  std::size_t whole = written_ == 0 && done >= 2 ? 2 : 0;
  static constexpr char kLineEnd[] = {'\r', '\0', '\n', '\0'};
  for (std::size_t end = done & ~std::size_t{1}; end >= whole + 4; end -= 2) {
    if (std::memcmp(block_.data() + end - 4, kLineEnd, 4) == 0) {
      whole = end;
      break;
    }
  }
  written_ += whole;
  // A prefix of the log is worth more than a file with holes: what comes later is dropped.
  broken_ = true;
  if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0) {
    // Nothing more can be done about it; the failure of the write is reported all the same.
  }
}

std::wstring StatementLog::LostFromItsPath() const {
  struct stat opened {};
  struct stat named {};
  if (::fstat(fd_, &opened) != 0) return {};
  if (::stat(platform::NativePath(path_).c_str(), &named) != 0)
    return L"it was removed during the run";
  if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
    return L"another file took its place during the run";
  return {};
}

bool StatementLog::Flush() { return fd_ < 0 || block_.empty() || WriteBlock(); }

bool StatementLog::Close() {
  bool ok = true;
  if (fd_ >= 0) {
    ok = block_.empty() || WriteBlock();
    // Whatever was written went to a file nobody will find under the log's name.
    const std::wstring lost = LostFromItsPath();
    if (!lost.empty() && ok) {
      failure_ = lost;
      ok = false;
    }
    errno = 0;
    if (::close(fd_) != 0 && ok) ok = Fail("close failed", errno);
  }
  fd_ = -1;
  block_ = std::string();
  tried_ = false;
  broken_ = false;
  written_ = 0;
  return ok;
}

void StatementLog::Forget() {
  Close();
  path_.clear();
  failure_.clear();
}
