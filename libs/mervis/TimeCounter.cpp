#include "mervis/TimeCounter.h"

#include <chrono>

#include "platform/Text.h"

namespace {

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void _TimeCounter::Start() {
  // Running is signalled after the new start is in place, so a concurrent reader sees either
  // the old reading or a small non-negative new one.
  startNs_.store(NowNs(), std::memory_order_release);
  stopNs_.store(kNotStopped, std::memory_order_release);
}

void _TimeCounter::Stop() {
  if (stopNs_.load(std::memory_order_acquire) == kNotStopped)
    stopNs_.store(NowNs(), std::memory_order_release);
}

bool _TimeCounter::IsRunning() const {
  return stopNs_.load(std::memory_order_acquire) == kNotStopped;
}

double _TimeCounter::Seconds() const {
  const std::int64_t start = startNs_.load(std::memory_order_acquire);
  const std::int64_t stop = stopNs_.load(std::memory_order_acquire);
  const std::int64_t end = stop == kNotStopped ? NowNs() : stop;
  return end > start ? static_cast<double>(end - start) / 1e9 : 0.0;
}

std::wstring _TimeCounter::Diff(double* seconds) const {
  const double s = Seconds();
  if (seconds) *seconds = s;
  return FormatSeconds(s);
}

std::wstring _TimeCounter::FormatSeconds(double seconds) {
  if (!(seconds > 0)) seconds = 0;  // also catches NaN
  if (seconds > 9.0e15) seconds = 9.0e15;
  const auto totalMs = static_cast<long long>(seconds * 1000.0 + 0.5);
  const long long ms = totalMs % 1000;
  const long long totalS = totalMs / 1000;
  return platform::Format(L"%lld:%02lld:%02lld.%03lld", totalS / 3600, totalS / 60 % 60,
                          totalS % 60, ms);
}
