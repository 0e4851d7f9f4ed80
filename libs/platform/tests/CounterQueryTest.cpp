#include "platform/CounterQuery.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace platform {
namespace {

const wchar_t* const kIdle = L"\\Processor(_Total)\\% Idle Time";
const wchar_t* const kProcessor = L"\\Processor(_Total)\\% Processor Time";
const wchar_t* const kUser = L"\\Processor(_Total)\\% User Time";
const wchar_t* const kInterrupts = L"\\Processor(_Total)\\Interrupts/sec";
const wchar_t* const kKBytes = L"\\Memory\\Available KBytes";
const wchar_t* const kMBytes = L"\\Memory\\Available MBytes";
const wchar_t* const kCommitted = L"\\Memory\\% Committed Bytes In Use";
const wchar_t* const kProcesses = L"\\System\\Processes";
const wchar_t* const kThreads = L"\\System\\Threads";

CounterHandle Add(CounterQuery& q, const std::wstring& path, const std::wstring& machine = L"") {
  CounterHandle h = kNoCounter;
  EXPECT_EQ(q.AddCounter(machine, path, &h), kCounterOk) << ToUtf8(path);
  return h;
}

long Read(const CounterQuery& q, CounterHandle h) {
  long value = -12345;
  uint32_t counterStatus = 1;
  EXPECT_EQ(q.ReadLong(h, &value, &counterStatus), kCounterOk);
  EXPECT_EQ(counterStatus, kCounterOk);
  return value;
}

std::wstring Hostname() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return FromUtf8(name);
}

TEST(CounterQuery, ServedCountersGivePlausibleValuesOnThisMachine) {
  CounterQuery q;
  const std::vector<std::wstring> paths = {kIdle,   kProcessor, kUser,      kInterrupts, kKBytes,
                                           kMBytes, kCommitted, kProcesses, kThreads};
  std::vector<CounterHandle> h;
  for (const std::wstring& p : paths) h.push_back(Add(q, p));
  ASSERT_EQ(q.Collect(), kCounterOk);

  long value = 0;
  uint32_t counterStatus = kCounterOk;
  EXPECT_EQ(q.ReadLong(h[0], &value, &counterStatus), kCounterNoValueYet)
      << "a rate has no value after one collection";
  EXPECT_EQ(counterStatus, kCounterDataNotValid);
  EXPECT_GT(Read(q, h[4]), 0) << "levels have a value at once";

  usleep(100 * 1000);  // let some jiffies pass
  ASSERT_EQ(q.Collect(), kCounterOk);
  for (int i : {0, 1, 2}) {
    long percent = Read(q, h[i]);
    EXPECT_GE(percent, 0) << ToUtf8(paths[i]);
    EXPECT_LE(percent, 100) << ToUtf8(paths[i]);
  }
  EXPECT_NEAR(Read(q, h[0]) + Read(q, h[1]), 100, 1) << "idle and processor time add up";
  EXPECT_GE(Read(q, h[3]), 0);
  long kbytes = Read(q, h[4]);
  EXPECT_GT(kbytes, 0);
  EXPECT_NEAR(Read(q, h[5]), kbytes / 1024, 1);
  EXPECT_GE(Read(q, h[6]), 0);  // no upper bound: an overcommitting system may pass 100
  long processes = Read(q, h[7]);
  EXPECT_GT(processes, 1);
  EXPECT_GE(Read(q, h[8]), processes);
}

