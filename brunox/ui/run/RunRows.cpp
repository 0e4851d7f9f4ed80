#include "brunox/ui/run/RunRows.h"

#include "brunox/engine/run/BrunoxRunner.h"

RunRows::RunRows()
    : capacity_(BrunoxRunner::kMaxThreads + 1), slots_(std::make_unique<Slot[]>(capacity_)) {}

RunRows::~RunRows() = default;

void RunRows::Clear() {
  {
    std::lock_guard<std::mutex> lock(addMutex_);
    const std::uint64_t counts = ExecutedTotal();
    count_.store(0, std::memory_order_release);
    version_.fetch_add(counts + 1, std::memory_order_release);
  }
  if (clearListener_) clearListener_();
}

int RunRows::Add(const std::wstring& task, int thread) {
  std::lock_guard<std::mutex> lock(addMutex_);
  const int index = count_.load(std::memory_order_relaxed);
  if (index >= capacity_) return -1;
  Slot& slot = slots_[index];
  slot.task = task;
  slot.thread = thread;
  slot.status.store(kPrepared, std::memory_order_relaxed);
  slot.executed.store(0, std::memory_order_relaxed);
  count_.store(index + 1, std::memory_order_release);
  version_.fetch_add(1, std::memory_order_release);
  return index;
}

void RunRows::SetState(int row, int state) {
  if (row < 0 || row >= count_.load(std::memory_order_acquire)) return;
  Slot& slot = slots_[row];
  if (state > 0) {
    slot.executed.store(state, std::memory_order_release);
    return;
  }
  slot.status.store(state, std::memory_order_relaxed);
  version_.fetch_add(1, std::memory_order_release);
}

int RunRows::Count() const { return count_.load(std::memory_order_acquire); }

RunRows::Row RunRows::Get(int row) const {
  if (row < 0 || row >= count_.load(std::memory_order_acquire)) return {};
  const Slot& slot = slots_[row];
  return {slot.task, slot.thread, slot.status.load(std::memory_order_relaxed),
          slot.executed.load(std::memory_order_relaxed)};
}

std::uint64_t RunRows::Version() const {
  return version_.load(std::memory_order_acquire) + ExecutedTotal();
}

std::uint64_t RunRows::ExecutedTotal() const {
  const int count = count_.load(std::memory_order_acquire);
  std::uint64_t total = 0;
  for (int row = 0; row < count; ++row)
    total += static_cast<std::uint64_t>(slots_[row].executed.load(std::memory_order_acquire));
  return total;
}

void RunRows::SetClearListener(std::function<void()> listener) {
  clearListener_ = std::move(listener);
}
