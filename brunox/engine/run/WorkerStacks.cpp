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
  char* base = static_cast<char*>(blocks_[block]);
  return base + static_cast<std::size_t>(index % kStacksPerBlock) * slotBytes_ +
         (slotBytes_ - stackBytes_);
}

void WorkerStacks::HandBack(int first, int count) {
  while (count > 0 && first >= 0) {
    const std::size_t block = static_cast<std::size_t>(first / kStacksPerBlock);
    const int inBlock = std::min(count, kStacksPerBlock - first % kStacksPerBlock);
    if (block < blocks_.size() && blocks_[block]) {
      char* from = static_cast<char*>(blocks_[block]) +
                   static_cast<std::size_t>(first % kStacksPerBlock) * slotBytes_;
      madvise(from, static_cast<std::size_t>(inBlock) * slotBytes_, MADV_DONTNEED);
    }
    first += inBlock;
    count -= inBlock;
  }
}

void WorkerStacks::Release() {
  for (void* block : blocks_)
    if (block) munmap(block, slotBytes_ * kStacksPerBlock);
  blocks_.clear();
}
