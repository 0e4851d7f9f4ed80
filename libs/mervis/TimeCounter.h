#pragma once
// Elapsed time of a run. One thread starts and stops it while any number of others read it, so
// the instants are atomics and a reader never blocks.
#include <atomic>
#include <cstdint>
#include <string>

class _TimeCounter {
 public:
  _TimeCounter() = default;
  _TimeCounter(const _TimeCounter&) = delete;
  _TimeCounter& operator=(const _TimeCounter&) = delete;

  void Start();
  // Freezes the reading at the current time until the next Start().
  void Stop();
  bool IsRunning() const;

  // Seconds since Start() (up to Stop() once stopped); 0 before the first Start().
  double Seconds() const;
  // The same as display text "h:mm:ss.mmm" (hours are not limited to two digits).
  std::wstring Diff(double* seconds = nullptr) const;

  static std::wstring FormatSeconds(double seconds);

 private:
  static constexpr std::int64_t kNotStopped = -1;
  std::atomic<std::int64_t> startNs_{0};
  std::atomic<std::int64_t> stopNs_{0};  // kNotStopped while running; == startNs_ before Start
};
