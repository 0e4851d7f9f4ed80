// The tab-separated text report of a real run, byte for byte where the values are fixed.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <regex>

#include "ExReportTestSupport.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace reporttest {
namespace {

const std::string kHeader =
    "TaskNo\tTaskName\tThread\tExecuted\tAverage Speed\tAverage Duration\tMax Duration\t"
    "Min Duration\tConnect Time\tDisconnect Time\tConnection";
// The standard run has a failed round (its failing task's), so every line ends with them.
const std::string kFailed = "\tFailed rounds";
const std::string kNumber = R"( *\d+\.\d{4})";

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  EXPECT_EQ(start, bytes.size()) << "every line ends with CR LF";
  return lines;
}

std::string Quoted(const std::string& text) {
  return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

class TextReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    AddStandardTasks();
    NameAllReports();
  }
  std::vector<std::string> ReportLines() {
    return Lines(runnertest::FileBytes(reports_.execution->TextName()));
  }
  std::string Connection() const { return platform::ToUtf8(project_.DefConnection.ConInfo()); }
};

TEST_F(TextReport, OneLinePerThreadOfTheActiveTasks) {
  RunAndReport();
  const std::vector<std::string> lines = ReportLines();
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(kHeader + kFailed, lines[0]);
  const std::regex slow("2\tslow\t[12]\t2(\t" + kNumber + "){6}\t" + Quoted(Connection()) +
                        "\t0");
  EXPECT_TRUE(std::regex_match(lines[1], slow)) << lines[1];
  EXPECT_TRUE(std::regex_match(lines[2], slow)) << lines[2];
  EXPECT_EQ(0u, lines[1].rfind("2\tslow\t1\t", 0));
  EXPECT_EQ(0u, lines[2].rfind("2\tslow\t2\t", 0));
  // No execution: no averages and no shortest round.
  EXPECT_TRUE(std::regex_match(lines[3],
                               std::regex("3\tbroken\t1\t0\tN/A\tN/A\t 0\\.0000\t"
                                          "N/A\t" +
                                          kNumber + "\t" + kNumber + "\t" + Quoted(Connection()) +
                                          "\t1")))
      << lines[3];
}

TEST_F(TextReport, CarriesEveryMetricWhateverTheSwitchesAndLabels) {
  WriteProfile({L"AvgSpeed=Tempo"});
  for (const wchar_t* key : {L"rbExecuted", L"rbAvgSpeed", L"rbAvgDuration", L"rbMaxDuration",
                             L"rbMinDuration", L"rbDuration", L"rbConnect", L"rbDisconnect"})
    settings_->setInt(kStoreReport, key, 0);
  RunAndReport();
  const std::vector<std::string> lines = ReportLines();
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(std::regex_replace(kHeader, std::regex("Average Speed"), "Tempo") + kFailed, lines[0]);
  for (size_t i = 1; i < lines.size(); ++i)
    EXPECT_EQ(11, std::count(lines[i].begin(), lines[i].end(), '\t')) << lines[i];
}

TEST_F(TextReport, LongLinesAreWrittenWholeInUtf8) {
  // Far beyond the 8191 bytes a line once had to fit in.
  const std::wstring name = L"\u0417\u0430\u0434\u0430\u0447\u0430 " + std::wstring(9000, L'x');
  project_.Tasks[2].Name = name;
  RunAndReport();
  const std::string bytes = runnertest::FileBytes(reports_.execution->TextName());
  ASSERT_FALSE(bytes.empty());
  EXPECT_NE('\xef', bytes[0]) << "no byte-order mark";
  const std::vector<std::string> lines = Lines(bytes);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(0u, lines[3].rfind("3\t" + platform::ToUtf8(name) + "\t1\t0\tN/A\tN/A\t", 0));
  EXPECT_EQ(lines[3].size(), lines[3].rfind(Connection() + "\t1") + Connection().size() + 2);
  EXPECT_GT(lines[3].size(), 9000u);
}

