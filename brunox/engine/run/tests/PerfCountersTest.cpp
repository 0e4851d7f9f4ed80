#include "brunox/engine/run/PerfCounters.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "brunox/engine/project/Project.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

const std::wstring kSqlServerLocks = L"\\SQLServer:Locks(_Total)\\Average Wait Time (ms)";
const std::wstring kKBytes = L"\\Memory\\Available KBytes";

struct SlotSpec {
  int enabled;
  std::wstring machine, path;
};

Project ProjectWithSlots(const std::vector<SlotSpec>& slots) {
  Project p;
  for (size_t i = 0; i < slots.size(); ++i) {
    p.Counters[i].Enabled = slots[i].enabled;
    p.Counters[i].Machine = slots[i].machine;
    p.Counters[i].Name = slots[i].path;
  }
  return p;
}

class PerfCountersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logPath_ = testsupport::NewScratchPath(L"counters.log");
    CLog::Open(logPath_, 0);
  }
  void TearDown() override {
    counters_.Close();
    CLog::Close();
  }
  std::string LogText() {
    std::string bytes;
    platform::ReadFileBytes(logPath_, bytes);
    return bytes;
  }
  std::wstring logPath_;
  PerfCounters counters_;
};

TEST_F(PerfCountersTest, SuggestedLinuxCountersGivePlausibleValues) {
  const std::vector<std::wstring> suggested = counters_.SuggestedCounters();
  ASSERT_EQ(suggested.size(), 10u);
  // Five slots at a time: the four processor counters and available KBytes, then the rest.
  for (int first : {0, 5}) {
    std::vector<SlotSpec> slots;
    for (int i = first; i < first + 5 && i < 9; ++i) slots.push_back({1, L"", suggested[i]});
    Project project = ProjectWithSlots(slots);
    counters_.SetProject(&project);
    ASSERT_EQ(counters_.AddCounters(nullptr), 0) << platform::ToUtf8(counters_.LastError());
    ASSERT_EQ(counters_.Collect(), 0);
    usleep(100 * 1000);
    ASSERT_EQ(counters_.Collect(), 0) << platform::ToUtf8(counters_.LastError());
    std::vector<int> v;
    for (size_t id = 0; id < slots.size(); ++id) {
      v.push_back(counters_.GetValue(static_cast<int>(id), 0));
      EXPECT_GE(v.back(), 0) << platform::ToUtf8(slots[id].path + L": " + counters_.LastError());
    }
    if (first == 0) {
      for (int i : {0, 1, 2}) EXPECT_LE(v[i], 100) << platform::ToUtf8(suggested[i]);
      EXPECT_GT(v[4], 0) << "available KBytes";
    } else {
      EXPECT_GT(v[0], 0) << "available MBytes";
      EXPECT_GT(v[2], 1) << "processes";
      EXPECT_GE(v[3], v[2]) << "threads";
    }
    counters_.Close();
  }
}

TEST_F(PerfCountersTest, SampleableCountersAreTheSuggestedOnesThisMachineSamples) {
  const std::vector<std::wstring> sampleable = PerfCounters::SampleableCounters();
  // Everything suggested but the other server's counter, in the suggested order.
  std::vector<std::wstring> expected = counters_.SuggestedCounters();
  std::erase(expected, kSqlServerLocks);
  ASSERT_EQ(sampleable, expected);
  // Each of them really gives a value when a project samples it (five slots at a time).
  for (size_t first = 0; first < sampleable.size(); first += Project::kCounterSlots) {
    std::vector<SlotSpec> slots;
    for (size_t i = first; i < sampleable.size() && slots.size() < Project::kCounterSlots; ++i)
      slots.push_back({1, L"", sampleable[i]});
    Project project = ProjectWithSlots(slots);
    counters_.SetProject(&project);
    std::wstring report;
    ASSERT_EQ(counters_.AddCounters(&report), 0) << platform::ToUtf8(report);
    ASSERT_EQ(counters_.Collect(), 0);
    usleep(50 * 1000);
    ASSERT_EQ(counters_.Collect(), 0);
    for (size_t id = 0; id < slots.size(); ++id)
      EXPECT_GE(counters_.GetValue(static_cast<int>(id), 0), 0) << platform::ToUtf8(slots[id].path);
    counters_.Close();
  }
}

