// The runner's own worker stacks: whole, apart, guarded, and the same for the same index.
#include <pthread.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "brunox/engine/run/WorkerStacks.h"

namespace {

constexpr std::size_t kBytes = 64 * 1024;

TEST(WorkerStacks, StacksAreWholeApartAndStable) {
  WorkerStacks stacks(kBytes);
  std::set<std::uintptr_t> starts;
  // Across more than one block of stacks.
  for (int i = 0; i < 130; ++i) {
    char* stack = static_cast<char*>(stacks.Stack(i));
    ASSERT_NE(nullptr, stack) << i;
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(stack) % 4096) << i;
    std::memset(stack, 0x5A, kBytes);  // every byte of it can be written
    starts.insert(reinterpret_cast<std::uintptr_t>(stack));
  }
  ASSERT_EQ(130u, starts.size());
  for (auto it = starts.begin(); std::next(it) != starts.end(); ++it)
    EXPECT_GT(*std::next(it) - *it, kBytes) << "a guard page between neighbours";
  EXPECT_EQ(stacks.Stack(77), stacks.Stack(77));
  EXPECT_EQ(nullptr, stacks.Stack(-1));
}

// Joined stacks go back in batches, across the border of two blocks; a stack still in use keeps
// its content, also between joined neighbours and never used slots.
TEST(WorkerStacks, JoinedStacksLoseTheirContentInBatchesAndOthersKeepIt) {
  WorkerStacks stacks(kBytes);
  constexpr int kBlock = WorkerStacks::kStacksPerBlock;
  constexpr int kFrom = kBlock - 4, kTo = kBlock + 6, kStillInUse = kBlock + 1;
  std::vector<const char*> stack;
  for (int i = kFrom; i < kTo; ++i) {
    stack.push_back(static_cast<const char*>(stacks.Stack(i)));
    std::memset(const_cast<char*>(stack.back()), 0x5A, kBytes);
  }
  const auto joined = [&](int i) { return i >= kBlock - 2 && i < kBlock + 4 && i != kStillInUse; };
  for (int i = kFrom; i < kTo; ++i)
    if (joined(i)) stacks.Joined(i);
  stacks.Joined(kBlock + 40);  // never used: nothing to give back

  stacks.HandBackJoined(false);
  for (int i = kFrom; i < kTo; ++i)
    EXPECT_EQ(0x5A, stack[i - kFrom][0]) << i << ": below a batch nothing goes back";
  stacks.HandBackJoined(true);
  for (int i = kFrom; i < kTo; ++i) {
    const char expected = joined(i) ? 0 : 0x5A;
    EXPECT_EQ(expected, stack[i - kFrom][0]) << i;
    EXPECT_EQ(expected, stack[i - kFrom][kBytes - 1]) << i;
  }
}

TEST(WorkerStacks, AThreadRunsOnItsStack) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "ThreadSanitizer needs more stack than a worker's; the runner does not use them then";
#endif
  WorkerStacks stacks(kBytes);
  char* stack = static_cast<char*>(stacks.Stack(3));
  ASSERT_NE(nullptr, stack);
  pthread_attr_t attributes;
  ASSERT_EQ(0, pthread_attr_init(&attributes));
  ASSERT_EQ(0, pthread_attr_setstack(&attributes, stack, kBytes));
  pthread_t thread;
  std::uintptr_t local = 0;
  ASSERT_EQ(0, pthread_create(
                   &thread, &attributes,
                   [](void* out) -> void* {
                     int onStack = 0;
                     *static_cast<std::uintptr_t*>(out) = reinterpret_cast<std::uintptr_t>(&onStack);
                     return nullptr;
                   },
                   &local));
  pthread_attr_destroy(&attributes);
  pthread_join(thread, nullptr);
  EXPECT_GE(local, reinterpret_cast<std::uintptr_t>(stack));
  EXPECT_LT(local, reinterpret_cast<std::uintptr_t>(stack) + kBytes);
}

TEST(WorkerStacksDeathTest, WritingBelowAStackFaults) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  WorkerStacks stacks(kBytes);
  volatile char* stack = static_cast<char*>(stacks.Stack(1));
  ASSERT_NE(nullptr, stack);
  EXPECT_DEATH(stack[-1] = 1, "");
}

}  // namespace