// A prepared /proc makes the arithmetic exact.
struct FakeProc {
  std::wstring root;
  FakeProc() {
    root = testsupport::NewScratchPath(L"proc");
    MakeDirectories(root + L"/1");
    MakeDirectories(root + L"/42");
    MakeDirectories(root + L"/sys");
    MakeDirectories(root + L"/4x2");
    WriteFileBytes(root + L"/meminfo",
                   "MemTotal:       16000000 kB\nMemAvailable:    2048000 kB\n"
                   "CommitLimit:     1000000 kB\nCommitted_AS:     250000 kB\n");
    WriteFileBytes(root + L"/loadavg", "0.50 0.40 0.30 3/517 9999\n");
  }
  // user nice system idle iowait irq softirq steal guest guest_nice
  void Stat(const char* cpu, const char* intr) {
    WriteFileBytes(root + L"/stat", std::string("cpu  ") + cpu + "\ncpu0 1 2 3 4\nintr " + intr +
                                        " 0 5 6\nctxt 77\n");
  }
};

TEST(CounterQuery, RatesAndLevelsFromPreparedFiles) {
  FakeProc proc;
  proc.Stat("100 0 100 700 100 0 0 0 0 0", "1000");
  CounterQuery q(proc.root);
  CounterHandle idle = Add(q, kIdle), busy = Add(q, kProcessor), user = Add(q, kUser);
  CounterHandle kb = Add(q, kKBytes), mb = Add(q, kMBytes), committed = Add(q, kCommitted);
  CounterHandle processes = Add(q, kProcesses), threads = Add(q, kThreads);
  ASSERT_EQ(q.Collect(), kCounterOk);
  // 400 jiffies pass: user 100 + nice 20, system 30, idle 200, iowait 50.
  proc.Stat("200 20 130 900 150 0 0 0 0 0", "1600");
  ASSERT_EQ(q.Collect(), kCounterOk);
  EXPECT_EQ(Read(q, idle), 63);  // 250 / 400, rounded
  EXPECT_EQ(Read(q, busy), 38);
  EXPECT_EQ(Read(q, user), 30);
  EXPECT_EQ(Read(q, kb), 2048000);
  EXPECT_EQ(Read(q, mb), 2000);
  EXPECT_EQ(Read(q, committed), 25);
  EXPECT_EQ(Read(q, processes), 2) << "only all-digit folder names are processes";
  EXPECT_EQ(Read(q, threads), 517);
}

TEST(CounterQuery, MissingOrGarbledSourcesGiveABadStatusNotACrash) {
  FakeProc proc;
  WriteFileBytes(proc.root + L"/meminfo", "MemAvailable: lots\n");
  WriteFileBytes(proc.root + L"/loadavg", "garbage");
  WriteFileBytes(proc.root + L"/stat", "cpu  12\n");
  CounterQuery q(proc.root);
  CounterHandle kb = Add(q, kKBytes), threads = Add(q, kThreads), idle = Add(q, kIdle);
  ASSERT_EQ(q.Collect(), kCounterOk);
  ASSERT_EQ(q.Collect(), kCounterOk);
  for (CounterHandle h : {kb, threads}) {
    long value = 7;
    uint32_t counterStatus = kCounterOk;
    EXPECT_EQ(q.ReadLong(h, &value, &counterStatus), kCounterOk);
    EXPECT_EQ(counterStatus, kCounterDataNotValid);
    EXPECT_EQ(value, 7);
  }
  long value = 0;
  uint32_t counterStatus = kCounterOk;
  EXPECT_NE(q.ReadLong(idle, &value, &counterStatus), kCounterOk);
}