TEST_F(TextReport, CountersOfEachThreadEndTheLines) {
  project_.pcIsText = 1;
  project_.Tasks[2].Threads = 3;  // three failing threads: lines 3 to 5
  RunAndReport();
  // What the statistics periods of a run would have left in the slots.
  project_.Counters[0].Enabled = 1;
  project_.Counters[0].Title = L"CPU";
  project_.Counters[0].Samples = {11, 12, 13};
  project_.Counters[3].Enabled = 1;
  project_.Counters[3].Title = L"Free MB";
  project_.Counters[3].Samples = {0xFFFFFFFFu, 4000000000u};
  project_.Counters[4].Title = L"disabled";
  project_.Counters[4].Samples = {1, 2, 3};
  reports_.execution->Report(*runner_);
  const std::vector<std::string> lines = ReportLines();
  ASSERT_EQ(6u, lines.size());
  EXPECT_EQ(kHeader + "\tCPU\tFree MB" + kFailed, lines[0]);
  const std::string suffixes[] = {"\t11\tNo data\t1", "\t12\t4000000000\t1",
                                  "\t13\tNo data\t1"};
  for (int j = 0; j < 3; ++j) {
    SCOPED_TRACE(j);
    const std::string& line = lines[3 + j];
    EXPECT_EQ(0u, line.rfind("3\tbroken\t" + std::to_string(j + 1) + "\t", 0)) << line;
    EXPECT_EQ(Connection() + suffixes[j],
              line.substr(line.size() - Connection().size() - suffixes[j].size()));
  }
  // The first task's lines use sample 0 and 1 too: the samples go by thread number.
  EXPECT_EQ("\t11\tNo data\t0", lines[1].substr(lines[1].size() - 13));
}

TEST_F(TextReport, IsWrittenAloneWhenNoHtmlReportIsWanted) {
  project_.ReportFile.clear();
  RunAndReport();
  EXPECT_EQ(4u, ReportLines().size());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(TextReport, AFileThatCannotBeCreatedKeepsTheHtmlReportAndIsNamed) {
  project_.ReportTxtFile = InFolder(L"missing/run.txt");
  RunProject();
  const std::vector<ReportFailure> failures = WriteRunReports(*runner_, project_, reports_);
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(project_.ReportTxtFile, failures[0].file);
  EXPECT_EQ(L"Could not write the report file '" + project_.ReportTxtFile +
                L"': No such file or directory.",
            failures[0].text);
  EXPECT_TRUE(ui_.messages.empty()) << "the window tells";
  EXPECT_FALSE(platform::FileExists(project_.ReportTxtFile));
  EXPECT_EQ("Task #3 \"broken\"", Select(project_.ReportFile, "//h3").back());
}

// A full disk, as a file size limit makes it: every report of the run is named, and each keeps
// the whole file of the run before under its name; no piece of the new one is left behind.
TEST_F(TextReport, ReportsThatCannotBeWrittenWholeAreNamedAndLeaveNothingCut) {
  project_.OpenReport = 1;
  RunAndReport();
  const std::wstring names[] = {project_.ReportFile, project_.ReportTxtFile,
                                project_.CountersReport, project_.ReportIniFile};
  std::vector<std::string> before;
  for (const std::wstring& name : names) before.push_back(runnertest::FileBytes(name));
  ui_.started.clear();

  rlimit old {};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(0, sigaction(SIGXFSZ, &ignore, &previous));
  rlimit small = old;
  small.rlim_cur = 64;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  const std::vector<ReportFailure> failures = WriteRunReports(*runner_, project_, reports_);
  setrlimit(RLIMIT_FSIZE, &old);
  sigaction(SIGXFSZ, &previous, nullptr);

  ASSERT_EQ(4u, failures.size());
  for (const ReportFailure& failure : failures) {
    SCOPED_TRACE(platform::ToUtf8(failure.text));
    EXPECT_NE(std::wstring::npos, failure.text.find(L"'" + failure.file + L"'"));
    EXPECT_NE(std::wstring::npos, failure.text.find(L"File too large"));
  }
  for (size_t i = 0; i < std::size(names); ++i) {
    EXPECT_FALSE(before[i].empty());
    EXPECT_EQ(before[i], runnertest::FileBytes(names[i])) << platform::ToUtf8(names[i]);
  }
  EXPECT_TRUE(ui_.started.empty()) << "an HTML report not written is not opened";
  for (const auto& entry : std::filesystem::directory_iterator(platform::ToUtf8(folder_)))
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find("brunox-write"));
}

}  // namespace
}  // namespace reporttest
