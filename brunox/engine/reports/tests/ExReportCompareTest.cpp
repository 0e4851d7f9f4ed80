// The comparison of internal reports: two real runs side by side, the refusal of reports of
// different task counts, and reports that are odd or damaged.
#include "ExReportTestSupport.h"
#include "parlemont/tests/HtmlValidation.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace reporttest {
namespace {

using parlemont_test::ExpectValidHtml;

const std::string kNbsp = "\xc2\xa0";

class CompareReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    AddStandardTasks();
    NameAllReports();
    output_ = InFolder(L"compare.html");
  }
  // One real run whose internal report goes to `name`.
  std::wstring RunInto(const std::wstring& name, const std::wstring& note) {
    project_.ReportIniFile = InFolder(name);
    project_.Note = note;
    RunAndReport();
    return reports_.internal->IniName();
  }
  std::vector<std::string> Row(int row) const {
    return Select(output_, "(//table)[2]//tr[" + std::to_string(row) + "]/*");
  }
  std::wstring output_;
};

TEST_F(CompareReport, TwoRunsSideBySide) {
  const std::wstring first = RunInto(L"first.bnxrep", L"before the index");
  const std::wstring second = RunInto(L"second.bnxrep", L"");
  ExReport report(project_);
  ASSERT_EQ(0, report.CompareReport({first, second}, output_));
  EXPECT_EQ(output_, report.CompareName());
  ExpectValidHtml(output_);

  EXPECT_EQ("Execution Comparison Report", SelectOne(output_, "//h2"));
  EXPECT_EQ((std::vector<std::string>{"Summary", "Comparison Results"}), Select(output_, "//h3"));
  const auto summary = [&](const std::string& name) {
    return SelectOne(output_, "(//table)[1]//tr[td[1]='" + name + "']/td[2]");
  };
  EXPECT_EQ("2", summary("Number of reports to be compared"));
  EXPECT_EQ(platform::ToUtf8(first) + " [ before the index ]", summary("Report #1"));
  EXPECT_EQ(platform::ToUtf8(second), summary("Report #2"));

  EXPECT_EQ((std::vector<std::string>{"Task", "Thread", "Metric", "Unit", "Report #1 Value ",
                                      "Report #2 Value "}),
            Row(1));
  EXPECT_EQ("5%", SelectOne(output_, "(//table)[2]//tr[1]/th[1]/@width"));
  const std::vector<std::string> stamps = Row(2);
  ASSERT_EQ(6u, stamps.size());
  EXPECT_EQ((std::vector<std::string>{kNbsp, kNbsp, "Report timestamp", kNbsp}),
            std::vector<std::string>(stamps.begin(), stamps.begin() + 4));
  EXPECT_EQ("Total job setup time", Row(3)[2]);
  EXPECT_EQ("Second", Row(3)[3]);
  EXPECT_EQ((std::vector<std::string>{"1", kNbsp, "Name", kNbsp, "slow", "slow"}), Row(4));
  EXPECT_EQ((std::vector<std::string>{"1", kNbsp, "Threads", kNbsp, "2", "2"}), Row(5));
  // The runs had failed rounds (task 2's), so every thread has them too.
  const char* metrics[] = {"Thread Executed",    "Average speed",    "Average duration",
                           "Maximum duration",   "Minimum duration", "Connection time",
                           "Disconnection time", "Total duration",   "Failed rounds"};
  const char* units[] = {"Iterations", "Iterations per second", "Seconds", "Seconds", "Seconds",
                         "Seconds",    "Seconds",               "Seconds", "Iterations"};
  for (int k = 0; k < 2; ++k)
    for (int m = 0; m < 9; ++m) {
      const std::vector<std::string> row = Row(6 + 9 * k + m);
      ASSERT_EQ(6u, row.size());
      EXPECT_EQ("1", row[0]);
      EXPECT_EQ(std::to_string(k + 1), row[1]);
      EXPECT_EQ(metrics[m], row[2]);
      EXPECT_EQ(units[m], row[3]);
      EXPECT_FALSE(row[4].empty());
    }
  for (int row : {6, 15}) {
    EXPECT_EQ("2", Row(row)[4]);
    EXPECT_EQ("2", Row(row)[5]);
  }
  // Task 2: its thread never completed an execution, so it has no averages.
  EXPECT_EQ((std::vector<std::string>{"2", kNbsp, "Name", kNbsp, "broken", "broken"}), Row(24));
  EXPECT_EQ((std::vector<std::string>{"2", "1", "Average speed", "Iterations per second", "", ""}),
            Row(27));
  EXPECT_EQ(34u, Select(output_, "(//table)[2]//tr").size());
}

