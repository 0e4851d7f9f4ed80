#pragma once
// A small performance-counter query over /proc: open a query, add counters by path, collect all
// of them at once, read each as a long, remove, close. Status codes and their texts follow the
// counter library of the Windows version of the program, so counter error texts read the same.
//
// Counter paths: "[\\machine]\object[(instance)]\counter", compared without regard to case.
// Served (local machine only):
//   \Processor(_Total)\% Idle Time           idle + iowait jiffies of /proc/stat, percent
//   \Processor(_Total)\% Processor Time      100 - % Idle Time
//   \Processor(_Total)\% User Time           user + nice jiffies, percent
//   \Processor(_Total)\Interrupts/sec        the "intr" total of /proc/stat per second
//   \Memory\Available KBytes / MBytes        MemAvailable of /proc/meminfo
//   \Memory\% Committed Bytes In Use         Committed_AS / CommitLimit * 100 (may pass 100 on
//                                            a system that overcommits)
//   \System\Processes                        numeric folders of /proc
//   \System\Threads                          the total of "running/total" in /proc/loadavg
// The four Processor counters are rates over the interval between the last two collections:
// after the first collection they have no value yet (kCounterNoValueYet), like a rate counter's
// first sample in the Windows library.
//
// The machine is local when it is "", ".", "localhost" or this host's name (leading backslashes
// and case ignored); any other machine fails with kCounterNoMachine.
//
// A query is used by one thread at a time.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum CounterStatus : uint32_t {
  kCounterOk = 0,
  kCounterNoMachine = 0x800007D0,       // a remote or unknown machine
  kCounterNoInstance = 0x800007D1,      // the object has no such instance
  kCounterNoData = 0x800007D5,          // a collection of a query without counters
  kCounterNoObject = 0xC0000BB8,        // no such object
  kCounterNoCounter = 0xC0000BB9,       // the object has no such counter
  kCounterDataNotValid = 0xC0000BBA,    // the counter status of a value not ready yet
  kCounterInvalidHandle = 0xC0000BBC,   // no such query or counter
  kCounterInvalidArgument = 0xC0000BBD, // a null output
  kCounterBadPath = 0xC0000BC0,         // the path is not "\object[(instance)]\counter"
  kCounterNoValueYet = 0xC0000BC6,      // a rate counter before its second collection
};

// The message text of a status code; "" for a code this layer does not know.
std::wstring CounterStatusText(uint32_t status);

// A counter of a query; kNoCounter for none.
typedef int CounterHandle;
inline constexpr CounterHandle kNoCounter = -1;

class CounterQuery {
 public:
  // `procRoot`: the folder read as /proc (tests point it at prepared files).
  explicit CounterQuery(std::wstring procRoot = L"/proc");
  ~CounterQuery();
  CounterQuery(const CounterQuery&) = delete;
  CounterQuery& operator=(const CounterQuery&) = delete;

  // Adds the counter `path` of `machine` (machine may be "" when `path` begins "\\machine").
  // kCounterOk with *counter set, or the reason it cannot be served (*counter = kNoCounter).
  uint32_t AddCounter(const std::wstring& machine, const std::wstring& path,
                      CounterHandle* counter);
  // Samples every counter of the query. kCounterNoData when the query has none.
  uint32_t Collect();
  // The counter's value from the last collection(s). The return value says whether the call
  // worked, *counterStatus whether the value is valid (kCounterOk). A value not ready yet (no
  // collection, or a rate counter with only one) returns kCounterNoValueYet with counter status
  // kCounterDataNotValid; a value missing from its /proc file returns kCounterOk with counter
  // status kCounterDataNotValid.
  uint32_t ReadLong(CounterHandle counter, long* value, uint32_t* counterStatus) const;
  uint32_t RemoveCounter(CounterHandle counter);
  int CounterCount() const;

 private:
  struct Sample;

  bool IsLocalMachine(const std::wstring& machine) const;
  Sample TakeSample() const;

  std::wstring procRoot_;
  std::vector<int> kinds_;  // the served counter of each handle; -1 once removed
  std::unique_ptr<Sample> previous_;
  std::unique_ptr<Sample> current_;
};

// Opens a query (the counterpart of closing it by destroying it). kCounterOk, or
// kCounterInvalidArgument for a null `query`.
uint32_t OpenCounterQuery(std::unique_ptr<CounterQuery>* query,
                          const std::wstring& procRoot = L"/proc");

}  // namespace platform
