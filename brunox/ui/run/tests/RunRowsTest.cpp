// The console's rows: filled by one thread, written by many without locks, read by another.
#include "brunox/ui/run/RunRows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/RunEvents.h"

namespace {

TEST(RunRowsTest, AddPublishesPreparedRowsUntilFullAndClearStartsOver) {
  RunRows rows;
  EXPECT_EQ(0, rows.Count());
  EXPECT_EQ(0, rows.Add(L"Orders", 1));
  EXPECT_EQ(1, rows.Add(L"Lookups", 12));
  const RunRows::Row second = rows.Get(1);
  EXPECT_EQ(L"Lookups", second.task);
  EXPECT_EQ(12, second.thread);
  EXPECT_EQ(RunRows::kPrepared, second.status);
  EXPECT_EQ(0, second.executed);
  EXPECT_EQ(L"", rows.Get(2).task) << "a row not added reads as empty";
  EXPECT_EQ(L"", rows.Get(-1).task);

  rows.SetState(0, kThreadFinished);
  rows.SetState(0, 40);
  bool told = false;
  rows.SetClearListener([&] { told = true; });
  rows.Clear();
  EXPECT_TRUE(told);
  EXPECT_EQ(0, rows.Count());
  EXPECT_EQ(0, rows.Add(L"Next run", 1));
  EXPECT_EQ(RunRows::kPrepared, rows.Get(0).status) << "a reused row starts afresh";
  EXPECT_EQ(0, rows.Get(0).executed);

  // Every thread a run may have gets a row, and one more; then Add refuses.
  EXPECT_EQ(BrunoxRunner::kMaxThreads + 1, rows.Capacity());
  while (rows.Count() < rows.Capacity()) ASSERT_GE(rows.Add(L"t", rows.Count()), 0);
  EXPECT_EQ(-1, rows.Add(L"one too many", 0));
  EXPECT_EQ(rows.Capacity(), rows.Count());
}

TEST(RunRowsTest, PositiveStatesCountExecutionsOthersAreStatesAndBothMoveTheVersion) {
  RunRows rows;
  rows.Add(L"Orders", 1);
  std::uint64_t version = rows.Version();
  rows.SetState(0, kThreadRunning);
  EXPECT_GT(rows.Version(), version);
  EXPECT_EQ(kThreadRunning, rows.Get(0).status);
  version = rows.Version();
  rows.SetState(0, 17);
  EXPECT_GT(rows.Version(), version);
  EXPECT_EQ(17, rows.Get(0).executed);
  EXPECT_EQ(kThreadRunning, rows.Get(0).status) << "an execution count keeps the state";
  rows.SetState(0, kThreadPaused);
  EXPECT_EQ(17, rows.Get(0).executed) << "a state keeps the execution count";
  EXPECT_EQ(kThreadPaused, rows.Get(0).status);

  version = rows.Version();
  rows.SetState(1, kThreadRunning);  // a row that does not exist
  rows.SetState(-1, 5);
  EXPECT_EQ(version, rows.Version());
  EXPECT_EQ(1, rows.Count());

  // The counts are part of the version; emptying the rows must not take it back.
  rows.Clear();
  EXPECT_GT(rows.Version(), version);
  version = rows.Version();
  rows.Add(L"Orders", 1);
  rows.SetState(0, 1);
  EXPECT_GT(rows.Version(), version + 1);
}

// As in a run: the master thread adds the rows, each worker starts once its row exists and
// reports to it, and the page reads all the while. The last state of every row must arrive.
TEST(RunRowsTest, StatesFromSixteenThreadsAllArriveWhileRowsAreAddedAndRead) {
  constexpr int kRows = 3000;
  constexpr int kWorkers = 16;
  constexpr int kRounds = 25;
  RunRows rows;
  std::atomic<bool> done{false};

  std::thread adder([&] {
    for (int row = 0; row < kRows; ++row)
      ASSERT_EQ(row, rows.Add(L"Task " + std::to_wstring(row % 7), row + 1));
  });
  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([&, worker] {
      for (int row = worker; row < kRows; row += kWorkers) {
        while (rows.Count() <= row) std::this_thread::yield();
        rows.SetState(row, kThreadRunning);
        for (int round = 1; round <= kRounds + row % 5; ++round) rows.SetState(row, round);
        rows.SetState(row, row % 3 == 0 ? kThreadStopped : kThreadFinished);
      }
    });
  }
  std::thread reader([&] {
    std::uint64_t seen = 0;
    while (!done.load()) {
      const std::uint64_t version = rows.Version();
      EXPECT_GE(version, seen) << "the version never goes back";
      seen = version;
      const int count = rows.Count();
      for (int row = 0; row < count; row += 97) {
        const RunRows::Row shown = rows.Get(row);
        EXPECT_EQ(row + 1, shown.thread);
        EXPECT_LE(shown.executed, kRounds + 4);
      }
    }
  });
  adder.join();
  for (std::thread& worker : workers) worker.join();
  done.store(true);
  reader.join();

  ASSERT_EQ(kRows, rows.Count());
  std::uint64_t changes = 0;
  for (int row = 0; row < kRows; ++row) changes += 1 + 1 + (kRounds + row % 5) + 1;
  EXPECT_EQ(changes, rows.Version()) << "no add or state was lost from the version";
  for (int row = 0; row < kRows; ++row) {
    const RunRows::Row final = rows.Get(row);
    ASSERT_EQ(L"Task " + std::to_wstring(row % 7), final.task) << row;
    ASSERT_EQ(row % 3 == 0 ? kThreadStopped : kThreadFinished, final.status) << row;
    ASSERT_EQ(kRounds + row % 5, final.executed) << row;
  }
}

}  // namespace
