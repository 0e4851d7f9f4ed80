// The HTML execution report of a real run: its structure, its switches and labels, and clean HTML
// whatever the names and texts of the project hold.
#include <regex>

#include "ExReportTestSupport.h"
#include "kavra/DbmsCodes.h"
#include "mervis/SysReg.h"
#include "parlemont/tests/HtmlValidation.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace reporttest {
namespace {

using parlemont_test::ExpectValidHtml;

const std::regex kSeconds(R"( *\d+\.\d{4})");
const std::string kNbsp = "\xc2\xa0";

std::string Fixed(double v) { return platform::ToUtf8(platform::Format(L"%7.4f", v)); }

class ExecutionReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    AddStandardTasks();
    NameAllReports();
  }
  std::wstring Html() const { return reports_.execution->HtmlName(); }
  // The value cell of the row named `name` in the n-th table of the page.
  std::string Row(int table, const std::string& name) const {
    return SelectOne(Html(),
                     "(//table)[" + std::to_string(table) + "]//tr[td[1]='" + name + "']/td[2]");
  }
  std::vector<std::string> Cells(int table, int row, const char* cell = "td") const {
    return Select(Html(), "(//table)[" + std::to_string(table) + "]//tr[" + std::to_string(row) +
                              "]/" + cell);
  }
  // Writes the execution report of the run again (after a change of settings or project).
  void Rewrite() { reports_.execution->Report(*runner_); }
};

TEST_F(ExecutionReport, OneSectionPerActiveTaskNumberedByItsPosition) {
  project_.Note = L"Nightly <load> & \"stress\"";
  project_.Tasks[2].SQL = L"select * from \"no<such>&'table'\"";
  RunAndReport();
  ExpectValidHtml(Html());

  EXPECT_EQ("Brunox Test Execution Report", SelectOne(Html(), "//h2"));
  EXPECT_EQ((std::vector<std::string>{"Summary", "Task #2 \"slow\"", "Task #3 \"broken\""}),
            Select(Html(), "//h3"));
  // Summary, then per task its properties and its metrics (no plans were captured).
  ASSERT_EQ(5u, Select(Html(), "//table").size());

  EXPECT_EQ((std::vector<std::string>{"Property", "Value"}), Cells(1, 1, "th"));
  EXPECT_EQ("Nightly <load> & \"stress\"", Row(1, "Project"));
  EXPECT_EQ("2 of 3", Row(1, "Active (enabled) Tasks in the Project"));
  EXPECT_EQ("By individual task properties, concurrent mode", Row(1, "Execution Mode"));
  EXPECT_TRUE(std::regex_match(Row(1, "Project Initialization Time, seconds"), kSeconds));
  EXPECT_TRUE(std::regex_match(Row(1, "Total Project Execution Time, seconds"), kSeconds));
  EXPECT_EQ(platform::ToUtf8(mainDb_->ConInfo(1, 1)), Row(1, "Default Database Connection"));
  EXPECT_EQ(0u, Row(1, "Database System and Version").rfind("SQLite", 0));
  EXPECT_EQ("Ovra DB Brunox version", SelectOne(Html(), "(//table)[1]//tr[4]/td[1]"));

  // Task 2's threads are the first records of the run: the inactive task has none.
  EXPECT_EQ("2", Row(2, "Number of Concurrent Threads"));
  EXPECT_EQ(platform::ToUtf8(project_.Tasks[1].SQL), Row(2, "SQL script"));
  EXPECT_EQ("Normal", Row(2, "Task Priority"));
  EXPECT_TRUE(std::regex_match(Row(2, "Task Initialization Time, seconds"), kSeconds));
  EXPECT_EQ(Fixed(runner_->Record(0).TotalTime + runner_->Record(1).TotalTime),
            Row(2, "Total Task Duration, seconds"));
  EXPECT_EQ("select * from \"no<such>&'table'\"", Row(4, "SQL script"));

  // Task 3's failed round gives every thread of the run the last column.
  EXPECT_EQ((std::vector<std::string>{
                "ThreadNo", "Executed,times", "Average Speed,iterations/second",
                "Average Duration,Seconds", "Max Duration,Seconds", "Min Duration,Seconds",
                "Connect Time,Seconds", "Disconnect Time", "Total Duration,Seconds",
                "Failed rounds"}),
            Cells(3, 1, "th"));
  for (int j = 0; j < 2; ++j) {
    SCOPED_TRACE(j);
    const ThreadInfo& r = runner_->Record(j);
    ASSERT_GT(r.TotalTime, 0.01);
    EXPECT_EQ(
        (std::vector<std::string>{std::to_string(j + 1), "2", Fixed(2 / r.TotalTime),
                                  Fixed(r.TotalTime / 2), Fixed(r.MaxTime), Fixed(r.MinTime),
                                  Fixed(r.ConnectTime), Fixed(r.CloseTime), Fixed(r.TotalTime), "0"}),
        Cells(3, j + 2));
  }
  // The failing thread ended without an execution: no averages.
  const std::vector<std::string> broken = Cells(5, 2);
  ASSERT_EQ(10u, broken.size());
  EXPECT_EQ("1", broken[0]);
  EXPECT_EQ("0", broken[1]);
  EXPECT_EQ("N/A", broken[2]);
  EXPECT_EQ("N/A", broken[3]);
  EXPECT_EQ("N/A", broken[5]) << "no shortest round without a round";
  EXPECT_EQ(Fixed(runner_->Record(2).TotalTime), broken[8]);
  EXPECT_EQ("1", broken[9]);
}

