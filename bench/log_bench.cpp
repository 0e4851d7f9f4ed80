// The executed-statement log alone: what one line costs a worker, written as the workers write
// them (BrunoxRunner::LogStatement after every statement), by 1, 8 and 64 threads at once. The
// log goes to /dev/null, so the figures are the program's own work (formatting, the lock, the
// system calls), not the disk's.
//
//   build/bench/bench/log_bench --benchmark_repetitions=3
//
// items_per_second is the combined rate of all threads (real time); with the process's processor
// time measured, the CPU column is the processor time of all threads per line.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/ThreadInfo.h"

namespace {

struct LogSetting {
  Project project;
  Task task;
  std::unique_ptr<BrunoxRunner> runner = std::make_unique<BrunoxRunner>();

  LogSetting() {
    project.SQLFile = L"/dev/null";
    task.Name = L"select one";
    runner->RunProject = &project;
  }
};

LogSetting& Setting() {
  static LogSetting setting;
  return setting;
}

void log_line(benchmark::State& state) {
  LogSetting& setting = Setting();
  ThreadInfo record;
  record.TheTask = &setting.task;
  record.TaskIndex = 0;
  record.ThreadNo = state.thread_index();
  const std::wstring sql = L"select c_id, c_name, c_city from customers where c_id = 4711";
  for (auto _ : state) setting.runner->LogStatement(record, sql, 1, 0.0012, 0.0003);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(log_line)->Threads(1)->Threads(8)->Threads(64)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
