#include "mervis/LogRepeats.h"

#include <algorithm>

bool LogRepeats::Admit(const std::wstring& scope, const std::wstring& kind, bool error,
                       std::optional<Untold>* due) {
  std::wstring key = scope + L": " + kind;
  const Clock::time_point now = Clock::now();
  std::lock_guard lock(mutex_);
  auto found = kinds_.find(key);
  if (found == kinds_.end()) {
    int& kindsOfScope = kindsOfScope_[scope];
    if (kindsOfScope < kKindsPerScope) {
      ++kindsOfScope;
    } else {
      key = scope + L": other failures (past the first " + std::to_wstring(kKindsPerScope) +
            L" different ones)";
      found = kinds_.find(key);
    }
    if (found == kinds_.end()) {
      Entry entry;
      entry.order = kinds_.size();
      entry.error = error;
      found = kinds_.emplace(std::move(key), entry).first;
    }
  }
  Entry& entry = found->second;
  if (++entry.total <= kWrittenInFull) {
    entry.lastLine = now;
    return true;
  }
  ++entry.untold;
  if (now - entry.lastLine >= kTellEvery) {
    if (due)
      *due = Untold{found->first, entry.error, entry.untold, entry.total, now - entry.lastLine};
    entry.untold = 0;
    entry.lastLine = now;
  }
  return false;
}

std::vector<LogRepeats::Untold> LogRepeats::TakeUntold() {
  const Clock::time_point now = Clock::now();
  std::vector<std::pair<std::size_t, Untold>> untold;
  {
    std::lock_guard lock(mutex_);
    for (auto& [kind, entry] : kinds_) {
      if (entry.untold > 0)
        untold.push_back({entry.order, Untold{kind, entry.error, entry.untold, entry.total,
                                              now - entry.lastLine}});
    }
    kinds_.clear();
    kindsOfScope_.clear();
  }
  std::sort(untold.begin(), untold.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Untold> counts;
  counts.reserve(untold.size());
  for (auto& entry : untold) counts.push_back(std::move(entry.second));
  return counts;
}
