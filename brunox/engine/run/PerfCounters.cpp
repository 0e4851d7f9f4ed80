#include "brunox/engine/run/PerfCounters.h"

#include "brunox/engine/project/Project.h"
#include "mervis/Log.h"
#include "platform/Text.h"

using platform::Format;

namespace {

constexpr const wchar_t* kSuggestedPaths[PerfCounters::kSuggestedCount] = {
    L"\\Processor(_Total)\\% Idle Time",
    L"\\Processor(_Total)\\% Processor Time",
    L"\\Processor(_Total)\\% User Time",
    L"\\Processor(_Total)\\Interrupts/sec",
    L"\\Memory\\Available KBytes",
    L"\\Memory\\Available MBytes",
    L"\\Memory\\% Committed Bytes In Use",
    L"\\System\\Processes",
    L"\\System\\Threads",
    L"\\SQLServer:Locks(_Total)\\Average Wait Time (ms)",
};

}  // namespace

std::wstring CounterFullPath(const std::wstring& machine, const std::wstring& path) {
  if (machine.size() > 2 && !platform::StartsWith(machine, L"\\\\"))
    return L"\\\\" + machine + path;
  return machine + path;
}

PerfCounters::PerfCounters() : suggested_(std::begin(kSuggestedPaths), std::end(kSuggestedPaths)) {}

PerfCounters::~PerfCounters() { CloseQuery(); }

void PerfCounters::SetProject(Project* project) { project_ = project; }

int PerfCounters::GetAvailableCounter(int index, std::wstring* out) const {
  if (index < 0 || index >= kSuggestedCount || out == nullptr) return -1;
  *out = suggested_[index];
  return 0;
}

std::vector<std::wstring> PerfCounters::SampleableCounters() {
  std::vector<std::wstring> sampleable;
  std::unique_ptr<platform::CounterQuery> probe;
  if (platform::OpenCounterQuery(&probe) != platform::kCounterOk) return sampleable;
  for (const wchar_t* path : kSuggestedPaths) {
    platform::CounterHandle handle = platform::kNoCounter;
    if (probe->AddCounter(L"", path, &handle) == platform::kCounterOk) sampleable.push_back(path);
  }
  return sampleable;
}

int PerfCounters::OpenQuery() {
  nextId_ = 0;
  // A second AddCounters without Close drops the first query rather than leaking it.
  CloseQuery();
  uint32_t status = platform::OpenCounterQuery(&query_);
  if (status != platform::kCounterOk) {
    lastError_ = Format(L"Open Query Error, 0x%08X", status);
    query_.reset();
    return -1;
  }
  return 0;
}

int PerfCounters::AddCounters(std::wstring* report) {
  if (OpenQuery() != 0) {
    if (report) *report = Format(L"Initialization error '%ls'", lastError_.c_str());
    return 2;
  }
  if (project_ == nullptr) return 0;
  int failures = 0;
  for (const PerfCounterSlot& slot : project_->Counters) {
    if (!slot.Enabled) continue;
    if (report) *report += slot.Machine + slot.Name;
    std::wstring result;
    if (AddCounter(slot.Machine, slot.Name) < 0) {
      result = L"\t" + lastError_;
      CLog::Bug(lastError_, L"Performance Counter: Add Counter error", __FILE__, __LINE__);
      ++failures;
    } else {
      result = L"\tOK";
    }
    if (report) *report += result + L"\r\n\r\n";
  }
  return failures;
}

int PerfCounters::AddCounter(const std::wstring& machine, const std::wstring& path) {
  machine_ = machine;
  std::wstring fullPath = CounterFullPath(machine, path);
  platform::CounterHandle handle = platform::kNoCounter;
  uint32_t status = query_ ? query_->AddCounter(machine, path, &handle)
                           : static_cast<uint32_t>(platform::kCounterInvalidHandle);
  if (status != platform::kCounterOk) {
    FormatStatusMessage(status, &statusMessage_);
    lastError_ = Format(L"Add Counter '%ls' Error 0x%08X, '%ls'", fullPath.c_str(), status,
                        statusMessage_.c_str());
    return -1;
  }
  entries_.push_back(Entry{nextId_, 0, handle});
  return nextId_++;
}

int PerfCounters::Collect() {
  int expected = 0;
  if (!busy_.compare_exchange_strong(expected, 1)) return -1;
  int rc = CollectData();
  if (rc != 0) CLog::Bug(lastError_, L"Performance Counter: Collect error", __FILE__, __LINE__);
  busy_ = 0;
  return rc;
}

int PerfCounters::CollectData() {
  if (!query_) {
    lastError_ = L"Invalid Handle passed to Collect Data";
    return -1;
  }
  uint32_t status = query_->Collect();
  if (status == platform::kCounterOk) return 0;
  if (status == platform::kCounterInvalidHandle) {
    lastError_ = L"Invalid Handle passed to Collect Data";
    return -1;
  }
  FormatStatusMessage(status, &statusMessage_);
  lastError_ = Format(L"Collect Data Error 0x%08X, '%ls'", status, statusMessage_.c_str());
  return -1;
}

int PerfCounters::GetValue(int id, int quiet) {
  int value = GetLongValue(id);
  if (value == -1 && !quiet)
    CLog::Bug(lastError_, L"Performance Counter: Get Value error", __FILE__, __LINE__);
  return value;
}

int PerfCounters::GetLongValue(int id) {
  for (Entry& entry : entries_) {
    if (entry.id != id) continue;
    return ReadCounter(entry) == 0 ? entry.value : -1;
  }
  lastError_ = Format(L"GetLongValue: counter %d not found", id);
  return -1;
}

int PerfCounters::ReadCounter(Entry& entry) {
  long value = 0;
  uint32_t counterStatus = platform::kCounterOk;
  uint32_t status = query_ ? query_->ReadLong(entry.handle, &value, &counterStatus)
                           : static_cast<uint32_t>(platform::kCounterInvalidHandle);
  if (status == platform::kCounterOk) {
    if (counterStatus == platform::kCounterOk) {
      entry.value = static_cast<int32_t>(value);
      return 0;
    }
    FormatStatusMessage(counterStatus, &statusMessage_);
    lastError_ = Format(L"Value Has Bad Status 0x%08X, '%ls'", counterStatus,
                        statusMessage_.c_str());
    return -1;
  }
  switch (status) {
    case platform::kCounterInvalidHandle:
      lastError_ = L"Get Value Error: invalid handle";
      break;
    case platform::kCounterInvalidArgument:
      lastError_ = L"Get Value Error: invalid argument";
      break;
    case platform::kCounterNoValueYet:
      lastError_ = L"Get Value Error: invalid data";
      break;
    default:
      FormatStatusMessage(status, &statusMessage_);
      lastError_ = Format(L"Get Value Error 0x%08X, '%ls'", status, statusMessage_.c_str());
      break;
  }
  return -1;
}

void PerfCounters::CloseQuery() {
  if (!query_) return;
  for (const Entry& entry : entries_) query_->RemoveCounter(entry.handle);
  query_.reset();
  entries_.clear();
  lastError_.clear();
}

void PerfCounters::Close() { CloseQuery(); }

void PerfCounters::FormatStatusMessage(uint32_t status, std::wstring* out) {
  std::wstring text = platform::CounterStatusText(status);
  if (!text.empty()) *out = platform::TrimRight(text, L"\r\n ");
}