TEST_F(CompareReport, ReportsOfDifferentTaskCountsAreRefused) {
  const std::wstring two = RunInto(L"two.bnxrep", L"");
  project_.Tasks[0].isActive = 1;
  const std::wstring three = RunInto(L"three.bnxrep", L"");
  ExReport report(project_);
  EXPECT_EQ(-1, report.CompareReport({two, three}, output_));
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(L"The reports have different number of tasks and can't be compared",
            ui_.messages[0].text);
  EXPECT_EQ(L"Warning", ui_.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Error, ui_.messages[0].icon);
  EXPECT_FALSE(platform::FileExists(output_));
  // A missing report counts no tasks at all.
  EXPECT_EQ(-1, report.CompareReport({two, InFolder(L"missing.bnxrep")}, output_));
  EXPECT_FALSE(platform::FileExists(output_));
}

TEST_F(CompareReport, TheFirstReportDecidesTheThreadRows) {
  const std::wstring a = InFolder(L"a.bnxrep");
  const std::wstring b = InFolder(L"b.bnxrep");
  runnertest::WriteText(a, L"[Report]\nActiveTasks=1\n[Task1]\nName=x\nThreads=1\nThisCntr1=5\n");
  runnertest::WriteText(b,
                        L"[Report]\nActiveTasks=1\n[Task1]\nName=y\nThreads=3\nThisCntr1=6\n"
                        L"ThisCntr2=7\nThisCntr3=8\n");
  ExReport report(project_);
  ASSERT_EQ(0, report.CompareReport({a, b}, output_));
  ExpectValidHtml(output_);
  EXPECT_EQ(1 + 2 + 2 + 8u, Select(output_, "(//table)[2]//tr").size());
  EXPECT_EQ((std::vector<std::string>{"1", "1", "Thread Executed", "Iterations", "5", "6"}),
            Row(6));
}

TEST_F(CompareReport, DamagedReportsGiveEmptyCellsNotErrors) {
  const std::wstring junk = InFolder(L"junk.bnxrep");
  const std::wstring text = InFolder(L"text.bnxrep");
  runnertest::WriteText(junk, L"\x01\x02 no sections [here\n=\n[Report\nActiveTasks==x\n");
  runnertest::WriteText(text, L"[Report]\nActiveTasks=none\nNote=<b>bold</b> & \"q\"\n");
  ExReport report(project_);
  ASSERT_EQ(0, report.CompareReport({junk, text}, output_));
  ExpectValidHtml(output_);
  EXPECT_EQ(3u, Select(output_, "(//table)[2]//tr").size());
  EXPECT_EQ(platform::ToUtf8(text) + " [ <b>bold</b> & \"q\" ]",
            SelectOne(output_, "(//table)[1]//tr[td[1]='Report #2']/td[2]"));
}

TEST_F(CompareReport, SharedLabelsReachTheComparison) {
  WriteProfile({L"AvgSpeed=Tempo", L"CmpReport=Vergleich"});
  const std::wstring one = RunInto(L"one.bnxrep", L"");
  ExReport report(project_);
  ASSERT_EQ(0, report.CompareReport({one}, output_));
  EXPECT_EQ("Vergleich", SelectOne(output_, "//h2"));
  EXPECT_EQ("Tempo", Row(7)[2]);
  EXPECT_EQ(-1, report.CompareReport({one}, InFolder(L"missing/compare.html")));
  EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace reporttest
