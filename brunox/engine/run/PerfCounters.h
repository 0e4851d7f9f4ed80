#pragma once
// Samples up to five performance counters of a project during a run: one counter query, one
// counter per enabled slot of the project, one collection per statistics period, each value read
// as a long. The runner owns one object for its lifetime (AddCounters at the start of a run, Close
// at its end); the counters settings page makes its own to test the configured counters and to
// list the suggested counter paths.
//
// Failures set LastError() and return -1 (2 when the query cannot be opened); nothing is shown to
// the user. Collect and GetValue are called by one thread (the runner's master thread); the busy
// flag refuses a collection that starts while another is still in progress.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/CounterQuery.h"

class Project;

// The path handed to the counter query for a slot: a machine name longer than 2 characters that
// does not begin with two backslashes gets two backslashes in front; any other machine (empty,
// short, or already "\\\\name") is used unchanged. The counter path follows.
std::wstring CounterFullPath(const std::wstring& machine, const std::wstring& path);

class PerfCounters {
 public:
  static constexpr int kSuggestedCount = 10;

  PerfCounters();
  // Closes the query when the owner has not (the counters would otherwise leak).
  virtual ~PerfCounters();
  PerfCounters(const PerfCounters&) = delete;
  PerfCounters& operator=(const PerfCounters&) = delete;

  // The project whose five counter slots AddCounters reads; not owned.
  void SetProject(Project* project);

  // Opens the query and adds the enabled slots in slot order. Returns the number of slots that
  // failed, or 2 when the query cannot be opened. `report` may be null; when given, one entry per
  // enabled slot is appended: machine + path, then "\tOK" or "\t" + the error, then "\r\n\r\n".
  // When the query cannot be opened `report` becomes "Initialization error '<error>'".
  // Identifiers count successful additions from 0, in slot order.
  int AddCounters(std::wstring* report);
  // One collection of every counter: 0, or -1 when busy or failed.
  int Collect();
  // The last collected value of counter `id`, -1 on failure (logged unless `quiet`).
  int GetValue(int id, int quiet);
  // Removes all counters and closes the query; nothing when no query is open.
  void Close();
  std::wstring LastError() const { return lastError_; }

  // The suggested counter paths in their fixed order (what a counter combo box offers).
  std::vector<std::wstring> SuggestedCounters() const { return suggested_; }
  // 0 with `out` = suggested path `index`; -1 for an index outside 0 .. kSuggestedCount - 1.
  int GetAvailableCounter(int index, std::wstring* out) const;
  // The counter paths a query on this machine can really sample, in the suggested order: the
  // suggested paths that a local counter query accepts (a path that names another server's
  // counters is suggested but cannot be sampled here).
  static std::vector<std::wstring> SampleableCounters();

 private:
  struct Entry {
    int32_t id = 0;
    int32_t value = 0;
    platform::CounterHandle handle = platform::kNoCounter;
  };

  int OpenQuery();
  int AddCounter(const std::wstring& machine, const std::wstring& path);
  int CollectData();
  int ReadCounter(Entry& entry);
  int GetLongValue(int id);
  void CloseQuery();
  // The message text of a counter status; `out` unchanged for a status without text.
  static void FormatStatusMessage(uint32_t status, std::wstring* out);

  std::wstring lastError_;
  std::wstring machine_;         // machine of the counter being added
  std::wstring statusMessage_;   // message text of the last failure
  std::unique_ptr<platform::CounterQuery> query_;
  int32_t nextId_ = 0;
  std::vector<Entry> entries_;   // in the order of addition
  std::vector<std::wstring> suggested_;
  Project* project_ = nullptr;
  std::atomic<int> busy_{0};
};
