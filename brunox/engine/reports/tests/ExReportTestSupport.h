#pragma once
// Shared pieces of the report tests: a real run on SQLite of a project whose first task is
// inactive and whose two active tasks give one thread with averages and one without, report
// settings of their own, and readers of the written pages.
#include <memory>
#include <string>
#include <vector>

#include "brunox/engine/run/tests/RunnerTestSupport.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/settings/SettingsStores.h"

namespace reporttest {

class ReportTest : public runnertest::RunnerTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Task 1 "idle" (inactive, 3 threads), task 2 "slow" (2 threads, 2 rounds of a query that
  // takes well over 0.01 s) and task 3 "broken" (1 thread whose statement fails, so it ends
  // without an execution).
  void AddStandardTasks();
  // The report file names of the project, in the test's folder.
  void NameAllReports();
  // Runs the project and writes the execution, counters and internal reports.
  void RunAndReport(int runMode = 0);

  std::wstring InFolder(const std::wstring& name) const { return folder_ + L"/" + name; }
  // Writes the label profile with the lines given ("Key=Text").
  void WriteProfile(const std::vector<std::wstring>& lines);

  std::unique_ptr<CSettings> settings_;
  std::wstring profile_;
  RunReports reports_;
};

// The string values at `xpath` in the page at `path`.
std::vector<std::string> Select(const std::wstring& path, const std::string& xpath);
// The single value at `xpath`; "<none>" or "<N values>" otherwise, so a mismatch reads well.
std::string SelectOne(const std::wstring& path, const std::string& xpath);

// Text of a page's cells with blanks collapsed (a <br> shows as nothing between words).
std::string Squeeze(const std::string& text);

}  // namespace reporttest
