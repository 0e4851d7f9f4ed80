#include "platform/CounterQuery.h"

#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <string_view>
#include <utility>

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace platform {
namespace {

enum Served {
  kIdleTime,
  kProcessorTime,
  kUserTime,
  kInterruptsPerSec,
  kAvailableKBytes,
  kAvailableMBytes,
  kCommittedInUse,
  kProcesses,
  kThreads,
};

struct ServedCounter {
  const wchar_t* object;
  const wchar_t* instance;  // "" for an object without instances
  const wchar_t* counter;
  Served kind;
};

constexpr ServedCounter kServed[] = {
    {L"Processor", L"_Total", L"% Idle Time", kIdleTime},
    {L"Processor", L"_Total", L"% Processor Time", kProcessorTime},
    {L"Processor", L"_Total", L"% User Time", kUserTime},
    {L"Processor", L"_Total", L"Interrupts/sec", kInterruptsPerSec},
    {L"Memory", L"", L"Available KBytes", kAvailableKBytes},
    {L"Memory", L"", L"Available MBytes", kAvailableMBytes},
    {L"Memory", L"", L"% Committed Bytes In Use", kCommittedInUse},
    {L"System", L"", L"Processes", kProcesses},
    {L"System", L"", L"Threads", kThreads},
};

bool IsRate(int kind) { return kind <= kInterruptsPerSec; }

struct CounterPath {
  std::wstring machine, object, instance, counter;
};

// "[\\machine]\object[(instance)]\counter". False when the text has another shape.
bool ParseCounterPath(std::wstring_view path, CounterPath* out) {
  if (StartsWith(path, L"\\\\")) {
    size_t end = path.find(L'\\', 2);
    if (end == std::wstring_view::npos || end == 2) return false;
    out->machine = std::wstring(path.substr(2, end - 2));
    path.remove_prefix(end);
  }
  if (path.size() < 2 || path[0] != L'\\') return false;
  size_t split = path.find(L'\\', 1);
  if (split == std::wstring_view::npos) return false;
  std::wstring_view object = path.substr(1, split - 1);
  std::wstring_view counter = path.substr(split + 1);
  if (object.empty() || counter.empty() || counter.find(L'\\') != std::wstring_view::npos)
    return false;
  size_t open = object.find(L'(');
  if (open != std::wstring_view::npos) {
    if (open == 0 || object.back() != L')' || object.size() - open < 3) return false;
    out->instance = std::wstring(object.substr(open + 1, object.size() - open - 2));
    object = object.substr(0, open);
  }
  out->object = std::wstring(object);
  out->counter = std::wstring(counter);
  return true;
}

std::wstring StripMachine(const std::wstring& machine) { return TrimLeft(machine, L"\\"); }

std::wstring HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return L"";
  return FromUtf8(name);
}

std::string ReadProcFile(const std::wstring& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) bytes.clear();
  return bytes;
}

// The unsigned numbers of a line after its first field, stopping at the first non-number.
std::vector<unsigned long long> LineNumbers(std::string_view line) {
  std::vector<unsigned long long> numbers;
  size_t i = line.find(' ');
  while (i != std::string_view::npos && i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size() || line[i] < '0' || line[i] > '9') break;
    unsigned long long v = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') v = v * 10 + (line[i++] - '0');
    numbers.push_back(v);
  }
  return numbers;
}

// The line of `text` that begins with `key`, or "".
std::string_view FindLine(std::string_view text, std::string_view key) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (line.substr(0, key.size()) == key) return line;
    pos = end + 1;
  }
  return {};
}

// A "Key:   123 kB" value of /proc/meminfo; -1 when missing.
long long MeminfoValue(std::string_view meminfo, std::string_view key) {
  std::string_view line = FindLine(meminfo, std::string(key) + ":");
  if (line.empty()) return -1;
  std::vector<unsigned long long> n = LineNumbers(line);
  return n.empty() ? -1 : static_cast<long long>(n[0]);
}

long long CountProcesses(const std::wstring& procRoot) {
  DIR* dir = opendir(NativePath(procRoot).c_str());
  if (dir == nullptr) return -1;
  long long count = 0;
  while (dirent* e = readdir(dir)) {
    const char* n = e->d_name;
    if (*n == 0) continue;
    while (*n >= '0' && *n <= '9') ++n;
    if (*n == 0) ++count;
  }
  closedir(dir);
  return count;
}

