// The largest run: one thread more than a run may have. Registered to run alone (CMakeLists.txt).
#include <sys/resource.h>

#include <cstdio>

#include "RunnerTestSupport.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace runnertest {
namespace {

// The SQLite driver's library, as the test set-up registered it. Connecting by the library path
// spares each of the ten thousand connects a look-up of the installed drivers, which costs most
// of the time of this test under the address sanitizer.
std::wstring SqliteDriverLibrary() {
  std::wstring ini;
  platform::ReadTextFile(testsupport::ScratchFolder() + L"/odbc/odbcinst.ini", ini);
  bool inSection = false;
  for (const std::wstring& line : platform::Split(ini, L'\n')) {
    if (platform::StartsWith(line, L"[")) inSection = line == L"[SQLite3]";
    if (inSection && platform::StartsWith(line, L"Driver=")) return line.substr(7);
  }
  return L"SQLite3";
}

TEST_F(RunnerTest, ThreadLimit) {
  // Every thread holds an open database file while it runs; make room for all of them.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  project_.DefConnection.ConnString =
      L"Driver=" + SqliteDriverLibrary() + L";Database=" + dbFile_ + L";";
  const std::wstring logFile = folder_ + L"/brunox.log";
  CLog::Open(logFile, 0);
  AddTask(L"many", L"select 1", BrunoxRunner::kMaxThreads + 1, 1);
  const double seconds = RunProject();
  CLog::Close();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("[ info ] %d threads: %.1f s, peak memory %.1f MiB\n", runner_->ThreadsOfLastRun,
              seconds, usage.ru_maxrss / 1024.0);
  EXPECT_EQ(BrunoxRunner::kMaxThreads, runner_->ThreadsOfLastRun);
  EXPECT_EQ(BrunoxRunner::kMaxThreads, recorder_.Count(kRunAddThreadRow));
  EXPECT_EQ(BrunoxRunner::kMaxThreads, runner_->TotalExecs);
  std::wstring log;
  ASSERT_TRUE(platform::ReadTextFile(logFile, log));
  EXPECT_NE(std::wstring::npos, log.find(L"Thread limit 10240 exceeds."));
  EXPECT_FALSE(runner_->IsRunning());
}

}  // namespace
}  // namespace runnertest