// The reports of a run without failed rounds, all values fixed but the time of writing and the
// program version: the bytes of the stored expectation.
TEST_F(ExecutionReport, ACleanRunWritesTheStoredBytes) {
  project_.Tasks[2].Name = L"mended";
  project_.Tasks[2].SQL = L"select 2";
  project_.Note = L"golden";
  RunProject();
  ASSERT_EQ(0, runner_->FailedRounds.load());
  for (int i = 0; i < runner_->ThreadsOfLastRun; ++i) {
    ThreadInfo& r = runner_->Record(i);
    r.Execs = 2 + i;
    r.ConnectTime = 0.125 + i;
    r.CloseTime = 0.0625 + i;
    r.MaxTime = 0.5 + i;
    r.MinTime = 0.25 + i;
    r.TotalTime = 1.5 + i;
    r.StmtTime = 1.25 + i;
    r.FetchTime = 0.03125 + i;
  }
  project_.Tasks[1].SetupTime = 0.75;
  project_.Tasks[2].SetupTime = 0.375;
  project_.MainDB = nullptr;
  project_.DefConnection = CONN_INFO();
  project_.DefConnection.Kind = CONN_STRING;
  project_.DefConnection.ConnString = L"Driver=Golden;Database=golden;";
  runner_->Timer.Start();
  runner_->Timer.Stop();
  WriteRunReports(*runner_, project_, reports_);

  const std::regex time(R"(\d\d-[A-Z][a-z][a-z]-\d{4} \d\d:\d\d:\d\d)");
  const std::regex version("(Brunox version</td><td>)[^<]*");
  // The one value of the run's own clock.
  const std::regex elapsed("(Total Project Execution Time, seconds</td><td>)[^<]*");
  const auto normalised = [&](const std::wstring& path) {
    std::string bytes = std::regex_replace(runnertest::FileBytes(path), time, "@TIME@");
    bytes = std::regex_replace(bytes, version, "$1@VERSION@");
    return std::regex_replace(bytes, elapsed, "$1@SECONDS@");
  };
  const std::wstring golden = platform::FromUtf8(BRUNOX_ENGINE_TEST_DATA) + L"/clean_run_report";
  for (const wchar_t* kind : {L".html", L".txt", L".bnxrep"}) {
    SCOPED_TRACE(platform::ToUtf8(kind));
    const std::string expected = runnertest::FileBytes(golden + kind + L".golden");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, normalised(InFolder(std::wstring(L"run") + kind)));
  }
}

