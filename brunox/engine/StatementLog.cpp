#include "brunox/engine/StatementLog.h"

#include <sys/time.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "brunox/engine/Project.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

LogClock LogClock::Now() {
  LogClock clock;
  timeval tv{};
  if (gettimeofday(&tv, nullptr) != 0) return clock;
  clock.millisecond = static_cast<int>(tv.tv_usec / 1000);
  std::tm t{};
  const std::time_t seconds = tv.tv_sec;
  if (localtime_r(&seconds, &t)) {
    clock.hour = t.tm_hour;
    clock.minute = t.tm_min;
    clock.second = t.tm_sec;
  }
  return clock;
}

std::wstring StatementLogSql(const std::wstring& sql) {
  return platform::ReplaceAll(platform::TrimRight(sql, L" \r\n"), L"\r\n", L" ");
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

std::wstring StatementLogLine(const Project& project, int taskIndex, const std::wstring& taskName,
                              int threadNo, const std::wstring& sql, int rows, double execTime,
                              double fetchTime, const LogClock& clock) {
  std::wstring line = platform::FromInt(taskIndex + 1);
  line += L'\t';
  line += taskName;
  line += L'\t';
  line += platform::FromInt(threadNo + 1);
  line += L'\t';
  line += StatementLogSql(sql);
  line += L'\t';
  line += platform::FromInt(rows);
  line += L'\t';
  line += platform::FormatFixed(execTime, 3);
  line += L'\t';
  line += platform::FormatFixed(fetchTime, 3);
  line += L'\t';
  line += platform::Format(L"%02d:%02d:%02d.%03d", clock.hour, clock.minute, clock.second,
                           clock.millisecond);
  if (project.pcIsSQL) {
    for (const PerfCounterSlot& slot : project.Counters) {
      if (slot.Enabled && !slot.Samples.empty())
        line += L"\t" + platform::FromInt(static_cast<int>(slot.Samples.back()));
    }
  }
  return line + L"\r\n";
}

StatementLog::~StatementLog() { Close(); }

bool StatementLog::Fail(const char* what, int error) {
  failure_ = platform::FromUtf8(what) + L": " + platform::FromUnknown8Bit(std::strerror(error));
  return false;
}

bool StatementLog::Open(const std::wstring& path) {
  if (file_) std::fclose(file_);
  tried_ = true;
  path_ = path;
  failure_.clear();
  file_ = std::fopen(platform::NativePath(path).c_str(), "wbe");
  if (!file_) return Fail("cannot be created", errno);
  static const unsigned char kBom[2] = {0xFF, 0xFE};
  if (std::fwrite(kBom, 1, sizeof kBom, file_) != sizeof kBom) return Fail("write failed", errno);
  return true;
}

bool StatementLog::Write(const std::wstring& text) {
  if (!file_) return true;
  const std::string bytes = platform::ToUtf16Le(text);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    return Fail("write failed", errno);
  return true;
}

bool StatementLog::Close() {
  bool ok = true;
  if (file_) {
    const bool hadError = std::ferror(file_) != 0;
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    if (!closed)
      ok = Fail("close failed", errno);
    else if (hadError)
      ok = Fail("write failed", EIO);
  }
  file_ = nullptr;
  tried_ = false;
  return ok;
}

void StatementLog::Forget() {
  Close();
  path_.clear();
  failure_.clear();
}