// The total of the "running/total" field of /proc/loadavg; -1 when missing.
long long CountThreads(const std::wstring& procRoot) {
  std::string loadavg = ReadProcFile(procRoot + L"/loadavg");
  size_t slash = loadavg.find('/');
  if (slash == std::string::npos) return -1;
  std::wstring total = FromUtf8(loadavg.substr(slash + 1, loadavg.find(' ', slash) - slash - 1));
  long long v = 0;
  return ParseInt64(total, v) ? v : -1;
}

double MonotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

long RoundToLong(double v) { return static_cast<long>(std::llround(v)); }

}  // namespace

// One collection: everything the served counters are computed from. -1 marks a missing value.
struct CounterQuery::Sample {
  double seconds = 0;
  long long busyJiffies = -1, idleJiffies = -1, userJiffies = -1, interrupts = -1;
  long long availableKb = -1, committedKb = -1, commitLimitKb = -1;
  long long processes = -1, threads = -1;
};

std::wstring CounterStatusText(uint32_t status) {
  switch (status) {
    case kCounterOk: return L"The operation completed successfully.";
    case kCounterNoMachine:
      return L"Unable to connect to the specified computer or the computer is offline.";
    case kCounterNoInstance: return L"The specified instance is not present.";
    case kCounterNoData: return L"The query has no counters to collect.";
    case kCounterNoObject: return L"The specified object is not found on the system.";
    case kCounterNoCounter: return L"The specified counter could not be found.";
    case kCounterDataNotValid: return L"The counter has no valid value yet.";
    case kCounterInvalidHandle: return L"The query or counter handle is not valid.";
    case kCounterInvalidArgument: return L"A required argument is missing or not valid.";
    case kCounterBadPath:
      return L"The counter path is not of the form \\object(instance)\\counter.";
    case kCounterNoValueYet:
      return L"No value yet: a rate counter needs two collections.";
    default: return L"";
  }
}

uint32_t OpenCounterQuery(std::unique_ptr<CounterQuery>* query, const std::wstring& procRoot) {
  if (query == nullptr) return kCounterInvalidArgument;
  *query = std::make_unique<CounterQuery>(procRoot);
  return kCounterOk;
}

CounterQuery::CounterQuery(std::wstring procRoot) : procRoot_(std::move(procRoot)) {}
CounterQuery::~CounterQuery() = default;

bool CounterQuery::IsLocalMachine(const std::wstring& machine) const {
  std::wstring name = StripMachine(machine);
  return name.empty() || name == L"." || EqualsNoCase(name, L"localhost") ||
         EqualsNoCase(name, HostName());
}

uint32_t CounterQuery::AddCounter(const std::wstring& machine, const std::wstring& path,
                                  CounterHandle* counter) {
  if (counter == nullptr) return kCounterInvalidArgument;
  *counter = kNoCounter;
  CounterPath parsed;
  if (!ParseCounterPath(path, &parsed)) {
    // A remote machine fails as remote even when its path is also bad.
    return IsLocalMachine(machine) ? kCounterBadPath : kCounterNoMachine;
  }
  if (!IsLocalMachine(machine) || !IsLocalMachine(parsed.machine)) return kCounterNoMachine;
  bool objectKnown = false, instanceKnown = false;
  for (const ServedCounter& s : kServed) {
    if (!EqualsNoCase(parsed.object, s.object)) continue;
    objectKnown = true;
    if (!EqualsNoCase(parsed.instance, s.instance)) continue;
    instanceKnown = true;
    if (EqualsNoCase(parsed.counter, s.counter)) {
      *counter = static_cast<CounterHandle>(kinds_.size());
      kinds_.push_back(s.kind);
      return kCounterOk;
    }
  }
  if (!objectKnown) return kCounterNoObject;
  return instanceKnown ? kCounterNoCounter : kCounterNoInstance;
}

uint32_t CounterQuery::RemoveCounter(CounterHandle counter) {
  if (counter < 0 || counter >= static_cast<int>(kinds_.size()) || kinds_[counter] < 0)
    return kCounterInvalidHandle;
  kinds_[counter] = -1;
  return kCounterOk;
}

int CounterQuery::CounterCount() const {
  int n = 0;
  for (int kind : kinds_) n += kind >= 0;
  return n;
}