// A task whose every round fails executes nothing; its rounds still show, in every report.
TEST_F(ExecutionReport, FailedRoundsEndEachThreadsRowInEveryReport) {
  project_.StopOnError = 0;
  project_.Tasks[2].ExecCntr = 4;
  RunAndReport();
  ASSERT_EQ(4, runner_->Record(2).FailedRounds.load());
  EXPECT_EQ("Failed rounds", Cells(3, 1, "th").back());
  EXPECT_EQ("0", Cells(3, 2).back());
  EXPECT_EQ("0", Cells(5, 2)[1]) << "executed";
  EXPECT_EQ("4", Cells(5, 2).back());

  const std::string text = runnertest::FileBytes(project_.ReportTxtFile);
  EXPECT_NE(std::string::npos, text.find("\tConnection\tFailed rounds\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find(";\t4\r\n")) << text;

  CSysReg ini(project_.ReportIniFile);
  ini.Section(L"Task1");
  EXPECT_EQ(L"0", ini.Read(L"FailedRounds2", L""));
  ini.Section(L"Task2");
  EXPECT_EQ(L"4", ini.Read(L"FailedRounds1", L""));
  EXPECT_EQ(L"FailedRounds1", ini.Keys().back());

  // Compared with a report of a run without them, the row is there with an empty cell.
  const std::wstring clean = InFolder(L"clean.bnxrep");
  runnertest::WriteText(clean, L"[Report]\nActiveTasks=2\n[Task1]\nThreads=2\n[Task2]\nThreads=1\n");
  const std::wstring compared = InFolder(L"compare.html");
  ExReport report(project_);
  ASSERT_EQ(0, report.CompareReport({clean, project_.ReportIniFile}, compared));
  EXPECT_EQ((std::vector<std::string>{"2", "1", "Failed rounds", "Iterations", "", "4"}),
            Select(compared, "(//table)[2]//tr[td[3]='Failed rounds'][last()]/td"));
}

TEST_F(ExecutionReport, RunModeTexts) {
  RunAndReport();
  struct Case {
    int doType;
    int runMode;
    const char* text;
  };
  project_.Seconds = L"30";
  project_.EachTasks = L"7";
  project_.AllTasks = L"1000";
  project_.AtLeast = L"3";
  const Case cases[] = {
      {kRunUntilStopped, 0, "While 'Stop' is not pressed, concurrent mode"},
      {kRunByTaskCounts, 1, "By individual task properties, sequentially execution"},
      {kRunSeconds, -1, "30 seconds, by group execution"},
      {kRunEachTimes, 0, "Run each thread 7 times, concurrent mode"},
      {kRunAllAtLeast, 0, "Run at least 1000 times for all threads, concurrent mode"},
      {kRunEachAtLeast, 0, "Run each thread at least 3 times, concurrent mode"},
      {kRunByTaskCounts, 7, "By individual task properties, "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    project_.DoType = c.doType;
    runner_->RunMode = c.runMode;
    Rewrite();
    EXPECT_EQ(c.text, Row(1, "Execution Mode"));
  }
}

TEST_F(ExecutionReport, ASwitchedOffColumnIsAbsent) {
  RunAndReport();
  const std::vector<std::string> all = Cells(3, 1, "th");
  const std::vector<std::string> allRow = Cells(3, 2);
  const wchar_t* switches[] = {L"rbExecuted",    L"rbAvgSpeed", L"rbAvgDuration", L"rbMaxDuration",
                               L"rbMinDuration", L"rbConnect",  L"rbDisconnect",  L"rbDuration"};
  for (size_t i = 0; i < std::size(switches); ++i) {
    SCOPED_TRACE(platform::ToUtf8(switches[i]));
    settings_->setInt(kStoreReport, switches[i], 0);
    Rewrite();
    std::vector<std::string> header = all;
    std::vector<std::string> row = allRow;
    header.erase(header.begin() + 1 + static_cast<long>(i));
    row.erase(row.begin() + 1 + static_cast<long>(i));
    EXPECT_EQ(header, Cells(3, 1, "th"));
    EXPECT_EQ(row, Cells(3, 2));
    settings_->setInt(kStoreReport, switches[i], 1);
  }
  for (const wchar_t* key : switches) settings_->setInt(kStoreReport, key, 0);
  Rewrite();
  EXPECT_EQ((std::vector<std::string>{"ThreadNo", "Failed rounds"}), Cells(3, 1, "th"));
  EXPECT_EQ((std::vector<std::string>{"1", "0"}), Cells(3, 2));
  ExpectValidHtml(Html());
}

TEST_F(ExecutionReport, PropertyRowsFollowTheirSwitches) {
  project_.Tasks[1].SQLBefore = L"select 1";
  project_.Tasks[1].Priority = kPriorityHigh;
  RunAndReport();
  EXPECT_EQ("High", Row(2, "Task Priority"));
  EXPECT_EQ("select 1", Row(2, "Prologue SQL script"));
  EXPECT_EQ("<none>", Row(2, "Epilogue SQL script"));
  for (const wchar_t* key : {L"RepShowSQL", L"rbTaskPriority", L"rbTaskInit", L"rbTaskTotal"})
    settings_->setInt(kStoreReport, key, 0);
  Rewrite();
  EXPECT_EQ((std::vector<std::string>{"Number of Concurrent Threads"}),
            Select(Html(), "(//table)[2]//tr/td[1]"));
}

TEST_F(ExecutionReport, LabelProfileRewordsTheReportAndLongLabelsAreCut) {
  const std::wstring longLabel(300, L'S');
  WriteProfile({L"ExMode=Modus der Ausf\u00fchrung", L"AvgSpeed=Tempo", L"Summary=" + longLabel,
                L"NSeconds=no number here"});
  project_.DoType = kRunByTaskCounts;
  RunAndReport();
  const std::string exMode = platform::ToUtf8(L"Modus der Ausf\u00fchrung");
  EXPECT_EQ("By individual task properties, concurrent mode", Row(1, exMode));
  const std::vector<std::string> header = Cells(3, 1, "th");
  ASSERT_EQ(10u, header.size());
  EXPECT_EQ("Tempo,iterations/second", header[2]);
  EXPECT_EQ(std::string(254, 'S'), SelectOne(Html(), "(//h3)[1]"));
  // A profile text that cannot take the value falls back to the built-in one.
  project_.DoType = kRunSeconds;
  project_.Seconds = L"5";
  Rewrite();
  EXPECT_EQ("5 seconds, concurrent mode", Row(1, exMode));
}

TEST_F(ExecutionReport, PlanOfTheShowplanDialect) {
  RunAndReport();
  Task& task = project_.Tasks[1];
  PlanRow row;
  row.Columns = {L"select <x> & y", L"Index Seek", L"",   L"1",
                 L"0.003",          L"0.0001",     L"15", L"0.0032"};
  task.Plan = {row};
  mainDb_->DBMS = DBMS_MSSQL;
  Rewrite();
  ExpectValidHtml(Html());
  EXPECT_EQ((std::vector<std::string>{"Summary", "Task #2 \"slow\"", "Task #2 execution plan",
                                      "Task #2 metrics", "Task #3 \"broken\""}),
            Select(Html(), "//h3"));
  EXPECT_EQ((std::vector<std::string>{"Statement Text", "Physical Operation", "Logical Operation",
                                      "Estimate Rows", "Estimate IO", "Estimate CPU",
                                      "Average Row Size", "Subtree Cost"}),
            Cells(3, 1, "th"));
  EXPECT_EQ((std::vector<std::string>{"select <x> & y", "Index Seek", kNbsp, "1", "0.003", "0.0001",
                                      "15", "0.0032"}),
            Cells(3, 2));
  EXPECT_EQ("ThreadNo", Cells(4, 1, "th")[0]);
}

TEST_F(ExecutionReport, PlanOfThePlanTableDialect) {
  RunAndReport();
  PlanRow full;
  full.Columns = {L"TABLE ACCESS", L"FULL", L"SCOTT", L"EMP", L"E", L"", L"", L""};
  PlanRow bare;
  bare.Columns = {L"SELECT STATEMENT", L"", L"", L"", L"", L"", L"", L""};
  project_.Tasks[1].Plan = {bare, full};
  mainDb_->DBMS = DBMS_ORACLE;
  Rewrite();
  ExpectValidHtml(Html());
  EXPECT_EQ((std::vector<std::string>{"Operation", "Option", "Object"}), Cells(3, 1, "th"));
  EXPECT_EQ((std::vector<std::string>{"SELECT STATEMENT", kNbsp}), Cells(3, 2));
  EXPECT_EQ((std::vector<std::string>{"TABLE ACCESS", "FULL", "SCOTT.EMP [E]"}), Cells(3, 3));
}

TEST_F(ExecutionReport, NonLatinNamesInALatin1Page) {
  settings_->setStr(kStoreReport, L"HtmlCharset", L"iso-8859-1");
  project_.Note = L"\u041f\u0440\u043e\u0435\u043a\u0442 \u65e5\u672c \u00e9t\u00e9";
  project_.Tasks[1].Name = L"\u0417\u0430\u0434\u0430\u0447\u0430";
  RunAndReport();
  ExpectValidHtml(Html());
  const std::string bytes = runnertest::FileBytes(Html());
  EXPECT_NE(std::string::npos, bytes.find("charset=iso-8859-1"));
  EXPECT_NE(std::string::npos, bytes.find("&#1047;"));    // a character Latin-1 lacks
  EXPECT_NE(std::string::npos, bytes.find("\xe9t\xe9"));  // one it has, as a single byte
  EXPECT_EQ(platform::ToUtf8(L"Task #2 \"\u0417\u0430\u0434\u0430\u0447\u0430\""),
            Select(Html(), "//h3")[1]);
  EXPECT_EQ(platform::ToUtf8(project_.Note), Row(1, "Project"));
}

TEST_F(ExecutionReport, WithoutSettingsTheRegisteredDefaultsApply) {
  RunProject();
  g_settings = nullptr;
  ExReport report(project_);
  report.Report(*runner_);
  ExpectValidHtml(report.HtmlName());
  EXPECT_EQ("Brunox Test Execution Report", SelectOne(report.HtmlName(), "//h2"));
  EXPECT_NE(std::string::npos,
            runnertest::FileBytes(report.HtmlName()).find("charset=iso-8859-1"));
  EXPECT_EQ(10u, Select(report.HtmlName(), "(//table)[3]//tr[1]/th").size());
}

TEST_F(ExecutionReport, NothingWithoutReportNames) {
  project_.ReportFile.clear();
  project_.ReportTxtFile.clear();
  RunAndReport();
  EXPECT_FALSE(platform::FileExists(InFolder(L"run.html")));
  EXPECT_FALSE(platform::FileExists(InFolder(L"run.txt")));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ExecutionReport, AnHtmlFileThatCannotBeMadeKeepsTheTextReportAndIsNamed) {
  project_.ReportFile = InFolder(L"missing/run.html");
  RunAndReport();
  EXPECT_EQ(-1, reports_.execution->Report(*runner_)) << "the writer says it failed";
  const std::vector<ReportFailure>& failures = reports_.execution->Failures();
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(project_.ReportFile, failures[0].file);
  EXPECT_EQ(L"Could not write the report file '" + project_.ReportFile +
                L"': No such file or directory.",
            failures[0].text);
  EXPECT_TRUE(ui_.messages.empty()) << "the window tells, once for every file";
  EXPECT_FALSE(platform::FileExists(project_.ReportFile));
  // The text report is written whole all the same.
  const std::string text = runnertest::FileBytes(project_.ReportTxtFile);
  EXPECT_EQ(0u, text.rfind("TaskNo\t", 0));
  EXPECT_NE(std::string::npos, text.find("3\tbroken\t1\t")) << text;
  // The next pass begins afresh.
  project_.ReportFile = InFolder(L"run.html");
  EXPECT_EQ(0, reports_.execution->Report(*runner_));
  EXPECT_TRUE(reports_.execution->Failures().empty());
  ExpectValidHtml(Html());
}

TEST_F(ExecutionReport, OpenInShellOpensWhatWasWritten) {
  ExReport report(project_);
  report.OpenInShell(ExReport::kHtmlReport);
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(L"View Execution Report", ui_.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Error, ui_.messages[0].icon);

  project_.OpenReport = 1;
  RunAndReport();
  ASSERT_EQ(1u, ui_.started.size());
  EXPECT_EQ(std::vector<std::wstring>{InFolder(L"run.html")}, ui_.started[0].second);
  reports_.execution->OpenInShell(ExReport::kTextReport);
  reports_.counters->OpenInShell(ExReport::kCountersReport);
  ASSERT_EQ(3u, ui_.started.size());
  EXPECT_EQ(std::vector<std::wstring>{InFolder(L"run.txt")}, ui_.started[1].second);
  EXPECT_EQ(std::vector<std::wstring>{InFolder(L"counters.html")}, ui_.started[2].second);
  reports_.execution->OpenInShell(1);
  EXPECT_EQ(2u, ui_.messages.size());
}

}  // namespace
}  // namespace reporttest
