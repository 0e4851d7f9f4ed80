// Controlling a run from outside (stop, pause, the checks before a run) and what a task asks of
// its threads (delays, priorities, plan capture).
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>

#include "RunnerTestSupport.h"
#include "platform/Text.h"

namespace runnertest {
namespace {

TEST_F(RunnerTest, AskStopWithoutARunAsksNothing) {
  EXPECT_EQ(1, runner_->AskStop());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(RunnerTest, AskStopDuringARunStopsItWhenTheAnswerIsYes) {
  project_.DoType = kRunUntilStopped;
  AddTask(L"endless", L"select 1", 2, 1);
  int asked = 0;
  int answer = -1;
  ui_.answers = {platform::MsgAnswer::No, platform::MsgAnswer::Yes};
  // The window asks from its own thread, between the idle calls of Run.
  recorder_.react = [&](const RunEventRecord& e) {
    if (e.code == kRunIdle && runner_->TotalExecs > 10 && asked < 2) {
      ++asked;
      answer = runner_->AskStop();
      if (asked == 1) {
        EXPECT_EQ(0, answer) << "No goes on";
      }
    }
    return 0;
  };
  RunProject();
  EXPECT_EQ(2, asked);
  EXPECT_EQ(1, answer);
  ASSERT_EQ(2u, ui_.messages.size());
  EXPECT_EQ(L"Break the project execution?", ui_.messages[1].text);
  EXPECT_EQ(L"Warning!", ui_.messages[1].caption);
  EXPECT_EQ(platform::MsgButtons::YesNo, ui_.messages[1].buttons);
  EXPECT_EQ(1, runner_->Stop);
}

TEST_F(RunnerTest, CheckProjectNamesWhatIsMissing) {
  Project empty;
  empty.MainDB = mainDb_;
  EXPECT_EQ(0, runner_->CheckProject(&empty));
  AddTask(L"one", L"select 1", 1, 1);
  EXPECT_EQ(1, runner_->CheckProject(&project_));
  CDB* unconnected = CDB::newDB(0);
  project_.MainDB = unconnected;
  EXPECT_EQ(0, runner_->CheckProject(&project_));
  delete unconnected;
  ASSERT_EQ(2u, ui_.messages.size());
  EXPECT_EQ(L"Your test project is empty.\nPlease add at least one task before execution.",
            ui_.messages[0].text);
  EXPECT_EQ(
      L"You have no active database connection.\nPlease select File->Connect menu item to prepare it.",
      ui_.messages[1].text);
  EXPECT_EQ(platform::MsgIcon::Error, ui_.messages[1].icon);
}

TEST_F(RunnerTest, PausedThreadsWaitAndReportItAThreadStopFlagEndsOneThread) {
  project_.Console = 0;  // console runs cannot be paused
  AddTask(L"pausing", L"select 1", 2, 4);
  std::atomic<int> paused{0};  // both workers report their pauses, every 25 ms
  recorder_.react = [&](const RunEventRecord& e) {
    if (e.code != kRunThreadState) return 0;
    if (e.a == 0 && e.b == 1) runner_->PauseAll = 1;  // first round of the first thread
    if (e.b == kThreadPaused && ++paused == 20) runner_->PauseAll = 0;
    if (e.a == 1 && e.b == 1) runner_->Record(1).Stop = 1;
    return 0;
  };
  RunProject();
  EXPECT_GE(paused.load(), 20);
  EXPECT_EQ(4, runner_->Record(0).Execs) << "a pause only delays";
  EXPECT_LT(runner_->Record(0).MaxTime, 0.1) << "the time paused is no round's time";
  EXPECT_LE(runner_->Record(1).Execs, 1);
  std::map<int, int> finals;  // row -> final state
  for (const RunEventRecord& e : recorder_.Events(kRunThreadState))
    if (e.b < 0 && e.b != kThreadPaused) finals[e.a] = e.b;
  EXPECT_EQ((std::map<int, int>{{0, kThreadFinished}, {1, kThreadStopped}}), finals);
  // "Running" is told at the start and after the pause, not every round: a state moves the
  // version all rows share.
  int running = 0;
  for (const RunEventRecord& e : recorder_.Events(kRunThreadState))
    if (e.a == 0 && e.b == kThreadRunning) ++running;
  EXPECT_EQ(2, running);
}

TEST_F(RunnerTest, DelaysBeforeStatementsBetweenRoundsAndAtTheStart) {
  Task& statements = AddTask(L"statement delays", L"select 1; select 2; select 3", 1, 2);
  statements.UseParser = 1;
  statements.iStmtDelay = 100;  // before the second and the third statement, not the first
  Task& think = AddTask(L"think time", L"select 1", 1, 3);
  think.Delay = 150;
  think.DelayMax = 150;
  Task& start = AddTask(L"start delay", L"select 1", 1, 1);
  start.SQLDelay = 300;
  Task& noThink = AddTask(L"no think time", L"select 1", 1, 5);
  noThink.Delay = 0;
  noThink.DelayMax = 500;
  const double seconds = RunProject();
  EXPECT_GE(runner_->Record(0).MinTime, 0.2);
  EXPECT_LT(runner_->Record(0).MaxTime, 1.0);
  EXPECT_LT(runner_->Record(1).MaxTime, 0.1) << "think time is not execution time";
  EXPECT_LT(runner_->Record(2).MaxTime, 0.1) << "nor is the start delay";
  EXPECT_LT(runner_->Record(3).TotalTime, 0.5) << "no think time with Delay 0";
  EXPECT_GE(seconds, 0.45) << "three rounds with 150 ms think time each";
  EXPECT_EQ(11, runner_->TotalExecs);
}

TEST_F(RunnerTest, RandomStatementDelaysStayInTheirRange) {
  Task& task = AddTask(L"random", L"select 1; select 2", 1, 4);
  task.UseParser = 1;
  task.iStmtDelay = 0;
  task.iStmtDelayMax = 50;  // 0 to 50 ms before every statement, the first included
  RunProject();
  EXPECT_LT(runner_->Record(0).MaxTime, 0.5);
  EXPECT_EQ(4, runner_->Record(0).Execs);
}

TEST_F(RunnerTest, ThreadPrioritiesFollowTheTask) {
  errno = 0;
  const int base = getpriority(PRIO_PROCESS, 0);
  std::mutex mutex;
  std::map<std::wstring, int> nice;  // task -> nice value its worker saw
  recorder_.numberRows = true;
  std::map<int, std::wstring> taskOfRow;
  recorder_.react = [&](const RunEventRecord& e) {
    std::lock_guard lock(mutex);
    if (e.code == kRunThreadState && e.b == 1) nice[taskOfRow[e.a]] = getpriority(PRIO_PROCESS, gettid());
    return 0;
  };
  AddTask(L"low", L"select 1", 1, 1).Priority = kPriorityLow;
  AddTask(L"normal", L"select 1", 1, 1).Priority = kPriorityNormal;
  AddTask(L"high", L"select 1", 1, 1).Priority = kPriorityHigh;
  for (int row = 0; row < 3; ++row) taskOfRow[row] = project_.Tasks[row].Name;
  RunProject();
  EXPECT_EQ(base + 5, nice[L"low"]);
  EXPECT_EQ(base, nice[L"normal"]);
  // Raising a priority needs the right to do so; without it the worker keeps the base value.
  EXPECT_TRUE(nice[L"high"] == base - 5 || nice[L"high"] == base) << nice[L"high"];
}

TEST_F(RunnerTest, PlanCaptureIsTriedOnceForAServerWithoutAPlanDialect) {
  project_.ShowPlan = 1;
  AddTask(L"plan", L"select 1", 3, 2);
  RunProject();
  EXPECT_EQ(0, project_.Tasks[0].PlanWanted) << "taken by the first statement";
  EXPECT_TRUE(project_.Tasks[0].Plan.empty()) << "SQLite has no plan dialect";
  EXPECT_EQ(6, runner_->TotalExecs);
}

TEST_F(RunnerTest, APlanOfAnEarlierRunIsGoneWhenTheNextRunStarts) {
  AddTask(L"planned", L"select 1", 1, 1);
  AddTask(L"inactive", L"select 1", 1, 1).isActive = 0;
  PlanRow captured;
  captured.Columns[0] = L"SCAN";
  for (Task& task : project_.Tasks) task.Plan = {captured};
  RunProject();
  for (const Task& task : project_.Tasks)
    EXPECT_TRUE(task.Plan.empty()) << platform::ToUtf8(task.Name) << ": ShowPlan is off";
}

}  // namespace
}  // namespace runnertest