TEST(CounterQuery, PathsAndMachinesItCannotServe) {
  struct Case {
    std::wstring machine, path;
    uint32_t status;
  };
  const std::wstring host = Hostname();
  const Case cases[] = {
      {L"", L"\\SQLServer:Locks(_Total)\\Average Wait Time (ms)", kCounterNoObject},
      {L"", L"\\Memory\\Available Bytes", kCounterNoCounter},
      {L"", L"\\Processor(0)\\% Idle Time", kCounterNoInstance},
      {L"", L"\\Memory(_Total)\\Available KBytes", kCounterNoInstance},
      {L"", L"", kCounterBadPath},
      {L"", L"Memory\\Available KBytes", kCounterBadPath},
      {L"", L"\\Memory", kCounterBadPath},
      {L"", L"\\Memory\\", kCounterBadPath},
      {L"", L"\\\\Memory\\Available KBytes", kCounterBadPath},
      {L"", L"\\Memory\\Available\\KBytes", kCounterBadPath},
      {L"", L"\\(_Total)\\% Idle Time", kCounterBadPath},
      {L"", L"\\Processor(_Total\\% Idle Time", kCounterBadPath},
      {L"", L"\\Processor()\\% Idle Time", kCounterBadPath},
      {L"dbserver7", kKBytes, kCounterNoMachine},
      {L"\\\\dbserver7", kKBytes, kCounterNoMachine},
      {L"dbserver7", L"no path at all", kCounterNoMachine},
      {L"", std::wstring(L"\\\\dbserver7") + kKBytes, kCounterNoMachine},
      {L"", L"\\\\\\Memory\\Available KBytes", kCounterBadPath},
      // Local machines, path matched without regard to case.
      {L"", L"\\MEMORY\\available kbytes", kCounterOk},
      {L".", kKBytes, kCounterOk},
      {L"\\\\localhost", kKBytes, kCounterOk},
      {L"LocalHost", kKBytes, kCounterOk},
      {host, kThreads, kCounterOk},
      {L"\\\\" + ToUpper(host), L"\\processor(_TOTAL)\\% idle time", kCounterOk},
      {L"", L"\\\\" + host + kProcesses, kCounterOk},
  };
  CounterQuery q;
  for (const Case& c : cases) {
    CounterHandle h = 99;
    EXPECT_EQ(q.AddCounter(c.machine, c.path, &h), c.status)
        << ToUtf8(c.machine) << " | " << ToUtf8(c.path);
    EXPECT_EQ(h == kNoCounter, c.status != kCounterOk);
    EXPECT_FALSE(CounterStatusText(c.status).empty());
  }
}

TEST(CounterQuery, HandlesAndStatusTexts) {
  CounterQuery q;
  EXPECT_EQ(q.Collect(), kCounterNoData) << "nothing to collect";
  CounterHandle a = Add(q, kKBytes), b = Add(q, kProcesses);
  EXPECT_EQ(q.CounterCount(), 2);
  long value = 0;
  uint32_t counterStatus = kCounterOk;
  EXPECT_EQ(q.ReadLong(a, &value, &counterStatus), kCounterNoValueYet) << "before any collection";
  EXPECT_EQ(q.RemoveCounter(a), kCounterOk);
  EXPECT_EQ(q.RemoveCounter(a), kCounterInvalidHandle);
  EXPECT_EQ(q.RemoveCounter(kNoCounter), kCounterInvalidHandle);
  EXPECT_EQ(q.ReadLong(a, &value, &counterStatus), kCounterInvalidHandle);
  EXPECT_EQ(q.ReadLong(b, nullptr, &counterStatus), kCounterInvalidArgument);
  EXPECT_EQ(q.AddCounter(L"", kKBytes, nullptr), kCounterInvalidArgument);
  ASSERT_EQ(q.Collect(), kCounterOk);
  EXPECT_GT(Read(q, b), 1);

  EXPECT_EQ(CounterStatusText(0xC0000BB8), L"The specified object is not found on the system.");
  EXPECT_EQ(CounterStatusText(0xC0000BB9), L"The specified counter could not be found.");
  EXPECT_EQ(CounterStatusText(0x800007D0),
            L"Unable to connect to the specified computer or the computer is offline.");
  EXPECT_EQ(CounterStatusText(0x12345678), L"");

  std::unique_ptr<CounterQuery> opened;
  EXPECT_EQ(OpenCounterQuery(&opened), kCounterOk);
  EXPECT_NE(opened, nullptr);
  EXPECT_EQ(OpenCounterQuery(nullptr), kCounterInvalidArgument);
}

}  // namespace
}  // namespace platform
