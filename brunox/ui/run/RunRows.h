#pragma once
// The rows of the threads of the current run, as the execution console shows them.
//
// Who does what: the run's master thread adds one row per worker thread before it creates the
// thread; each worker writes its latest state into its own row and never waits for anybody; the
// window's GUI thread empties the rows before a run and reads them on a timer.
//
// How that stays race-free: every row is made once, in the constructor, and never moves. Add fills
// the next free row completely and only then publishes it by raising the count (release), so a
// reader that sees the count (acquire) sees the row's task and thread number, which nobody writes
// again until the next Clear. The fields that change during a run (status, executions) and the
// version are lock-free atomics. Adds take a small lock among themselves only, so that two adders
// never fill the same row; SetState takes none. A worker's count of executions, written every
// round, goes to its own row only (a cache line of its own): the version adds the counts up when
// it is read instead of every worker moving one shared counter.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class RunRows {
 public:
  // The status of a row that no state has reached yet. No ThreadRunState is positive (a positive
  // state is a count of executions), so it cannot be mistaken for one.
  static constexpr int kPrepared = 1;

  struct Row {
    std::wstring task;
    int thread = 0;
    int status = kPrepared;  // the last ThreadRunState set, kPrepared before any
    long long executed = 0;
  };

  // Room for every thread a run may have (BrunoxRunner::kMaxThreads) and one more, made once.
  RunRows();
  ~RunRows();
  RunRows(const RunRows&) = delete;
  RunRows& operator=(const RunRows&) = delete;

  // GUI thread, while no run is going on: no rows. Then tells the clear listener.
  void Clear();
  // Any thread: a new row at the end in the "Prepared" state; its index, or -1 when all rows are
  // in use.
  int Add(const std::wstring& task, int thread);
  // Any thread, lock-free: state > 0 is the number of executions done, any other value a
  // ThreadRunState. A row that does not exist (yet) is left alone.
  void SetState(int row, int state);

  int Count() const;
  // A copy of row `row`; a row that does not exist reads as a default Row. On the thread that
  // calls Clear (a Clear reuses the rows for the next run).
  Row Get(int row) const;
  // Grows on every Add, SetState and Clear that changes something, so a reader repaints only when
  // it has changed. Adds up the rows' counts: a reader calls it once per repaint.
  std::uint64_t Version() const;

  // Called on the thread that calls Clear, after the rows are gone (the page resets its list).
  void SetClearListener(std::function<void()> listener);

  int Capacity() const { return capacity_; }

 private:
  struct alignas(64) Slot {
    std::wstring task;  // written by Add before the row is published, then read-only
    int thread = 0;     // likewise
    std::atomic<int> status{kPrepared};
    std::atomic<long long> executed{0};
  };
  static_assert(std::atomic<int>::is_always_lock_free);
  static_assert(std::atomic<long long>::is_always_lock_free);
  static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

  std::uint64_t ExecutedTotal() const;  // of the published rows

  const int capacity_;
  const std::unique_ptr<Slot[]> slots_;
  std::atomic<int> count_{0};  // rows published
  // Adds, Clears and states other than counts; Clear also adds the counts it drops, so that
  // Version never goes back.
  std::atomic<std::uint64_t> version_{0};
  std::mutex addMutex_;  // adders among themselves
  std::function<void()> clearListener_;
};
