#include "brunox/engine/run/WorkerStacks.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

WorkerStacks::WorkerStacks(std::size_t stackBytes) : stackBytes_(stackBytes) {
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  stackBytes_ = (stackBytes + page - 1) / page * page;
  slotBytes_ = stackBytes_ + page;
}

WorkerStacks::~WorkerStacks() { Release(); }

void* WorkerStacks::Stack(int index) {
  if (index < 0) return nullptr;
  const std::size_t block = static_cast<std::size_t>(index / kStacksPerBlock);
  if (block >= blocks_.size()) blocks_.resize(block + 1, nullptr);
  if (!blocks_[block]) {
    // Reserved, not committed: a stack costs memory only as deep as its thread goes.
    void* memory = mmap(nullptr, slotBytes_ * kStacksPerBlock, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    char* base = static_cast<char*>(memory);
    // Stacks grow down: a thread that overflows its stack faults on its guard page instead of
    // writing over the next thread's stack.
    for (int k = 0; k < kStacksPerBlock; ++k) {
      if (mprotect(base + k * slotBytes_, slotBytes_ - stackBytes_, PROT_NONE) != 0) {
        munmap(memory, slotBytes_ * kStacksPerBlock);
        return nullptr;
      }
    }
    blocks_[block] = memory;
  }
  if (static_cast<std::size_t>(index) >= states_.size())
    states_.resize(static_cast<std::size_t>(index) + 1, kFree);
  if (states_[index] == kJoined) --joined_;
  states_[index] = kInUse;
  char* base = static_cast<char*>(blocks_[block]);
  return base + static_cast<std::size_t>(index % kStacksPerBlock) * slotBytes_ +
         (slotBytes_ - stackBytes_);
}

void WorkerStacks::Joined(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= states_.size() || states_[index] != kInUse)
    return;
  states_[index] = kJoined;
  ++joined_;
}

void WorkerStacks::HandBackJoined(bool all) {
  if (joined_ == 0 || (!all && joined_ < kHandBackBatch)) return;
  // Free slots may join a run: nothing runs on them, and the master thread that makes stacks is
  // the one calling. A run is handed back when it holds a joined stack.
  for (std::size_t block = 0; block < blocks_.size(); ++block) {
    if (!blocks_[block]) continue;
    char* base = static_cast<char*>(blocks_[block]);
    int first = -1;
    bool anyJoined = false;
    for (int k = 0; k <= kStacksPerBlock; ++k) {
      const std::size_t index = block * kStacksPerBlock + static_cast<std::size_t>(k);
      const SlotState state =
          k == kStacksPerBlock ? kInUse : (index < states_.size() ? states_[index] : kFree);
      if (state != kInUse) {
        if (first < 0) first = k;
        if (state == kJoined) {
          anyJoined = true;
          states_[index] = kFree;
        }
        continue;
      }
      if (first >= 0 && anyJoined)
        madvise(base + static_cast<std::size_t>(first) * slotBytes_,
                static_cast<std::size_t>(k - first) * slotBytes_, MADV_DONTNEED);
      first = -1;
      anyJoined = false;
    }
  }
  joined_ = 0;
}

void WorkerStacks::Release() {
  for (void* block : blocks_)
    if (block) munmap(block, slotBytes_ * kStacksPerBlock);
  blocks_.clear();
  states_.clear();
  joined_ = 0;
}
