#pragma once
// The stacks of a run's worker threads, made by the runner instead of the thread library.
//
// The library gives a joined thread's stack back to the system once its cache of stacks is full
// (a few dozen threads' worth) and hands back a stack's pages when its thread ends. Both are
// calls that make every processor running the program flush its address translations; with ten
// thousand workers they took close to half the processor time of a run that only connects,
// runs one statement and disconnects. Stacks made here are mapped in blocks, each with a guard
// page below it, and unmapped together at the end of the run. The pages of the stacks of joined
// threads go back to the system a run of neighbouring stacks at a time, so that a run of many
// short-lived threads keeps no more memory than the library's stacks would (waiting for whole
// blocks kept nearly all of it: threads end in no fixed order).
#include <cstddef>
#include <vector>

class WorkerStacks {
 public:
  explicit WorkerStacks(std::size_t stackBytes);
  ~WorkerStacks();
  WorkerStacks(const WorkerStacks&) = delete;
  WorkerStacks& operator=(const WorkerStacks&) = delete;

  // The lowest address of stack `index` (from 0), stackBytes long, for pthread_attr_setstack;
  // null when no memory could be mapped (the thread library then makes the stack). The same
  // index gives the same stack until Release.
  void* Stack(int index);
  // Gives back the memory of stacks first .. first + count - 1, which no thread runs on any more;
  // they stay mapped (and read as zeros).
  void HandBack(int first, int count);
  // Unmaps every stack: only once no thread runs on one of them any more.
  void Release();

 public:
  static constexpr int kStacksPerBlock = 64;

 private:

  std::size_t stackBytes_;
  std::size_t slotBytes_;  // the stack and its guard page
  std::vector<void*> blocks_;  // mapped blocks of kStacksPerBlock slots; null: not yet mapped
};
