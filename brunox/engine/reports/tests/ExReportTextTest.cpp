// The tab-separated text report of a real run, byte for byte where the values are fixed.
#include <unistd.h>

#include <regex>

#include "ExReportTestSupport.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace reporttest {
namespace {

const std::string kHeader =
    "TaskNo\tTaskName\tThread\tExecuted\tAverage Speed\tAverage Duration\tMax Duration\t"
    "Min Duration\tConnect Time\tDisconnect Time\tConnection";
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
  EXPECT_EQ(kHeader, lines[0]);
  const std::regex slow("2\tslow\t[12]\t2(\t" + kNumber + "){6}\t" + Quoted(Connection()));
  EXPECT_TRUE(std::regex_match(lines[1], slow)) << lines[1];
  EXPECT_TRUE(std::regex_match(lines[2], slow)) << lines[2];
  EXPECT_EQ(0u, lines[1].rfind("2\tslow\t1\t", 0));
  EXPECT_EQ(0u, lines[2].rfind("2\tslow\t2\t", 0));
  // No execution: no averages and no shortest round.
  EXPECT_TRUE(std::regex_match(lines[3],
                               std::regex("3\tbroken\t1\t0\tN/A\tN/A\t 0\\.0000\t"
                                          "N/A\t" +
                                          kNumber + "\t" + kNumber + "\t" + Quoted(Connection()))))
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
  EXPECT_EQ(std::regex_replace(kHeader, std::regex("Average Speed"), "Tempo"), lines[0]);
  for (size_t i = 1; i < lines.size(); ++i)
    EXPECT_EQ(10, std::count(lines[i].begin(), lines[i].end(), '\t')) << lines[i];
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
  EXPECT_EQ(0u, lines[3].size() - lines[3].rfind(Connection()) - Connection().size());
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
  EXPECT_EQ(kHeader + "\tCPU\tFree MB", lines[0]);
  const std::string suffixes[] = {"\t11\tNo data", "\t12\t4000000000", "\t13\tNo data"};
  for (int j = 0; j < 3; ++j) {
    SCOPED_TRACE(j);
    const std::string& line = lines[3 + j];
    EXPECT_EQ(0u, line.rfind("3\tbroken\t" + std::to_string(j + 1) + "\t", 0)) << line;
    EXPECT_EQ(Connection() + suffixes[j],
              line.substr(line.size() - Connection().size() - suffixes[j].size()));
  }
  // The first task's lines use sample 0 and 1 too: the samples go by thread number.
  EXPECT_EQ("\t11\tNo data", lines[1].substr(lines[1].size() - 11));
}

TEST_F(TextReport, IsWrittenAloneWhenNoHtmlReportIsWanted) {
  project_.ReportFile.clear();
  RunAndReport();
  EXPECT_EQ(4u, ReportLines().size());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(TextReport, AFileThatCannotBeCreatedStopsBothReports) {
  project_.ReportTxtFile = InFolder(L"missing/run.txt");
  RunAndReport();
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(L"Could not open or create '" + project_.ReportTxtFile +
                L"' file.\nError 2, No such file or directory",
            ui_.messages[0].text);
  EXPECT_EQ(L"Warning!", ui_.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Error, ui_.messages[0].icon);
  EXPECT_FALSE(platform::FileExists(project_.ReportFile));
}

TEST_F(TextReport, AReportThatCannotBeWrittenWholeIsReported) {
  // /dev/full opens, takes the writes into the buffer and refuses them when they reach it.
  const std::wstring link = InFolder(L"full.txt");
  ASSERT_EQ(0, symlink("/dev/full", platform::ToUtf8(link).c_str()));
  project_.ReportTxtFile = link;
  RunAndReport();
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(L"Could not write the text report '" + link + L"' whole.", ui_.messages[0].text);
}

}  // namespace
}  // namespace reporttest
