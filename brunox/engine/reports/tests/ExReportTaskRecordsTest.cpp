// Every thread's numbers land on its own task in every report, also when a task before it started
// fewer threads than its Threads (here none: its own connection fails).
#include "ExReportTestSupport.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"

namespace reporttest {
namespace {

std::string Fixed(double v) { return platform::ToUtf8(platform::Format(L"%7.4f", v)); }

class TaskRecords : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    NameAllReports();
    Task& lost = AddTask(L"lost", L"select 1", 2, 5);
    lost.DefConnect = 0;
    lost.TaskCon.Kind = CONN_STRING;
    lost.TaskCon.ConnString = L"Driver=NoSuchDriver;Database=x;";
    AddTask(L"runs", L"select 1", 2, 3);
  }
  void RunAndCheck() {
    RunAndReport();
    ASSERT_EQ(2, runner_->ThreadsOfLastRun) << "only the second task started threads";
    ASSERT_EQ(1, runner_->Record(0).TaskIndex);
  }
  std::wstring Html() const { return reports_.execution->HtmlName(); }
  // The cells of row `row` (1 = the header) of the n-th table of the execution report.
  std::vector<std::string> Cells(int table, int row) const {
    return Select(Html(), "(//table)[" + std::to_string(table) + "]//tr[" + std::to_string(row) +
                              "]/td");
  }
  std::string PropertyRow(int table, const std::string& name) const {
    return SelectOne(Html(),
                     "(//table)[" + std::to_string(table) + "]//tr[td[1]='" + name + "']/td[2]");
  }
};

TEST_F(TaskRecords, HtmlAndTextReportsKeepTheNumbersOnTheirTask) {
  RunAndCheck();
  EXPECT_EQ((std::vector<std::string>{"Summary", "Task #1 \"lost\"", "Task #2 \"runs\""}),
            Select(Html(), "//h3"));
  // Tables: the summary, then properties and metrics of "lost", then of "runs".
  for (int row : {2, 3}) {
    SCOPED_TRACE(row);
    const std::vector<std::string> lost = Cells(3, row);
    ASSERT_EQ(9u, lost.size());
    EXPECT_EQ("0", lost[1]) << "the task that never started has no executions";
    EXPECT_EQ("N/A", lost[2]);
    const std::vector<std::string> runs = Cells(5, row);
    ASSERT_EQ(9u, runs.size());
    EXPECT_EQ(std::to_string(row - 1), runs[0]);
    EXPECT_EQ("3", runs[1]);
    EXPECT_EQ(Fixed(runner_->Record(row - 2).TotalTime), runs[8]);
  }
  EXPECT_EQ(Fixed(0), PropertyRow(2, "Total Task Duration, seconds"));
  EXPECT_EQ(Fixed(runner_->Record(0).TotalTime + runner_->Record(1).TotalTime),
            PropertyRow(4, "Total Task Duration, seconds"));

  const std::string text = runnertest::FileBytes(reports_.execution->TextName());
  const std::vector<std::wstring> lines = runnertest::CrLfLines(platform::FromUtf8(text));
  ASSERT_EQ(5u, lines.size());
  EXPECT_TRUE(platform::StartsWith(lines[1], L"1\tlost\t1\t0\tN/A\t"));
  EXPECT_TRUE(platform::StartsWith(lines[2], L"1\tlost\t2\t0\tN/A\t"));
  EXPECT_TRUE(platform::StartsWith(lines[3], L"2\truns\t1\t3\t"));
  EXPECT_TRUE(platform::StartsWith(lines[4], L"2\truns\t2\t3\t"));
}

TEST_F(TaskRecords, InternalReportAndComparisonKeepTheNumbersOnTheirTask) {
  RunAndCheck();
  const std::wstring first = reports_.internal->IniName();
  CSysReg ini(first);
  ini.Section(L"Task1");
  EXPECT_EQ(L"lost", ini.Read(L"Name", L""));
  EXPECT_EQ(L"0", ini.Read(L"ThisCntr1", L""));
  EXPECT_EQ(L"0", ini.Read(L"ThisCntr2", L""));
  EXPECT_EQ(L"", ini.Read(L"AvgSpeed1", L""));
  ini.Section(L"Task2");
  EXPECT_EQ(L"runs", ini.Read(L"Name", L""));
  EXPECT_EQ(L"3", ini.Read(L"ThisCntr1", L""));
  EXPECT_EQ(L"3", ini.Read(L"ThisCntr2", L""));
  EXPECT_EQ(platform::Format(L"%5.4f", runner_->Record(1).TotalTime),
            ini.Read(L"SumSeconds2", L""));

  project_.ReportIniFile = InFolder(L"second.bnxrep");
  RunAndCheck();
  const std::wstring output = InFolder(L"compare.html");
  ExReport report(project_);
  ASSERT_EQ(0, report.CompareReport({first, reports_.internal->IniName()}, output));
  const auto executed = [&](int task, int thread) {
    return Select(output, "(//table)[2]//tr[td[1]='" + std::to_string(task) + "' and td[2]='" +
                              std::to_string(thread) + "' and td[3]='Thread Executed']/td[position()>4]");
  };
  EXPECT_EQ((std::vector<std::string>{"0", "0"}), executed(1, 1));
  EXPECT_EQ((std::vector<std::string>{"0", "0"}), executed(1, 2));
  EXPECT_EQ((std::vector<std::string>{"3", "3"}), executed(2, 1));
  EXPECT_EQ((std::vector<std::string>{"3", "3"}), executed(2, 2));
}

}  // namespace
}  // namespace reporttest
