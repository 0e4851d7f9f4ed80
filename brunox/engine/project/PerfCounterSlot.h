#pragma once
// One of a project's five performance-counter slots: what to sample, and the samples of a run.
#include <cstdint>
#include <string>
#include <vector>

struct PerfCounterSlot {
  int Enabled = 0;
  std::wstring Machine;  // computer whose counter is read
  std::wstring Name;     // counter path
  std::wstring Title;    // column and chart title
  std::vector<uint32_t> Samples;    // one value per statistics period
  std::vector<std::wstring> Times;  // "%H:%M:%S" of each sample; only slot 0 keeps them
};
