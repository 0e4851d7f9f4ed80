#pragma once
// The stacks of a run's worker threads, made by the runner instead of the thread library.
//
// The library gives a joined thread's stack back to the system once its cache of stacks is full
// (a few dozen threads' worth) and hands back a stack's pages when its thread ends. Both are
// calls that make every processor running the program flush its address translations; with ten
// thousand workers they took close to half the processor time of a run that only connects,
// runs one statement and disconnects. Stacks made here are mapped in blocks, each with a guard
// page below it, and unmapped together at the end of the run. The pages of the stacks of joined
// threads go back to the system in batches: a call per run of neighbouring stacks that no thread
// runs on, so that a run of many short-lived threads keeps little more memory than the library's
// stacks would, without a flush of every processor's address translations per thread.
#include <cstddef>
#include <cstdint>
#include <vector>

class WorkerStacks {
 public:
  static constexpr int kStacksPerBlock = 64;
  // Joined stacks that wait before their memory goes back (a few MiB of touched stack pages).
  static constexpr int kHandBackBatch = 256;

  explicit WorkerStacks(std::size_t stackBytes);
  ~WorkerStacks();
  WorkerStacks(const WorkerStacks&) = delete;
  WorkerStacks& operator=(const WorkerStacks&) = delete;

  // The lowest address of stack `index` (from 0), stackBytes long, for pthread_attr_setstack;
  // null when no memory could be mapped (the thread library then makes the stack). The same
  // index gives the same stack until Release. The stack counts as in use from here.
  void* Stack(int index);
  // The thread on stack `index` has been joined: the stack is in use no more.
  void Joined(int index);
  // Gives back the memory of the joined stacks once kHandBackBatch of them wait, or with `all`
  // whenever any does. They stay mapped (and read as zeros). Only on the thread that calls Stack.
  void HandBackJoined(bool all);
  // Unmaps every stack: only once no thread runs on one of them any more.
  void Release();

 private:
  enum SlotState : std::uint8_t { kFree, kInUse, kJoined };

  std::size_t stackBytes_;
  std::size_t slotBytes_;  // the stack and its guard page
  std::vector<void*> blocks_;  // mapped blocks of kStacksPerBlock slots; null: not yet mapped
  std::vector<SlotState> states_;  // by index; kFree: never used, or its memory was handed back
  int joined_ = 0;                 // slots in kJoined
};
