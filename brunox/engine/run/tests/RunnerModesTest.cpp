// The three run modes: all tasks together, one after another, group by group; and what carries
// over from one step to the next.
#include "RunnerTestSupport.h"
#include "platform/Text.h"

namespace runnertest {
namespace {

class RunModes : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    Exec(L"create table ev(id integer primary key autoincrement, what varchar(20))");
    project_.SQLFile = folder_ + L"/statements.txt";
  }
  // A task whose prologue and epilogue note themselves in the table ev.
  Task& AddNotingTask(const std::wstring& name, int threads, int execs, int group = 0) {
    Task& task = AddTask(name, L"select '" + name + L"'", threads, execs);
    task.SQLBefore = L"insert into ev(what) values ('" + name + L" before')";
    task.SQLAfter = L"insert into ev(what) values ('" + name + L" after')";
    task.TaskGroup = group;
    return task;
  }
  std::vector<std::wstring> Notes() { return Rows(L"select what from ev order by id"); }
  int StatementLogHeaders() {
    int headers = 0;
    for (const std::wstring& line : CrLfLines(Utf16File(project_.SQLFile)))
      headers += platform::StartsWith(line, L"TaskNo\t") ? 1 : 0;
    return headers;
  }
  // Position of the first AddThreadRow event of task `name`.
  size_t FirstRowOf(const std::wstring& name) {
    const auto events = recorder_.Events();
    for (size_t i = 0; i < events.size(); ++i)
      if (events[i].code == kRunAddThreadRow && events[i].p == name) return i;
    return events.size();
  }
  // Position of the last final state reported from a console row in [firstRow, lastRow].
  size_t LastEndOfRows(int firstRow, int lastRow) {
    const auto events = recorder_.Events();
    size_t last = 0;
    for (size_t i = 0; i < events.size(); ++i)
      if (events[i].code == kRunThreadState && events[i].b < 0 && events[i].a >= firstRow &&
          events[i].a <= lastRow)
        last = i;
    return last;
  }
};

TEST_F(RunModes, AllTogetherPreparesEveryTaskBeforeAnyEpilogue) {
  AddNotingTask(L"A", 2, 3);
  AddNotingTask(L"X", 1, 1).isActive = 0;
  AddNotingTask(L"Z", 0, 1);  // no threads, but its scripts run
  AddNotingTask(L"B", 1, 2);
  RunProject(0);
  EXPECT_EQ((std::vector<std::wstring>{L"A before", L"Z before", L"B before", L"A after",
                                       L"Z after", L"B after"}),
            Notes());
  EXPECT_EQ(3, recorder_.Count(kRunAddThreadRow));
  EXPECT_EQ(8, runner_->TotalExecs);
  EXPECT_EQ(1, StatementLogHeaders());
}

TEST_F(RunModes, OneAfterAnotherRunsEachTaskToItsEndFirst) {
  AddNotingTask(L"A", 2, 3);
  AddNotingTask(L"X", 1, 1).isActive = 0;
  AddNotingTask(L"B", 1, 2);
  RunProject(1);
  EXPECT_EQ((std::vector<std::wstring>{L"A before", L"A after", L"B before", L"B after"}), Notes());
  EXPECT_LT(LastEndOfRows(0, 1), FirstRowOf(L"B")) << "B's threads come after A's have ended";
  EXPECT_EQ(8, runner_->TotalExecs);
  EXPECT_EQ(2, StatementLogHeaders()) << "a header before each step";
}

TEST_F(RunModes, GroupsRunInTurnAndSkipEmptyGroups) {
  AddNotingTask(L"A", 2, 2, 0);
  AddNotingTask(L"B", 1, 3, 3);
  AddNotingTask(L"C", 1, 1, 0);
  AddNotingTask(L"D", 1, 1, 3).isActive = 0;
  RunProject(-1);
  // Prologues when a group is prepared; every epilogue once all groups have run.
  EXPECT_EQ((std::vector<std::wstring>{L"A before", L"C before", L"B before", L"A after",
                                       L"B after", L"C after"}),
            Notes());
  EXPECT_LT(LastEndOfRows(0, 2), FirstRowOf(L"B")) << "group 3 starts after group 0 has ended";
  EXPECT_EQ(8, runner_->TotalExecs);
  EXPECT_EQ(3, StatementLogHeaders()) << "a header with every task prepared";
}

TEST_F(RunModes, AStopRuleEndsTheLaterStepsButNotTheirEpilogues) {
  project_.DoType = kRunAllAtLeast;
  project_.AllTasks = L"10";
  AddNotingTask(L"A", 2, 1);
  AddNotingTask(L"B", 2, 1);
  RunProject(1);
  EXPECT_GE(runner_->TotalExecs, 10);
  EXPECT_EQ(0, runner_->Record(2).Execs);
  EXPECT_EQ(0, runner_->Record(3).Execs);
  EXPECT_EQ((std::vector<std::wstring>{L"A before", L"A after", L"B before", L"B after"}), Notes());
}

}  // namespace
}  // namespace runnertest