CounterQuery::Sample CounterQuery::TakeSample() const {
  bool cpu = false, memory = false, processes = false, threads = false;
  for (int kind : kinds_) {
    if (kind < 0) continue;
    cpu |= IsRate(kind);
    memory |= kind == kAvailableKBytes || kind == kAvailableMBytes || kind == kCommittedInUse;
    processes |= kind == kProcesses;
    threads |= kind == kThreads;
  }
  Sample s;
  s.seconds = MonotonicSeconds();
  if (cpu) {
    std::string stat = ReadProcFile(procRoot_ + L"/stat");
    // user nice system idle iowait irq softirq steal (guest time is already in user and nice)
    std::vector<unsigned long long> t = LineNumbers(FindLine(stat, "cpu "));
    if (t.size() >= 4) {
      while (t.size() < 8) t.push_back(0);
      s.userJiffies = t[0] + t[1];
      s.idleJiffies = t[3] + t[4];
      s.busyJiffies = t[0] + t[1] + t[2] + t[5] + t[6] + t[7];
    }
    std::vector<unsigned long long> intr = LineNumbers(FindLine(stat, "intr "));
    if (!intr.empty()) s.interrupts = intr[0];
  }
  if (memory) {
    std::string meminfo = ReadProcFile(procRoot_ + L"/meminfo");
    s.availableKb = MeminfoValue(meminfo, "MemAvailable");
    s.committedKb = MeminfoValue(meminfo, "Committed_AS");
    s.commitLimitKb = MeminfoValue(meminfo, "CommitLimit");
  }
  if (processes) s.processes = CountProcesses(procRoot_);
  if (threads) s.threads = CountThreads(procRoot_);
  return s;
}

uint32_t CounterQuery::Collect() {
  if (CounterCount() == 0) return kCounterNoData;
  previous_ = std::move(current_);
  current_ = std::make_unique<Sample>(TakeSample());
  return kCounterOk;
}

uint32_t CounterQuery::ReadLong(CounterHandle counter, long* value,
                                uint32_t* counterStatus) const {
  if (counter < 0 || counter >= static_cast<int>(kinds_.size()) || kinds_[counter] < 0)
    return kCounterInvalidHandle;
  if (value == nullptr || counterStatus == nullptr) return kCounterInvalidArgument;
  auto notReady = [&] {
    *counterStatus = kCounterDataNotValid;
    return kCounterNoValueYet;
  };
  if (!current_) return notReady();
  const Sample& now = *current_;
  int kind = kinds_[counter];
  if (IsRate(kind)) {
    if (!previous_) return notReady();
    const Sample& before = *previous_;
    if (kind == kInterruptsPerSec) {
      double seconds = now.seconds - before.seconds;
      if (now.interrupts < 0 || before.interrupts < 0 || now.interrupts < before.interrupts ||
          seconds <= 0)
        return notReady();
      *value = RoundToLong((now.interrupts - before.interrupts) / seconds);
    } else {
      long long busy = now.busyJiffies - before.busyJiffies;
      long long idle = now.idleJiffies - before.idleJiffies;
      long long user = now.userJiffies - before.userJiffies;
      if (now.busyJiffies < 0 || before.busyJiffies < 0 || busy < 0 || idle < 0 || user < 0 ||
          busy + idle == 0)
        return notReady();
      double total = static_cast<double>(busy + idle);
      double part = kind == kUserTime ? user : kind == kIdleTime ? idle : busy;
      *value = RoundToLong(100.0 * part / total);
    }
  } else {
    long long v = -1;
    switch (kind) {
      case kAvailableKBytes: v = now.availableKb; break;
      case kAvailableMBytes: v = now.availableKb < 0 ? -1 : now.availableKb / 1024; break;
      case kCommittedInUse:
        if (now.committedKb >= 0 && now.commitLimitKb > 0)
          v = RoundToLong(100.0 * now.committedKb / now.commitLimitKb);
        break;
      case kProcesses: v = now.processes; break;
      case kThreads: v = now.threads; break;
      default: break;
    }
    if (v < 0) {
      // The source file lacks the value: the call worked, the value did not.
      *counterStatus = kCounterDataNotValid;
      return kCounterOk;
    }
    *value = static_cast<long>(v);
  }
  *counterStatus = kCounterOk;
  return kCounterOk;
}

}  // namespace platform
