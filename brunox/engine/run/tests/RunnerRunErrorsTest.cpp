// Errors of a run as a whole: kept for RunErrors() (the console summary prints them) and logged.
#include <sys/resource.h>

#include "RunnerTestSupport.h"
#include "platform/Text.h"

namespace runnertest {
namespace {

bool HasErrorStartingWith(const BrunoxRunner& runner, const std::wstring& start) {
  for (const std::wstring& error : runner.RunErrors())
    if (platform::StartsWith(error, start)) return true;
  return false;
}

std::string Joined(const std::vector<std::wstring>& errors) {
  std::wstring all;
  for (const std::wstring& e : errors) all += e + L"\n";
  return platform::ToUtf8(all);
}

TEST_F(RunnerTest, AGoodRunHasNoRunErrors) {
  AddTask(L"one", L"select 1", 2, 2);
  RunProject();
  EXPECT_TRUE(runner_->RunErrors().empty()) << Joined(runner_->RunErrors());
  EXPECT_EQ(4, runner_->TotalExecs);
}

TEST_F(RunnerTest, AnUnknownRunModeIsReportedAndRunsAllTasksTogether) {
  AddTask(L"a", L"select 1", 1, 2);
  AddTask(L"b", L"select 2", 1, 3);
  RunProject(7);
  EXPECT_EQ((std::vector<std::wstring>{L"Unknown run mode 7"}), runner_->RunErrors());
  EXPECT_EQ(5, runner_->TotalExecs);
}

struct MissingNumber {
  const char* name;
  int doType;
  const wchar_t* key;
  const wchar_t* text;
};

class StopRuleWithoutItsNumber : public RunnerTest,
                                 public ::testing::WithParamInterface<MissingNumber> {};

TEST_P(StopRuleWithoutItsNumber, IsReportedAndNothingRuns) {
  const MissingNumber& c = GetParam();
  project_.DoType = c.doType;
  project_.Seconds = project_.EachTasks = project_.AllTasks = project_.AtLeast = L"5";
  std::wstring* field = c.doType == kRunSeconds      ? &project_.Seconds
                        : c.doType == kRunEachTimes  ? &project_.EachTasks
                        : c.doType == kRunAllAtLeast ? &project_.AllTasks
                                                     : &project_.AtLeast;
  *field = c.text;
  AddTask(L"one", L"select 1", 1, 1).SQLBefore = L"create table prologue_ran(x int)";
  const double seconds = RunProject();
  EXPECT_LT(seconds, 2.0);
  ASSERT_EQ(1u, runner_->RunErrors().size());
  const std::wstring& error = runner_->RunErrors()[0];
  EXPECT_NE(std::wstring::npos, error.find(std::wstring(L"needs a positive number in ") + c.key))
      << platform::ToUtf8(error);
  EXPECT_EQ(0, runner_->ThreadsOfLastRun);
  EXPECT_EQ(L"0", Scalar(L"select count(*) from sqlite_master where name = 'prologue_ran'"))
      << "not even the prologue";
}

INSTANTIATE_TEST_SUITE_P(
    Rules, StopRuleWithoutItsNumber,
    ::testing::Values(MissingNumber{"SecondsEmpty", kRunSeconds, L"Seconds", L""},
                      MissingNumber{"SecondsZero", kRunSeconds, L"Seconds", L"0"},
                      MissingNumber{"EachTasksText", kRunEachTimes, L"EachTasks", L"many"},
                      MissingNumber{"AllTasksNegative", kRunAllAtLeast, L"AllTasks", L"-3"},
                      MissingNumber{"AtLeastEmpty", kRunEachAtLeast, L"AtLeast", L""}),
    [](const ::testing::TestParamInfo<MissingNumber>& info) {
      return std::string(info.param.name);
    });

TEST_F(RunnerTest, ARunModeOutsideZeroToFiveIsReportedAndNothingRuns) {
  AddTask(L"one", L"select 1", 1, 1).SQLBefore = L"create table prologue_ran(x int)";
  // Should the run start after all, it is stopped after its first round.
  recorder_.react = [this](const RunEventRecord& e) {
    if (e.code == kRunThreadState && e.b > 0) runner_->Stop = 1;
    return 0;
  };
  for (const int doType : {9, -1}) {
    SCOPED_TRACE(doType);
    project_.DoType = doType;
    RunProject();
    EXPECT_EQ((std::vector<std::wstring>{platform::Format(
                  L"The run mode in DoType must be a number from 0 to 5; it is %d. The run did "
                  L"not start.",
                  doType)}),
              runner_->RunErrors());
    EXPECT_EQ(0, runner_->ThreadsOfLastRun);
    EXPECT_EQ(L"0", Scalar(L"select count(*) from sqlite_master where name = 'prologue_ran'"));
  }
}

TEST_F(RunnerTest, AProjectWithoutAnActiveTaskIsReported) {
  AddTask(L"off", L"select 1", 1, 1).isActive = 0;
  RunProject();
  EXPECT_EQ((std::vector<std::wstring>{L"The project has no active task."}), runner_->RunErrors());
  EXPECT_EQ(0, runner_->ThreadsOfLastRun);
}

TEST_F(RunnerTest, TooFewLinesForTheThreadsIsARunError) {
  Task& task = AddTask(L"lines", L"select '?1'", 3, 1);
  task.TDU = kOneLinePerThread;
  task.File = folder_ + L"/two.txt";
  WriteText(task.File, L"a\nb\n");
  RunProject();
  EXPECT_TRUE(HasErrorStartingWith(
      *runner_, L"File '" + task.File + L"' contains not enough lines (2 of 3)."))
      << Joined(runner_->RunErrors());
}

TEST_F(RunnerTest, MoreThreadsThanOpenFilesIsReportedOnce) {
  rlimit saved{};
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &saved));
  rlimit low = saved;
  low.rlim_cur = 200;
  if (saved.rlim_max < 200) GTEST_SKIP() << "hard limit below 200";
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &low));
  AddTask(L"a", L"select 1", 100, 1);
  AddTask(L"b", L"select 1", 50, 1);
  AddTask(L"inactive", L"select 1", 1000, 1).isActive = 0;
  RunProject();
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(
      (std::vector<std::wstring>{L"150 threads need about 214 open files; the limit is 200."}),
      runner_->RunErrors());
}

}  // namespace
}  // namespace runnertest
