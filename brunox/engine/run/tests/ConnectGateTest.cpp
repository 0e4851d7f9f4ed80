#include "brunox/engine/run/ConnectGate.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Workers that ended must not wait behind the ones still queued to connect: their connections
// would stay open until the last connect.
TEST(ConnectGate, QueuedDisconnectsGoBeforeQueuedConnectsAndNobodyOverlaps) {
  ConnectGate gate;
  std::mutex orderMutex;
  std::vector<char> order;
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  auto enter = [&](char kind) {
    if (inside.fetch_add(1) != 0) ++overlaps;
    {
      std::lock_guard lock(orderMutex);
      order.push_back(kind);
    }
    std::this_thread::sleep_for(1ms);
    inside.fetch_sub(1);
  };

  std::atomic<bool> held{false};
  std::atomic<bool> release{false};
  std::thread first([&] {
    const ConnectGate::Hold hold = gate.ForConnect();
    held = true;
    while (!release) std::this_thread::sleep_for(1ms);
  });
  while (!held) std::this_thread::sleep_for(1ms);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      const ConnectGate::Hold hold = gate.ForConnect();
      enter('c');
    });
  std::this_thread::sleep_for(50ms);  // the connects queue up first
  for (int i = 0; i < 2; ++i)
    threads.emplace_back([&] {
      const ConnectGate::Hold hold = gate.ForDisconnect();
      enter('d');
    });
  std::this_thread::sleep_for(50ms);
  release = true;
  first.join();
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(0, overlaps.load());
  ASSERT_EQ(6u, order.size());
  EXPECT_EQ('d', order[0]);
  EXPECT_EQ('d', order[1]);
}

}  // namespace
