#pragma once
// Which lines of a failure that repeats the program log writes. A load test that fails the same
// way round after round on thousands of threads would otherwise fill the disk with one line per
// failure: the first kWrittenInFull of each kind are written, the rest only counted. The count
// is told at most every kTellEvery, by the next failure of the kind once that much time has
// passed, and for the last time by whoever ends the counting (TakeUntold). Time, not a count,
// decides when: a line every ten seconds keeps a long run's log small at any rate of failures
// and still shows the failure going on, where lines at powers of ten would fall silent for hours.
//
// A kind belongs to a scope (a task of a run, say): a scope with more than kKindsPerScope kinds
// counts the rest of its failures as one kind, so failures whose texts all differ cannot flood
// the log either. Thread-safe: one lock per failure, nothing else.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class LogRepeats {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kWrittenInFull = 10;
  static constexpr std::chrono::seconds kTellEvery{10};
  static constexpr int kKindsPerScope = 100;

  // Repeats of one kind that were counted and not told yet.
  struct Untold {
    std::wstring kind;  // "scope: kind"
    bool error = false;
    std::int64_t count = 0;   // repeats since the kind's last line
    std::int64_t total = 0;   // failures of the kind in all, written and counted
    Clock::duration since{};  // time since the kind's last line
  };

  // One more failure of `kind` within `scope`; `error` says whether its line is an error line.
  // True when its line is to be written. Else it is counted, and *due receives the count to tell
  // now when the kind's last line is kTellEvery ago.
  bool Admit(const std::wstring& scope, const std::wstring& kind, bool error,
             std::optional<Untold>* due);
  // The counts not told yet, in the order their kinds first failed, and every kind forgotten.
  std::vector<Untold> TakeUntold();

 private:
  struct Entry {
    std::size_t order = 0;
    bool error = false;
    std::int64_t total = 0;
    std::int64_t untold = 0;
    Clock::time_point lastLine{};
  };

  std::mutex mutex_;
  std::unordered_map<std::wstring, Entry> kinds_;
  std::unordered_map<std::wstring, int> kindsOfScope_;
};
