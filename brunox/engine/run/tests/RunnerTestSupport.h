#pragma once
// Shared pieces of the runner tests: a project on a fresh SQLite file (or the PostgreSQL test
// server), a callback that records every event, and small query helpers.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "kavra/CDB.h"
#include "testsupport/RecordingUi.h"

namespace runnertest {

struct RunEventRecord {
  int code;
  int a;
  int b;
  std::wstring p;
  std::wstring s;
};

// A RunCallback that keeps every event (from any thread). `react` may answer an event (its
// result is returned) or act on it, e.g. set the runner's stop flag.
class EventRecorder {
 public:
  RunCallback Callback();
  std::vector<RunEventRecord> Events() const;
  std::vector<RunEventRecord> Events(int code) const;
  int Count(int code) const;
  std::function<int(const RunEventRecord&)> react;
  // The row handed out for each kRunAddThreadRow: 0, 1, 2, ... in order.
  bool numberRows = true;

 private:
  mutable std::mutex mutex_;
  std::vector<RunEventRecord> events_;
  int nextRow_ = 0;
};

CONN_INFO SqliteInfo(const std::wstring& file);
CONN_INFO PostgresInfo();

// A project whose main connection is `info`, with a recording callback and the run settings a
// console run would have.
class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Connects the main connection (SQLite by default); false after a failed assertion.
  void UseMainConnection(const CONN_INFO& info);
  Task& AddTask(const std::wstring& name, const std::wstring& sql, int threads, int execCntr);
  // Runs the project on the fixture's runner; returns the seconds the run took.
  double RunProject(int runMode = 0);

  // A value of the first column of the first row of `sql` on the main connection ("" when none).
  std::wstring Scalar(const std::wstring& sql);
  int ScalarInt(const std::wstring& sql);
  // Every row of `sql`, columns joined with '|'.
  std::vector<std::wstring> Rows(const std::wstring& sql);
  void Exec(const std::wstring& sql);

  std::wstring folder_;  // the test's private folder
  std::wstring dbFile_;
  CONN_INFO mainInfo_;
  CDB* mainDb_ = nullptr;
  Project project_;
  EventRecorder recorder_;
  testsupport::RecordingUi ui_;
  std::unique_ptr<BrunoxRunner> runner_ = std::make_unique<BrunoxRunner>();
};

// Reads a whole file as bytes ("" when missing).
std::string FileBytes(const std::wstring& path);
// A UTF-16LE file (with or without BOM) as text.
std::wstring Utf16File(const std::wstring& path);
// Writes text as UTF-8 (no BOM).
void WriteText(const std::wstring& path, const std::wstring& text);
// Lines of a text, split at CR LF (the last, empty piece after a final CR LF dropped).
std::vector<std::wstring> CrLfLines(const std::wstring& text);

}  // namespace runnertest