TEST_F(PerfCountersTest, ReportTextNamesEachSlotWithItsResult) {
  Project project = ProjectWithSlots({{1, L"", kSqlServerLocks},
                                      {0, L"", L"\\Bad"},
                                      {1, L"", kKBytes},
                                      {1, L"dbserver7", kKBytes}});
  counters_.SetProject(&project);
  std::wstring report = L"Counters:\r\n";
  EXPECT_EQ(counters_.AddCounters(&report), 2);
  EXPECT_EQ(report,
            L"Counters:\r\n" + kSqlServerLocks + L"\tAdd Counter '" + kSqlServerLocks +
                L"' Error 0xC0000BB8, 'The specified object is not found on the system.'\r\n\r\n" +
                kKBytes + L"\tOK\r\n\r\n" + L"dbserver7" + kKBytes +
                L"\tAdd Counter '\\\\dbserver7" + kKBytes +
                L"' Error 0x800007D0, 'Unable to connect to the specified computer or the "
                L"computer is offline.'\r\n\r\n");
  const std::string log = LogText();
  EXPECT_NE(log.find("Error 0xC0000BB8"), std::string::npos) << log;
  EXPECT_NE(log.find("Performance Counter: Add Counter error"), std::string::npos) << log;

  // Without a report text the same slots are added the same way.
  counters_.Close();
  EXPECT_EQ(counters_.AddCounters(nullptr), 2);
}

TEST_F(PerfCountersTest, IdentifiersCountOnlySuccessfulAdditions) {
  Project project = ProjectWithSlots(
      {{1, L"", L"\\Memory\\No Such Counter"}, {0, L"", kKBytes}, {1, L"", kKBytes}});
  counters_.SetProject(&project);
  EXPECT_EQ(counters_.AddCounters(nullptr), 1);
  EXPECT_EQ(counters_.LastError(),
            L"Add Counter '\\Memory\\No Such Counter' Error 0xC0000BB9, 'The specified counter "
            L"could not be found.'");
  ASSERT_EQ(counters_.Collect(), 0);
  EXPECT_GT(counters_.GetValue(0, 0), 0) << "slot 3 got identifier 0";
  EXPECT_EQ(counters_.GetValue(1, 1), -1);
  EXPECT_EQ(counters_.LastError(), L"GetLongValue: counter 1 not found");
}

TEST_F(PerfCountersTest, UnknownIdentifierIsLoggedOnlyWhenNotQuiet) {
  EXPECT_EQ(counters_.GetValue(7, 1), -1);
  EXPECT_EQ(counters_.LastError(), L"GetLongValue: counter 7 not found");
  EXPECT_EQ(LogText().find("counter 7 not found"), std::string::npos);
  EXPECT_EQ(counters_.GetValue(7, 0), -1);
  const std::string log = LogText();
  EXPECT_NE(log.find("GetLongValue: counter 7 not found"), std::string::npos) << log;
  EXPECT_NE(log.find("Performance Counter: Get Value error"), std::string::npos) << log;
}

TEST_F(PerfCountersTest, CollectionAndReadingFailures) {
  EXPECT_EQ(counters_.Collect(), -1);
  EXPECT_EQ(counters_.LastError(), L"Invalid Handle passed to Collect Data");
  EXPECT_NE(LogText().find("Performance Counter: Collect error"), std::string::npos);

  Project nothingAdded = ProjectWithSlots({{1, L"", kSqlServerLocks}});
  counters_.SetProject(&nothingAdded);
  EXPECT_EQ(counters_.AddCounters(nullptr), 1);
  EXPECT_EQ(counters_.Collect(), -1);
  EXPECT_EQ(counters_.LastError(),
            L"Collect Data Error 0x800007D5, 'The query has no counters to collect.'");
  counters_.Close();
  EXPECT_EQ(counters_.LastError(), L"");

  Project rate = ProjectWithSlots({{1, L"", L"\\Processor(_Total)\\% Idle Time"}});
  counters_.SetProject(&rate);
  EXPECT_EQ(counters_.AddCounters(nullptr), 0);
  EXPECT_EQ(counters_.GetValue(0, 1), -1);
  EXPECT_EQ(counters_.LastError(), L"Get Value Error: invalid data") << "nothing collected yet";
  ASSERT_EQ(counters_.Collect(), 0);
  EXPECT_EQ(counters_.GetValue(0, 1), -1) << "a rate needs two collections";
  usleep(20 * 1000);
  ASSERT_EQ(counters_.Collect(), 0);
  EXPECT_GE(counters_.GetValue(0, 1), 0);

  counters_.Close();
  EXPECT_EQ(counters_.GetValue(0, 1), -1) << "Close forgets the counters";
  EXPECT_EQ(counters_.LastError(), L"GetLongValue: counter 0 not found");
}

TEST_F(PerfCountersTest, AddingAgainStartsIdentifiersAfresh) {
  Project project = ProjectWithSlots({{1, L"", kKBytes}, {1, L"", L"\\System\\Processes"}});
  counters_.SetProject(&project);
  EXPECT_EQ(counters_.AddCounters(nullptr), 0);
  EXPECT_EQ(counters_.AddCounters(nullptr), 0);
  ASSERT_EQ(counters_.Collect(), 0);
  EXPECT_GT(counters_.GetValue(1, 0), 1);
  EXPECT_EQ(counters_.GetValue(2, 1), -1);
}

TEST(PerfCounters, WithoutProjectNothingIsAdded) {
  PerfCounters counters;
  std::wstring report;
  EXPECT_EQ(counters.AddCounters(&report), 0);
  EXPECT_EQ(report, L"");
}

TEST(PerfCounters, SuggestedCounterList) {
  PerfCounters counters;
  std::wstring out = L"kept";
  EXPECT_EQ(counters.GetAvailableCounter(-1, &out), -1);
  EXPECT_EQ(counters.GetAvailableCounter(10, &out), -1);
  EXPECT_EQ(out, L"kept");
  EXPECT_EQ(counters.GetAvailableCounter(0, &out), 0);
  EXPECT_EQ(out, L"\\Processor(_Total)\\% Idle Time");
  EXPECT_EQ(counters.GetAvailableCounter(9, &out), 0);
  EXPECT_EQ(out, kSqlServerLocks);
  const std::vector<std::wstring> list = counters.SuggestedCounters();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[3], L"\\Processor(_Total)\\Interrupts/sec");
  EXPECT_EQ(list[6], L"\\Memory\\% Committed Bytes In Use");
  EXPECT_EQ(list[8], L"\\System\\Threads");
}

TEST(PerfCounters, MachinePrefixRules) {
  struct Case {
    const wchar_t* machine;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"", L"\\Memory\\Available KBytes"},
      {L".", L".\\Memory\\Available KBytes"},
      {L"ab", L"ab\\Memory\\Available KBytes"},
      {L"abc", L"\\\\abc\\Memory\\Available KBytes"},
      {L"\\\\abc", L"\\\\abc\\Memory\\Available KBytes"},
      {L"\\abc", L"\\\\\\abc\\Memory\\Available KBytes"},
      {L"\\\\", L"\\\\\\Memory\\Available KBytes"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CounterFullPath(c.machine, kKBytes), c.expected) << platform::ToUtf8(c.machine);
}

}  // namespace
