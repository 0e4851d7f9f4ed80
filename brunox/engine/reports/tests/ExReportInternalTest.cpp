// The internal report of a real run, read back through the ini reader.
#include <regex>

#include "ExReportTestSupport.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace reporttest {
namespace {

std::wstring Real(double v) { return platform::Format(L"%5.4f", v); }

std::vector<std::wstring> ThreadKeys(int k, bool averages) {
  std::vector<std::wstring> keys;
  for (const wchar_t* key :
       {L"AvgSpeed", L"AvgDuration", L"ThisCntr", L"MaxSeconds", L"MinSeconds", L"ConnSeconds",
        L"DisconSeconds", L"SumSeconds", L"SumExec", L"SumFetch", L"FailedRounds"}) {
    if (!averages && (key == std::wstring(L"AvgSpeed") || key == std::wstring(L"AvgDuration")))
      continue;
    keys.push_back(key + platform::FromInt(k));
  }
  return keys;
}

class InternalReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    AddStandardTasks();
    NameAllReports();
  }
};

TEST_F(InternalReport, SectionsAndKeysOfTheActiveTasks) {
  project_.Note = L"two = lines\nsecond";
  // Left from an earlier run: must not survive.
  runnertest::WriteText(project_.ReportIniFile, L"[Old]\nKey=1\n[Task3]\nName=gone\n");
  RunAndReport();

  CSysReg ini(reports_.internal->IniName());
  EXPECT_EQ((std::vector<std::wstring>{L"Report", L"Task1", L"Task2"}), ini.Sections());

  ini.Section(L"Report");
  EXPECT_EQ((std::vector<std::wstring>{L"SetupTime1", L"SetupTime2", L"TimeStamp", L"Note",
                                       L"ActiveTasks", L"TotalSetupTime"}),
            ini.Keys());
  EXPECT_EQ(Real(project_.Tasks[1].SetupTime), ini.Read(L"SetupTime1", L""));
  EXPECT_EQ(Real(project_.Tasks[2].SetupTime), ini.Read(L"SetupTime2", L""));
  EXPECT_EQ(Real(project_.Tasks[1].SetupTime + project_.Tasks[2].SetupTime),
            ini.Read(L"TotalSetupTime", L""));
  EXPECT_TRUE(std::regex_match(platform::ToUtf8(ini.Read(L"TimeStamp", L"")),
                               std::regex(R"(\d\d-[A-Z][a-z][a-z]-\d{4} \d\d:\d\d:\d\d)")));
  EXPECT_EQ(project_.Note, ini.Read(L"Note", L""));
  EXPECT_EQ(L"2", ini.Read(L"ActiveTasks", L""));

  // Task 2 of the project, whose threads are the first records of the run.
  ini.Section(L"Task1");
  std::vector<std::wstring> keys = {L"Name", L"Threads"};
  for (int k = 1; k <= 2; ++k)
    for (const std::wstring& key : ThreadKeys(k, true)) keys.push_back(key);
  EXPECT_EQ(keys, ini.Keys());
  EXPECT_EQ(L"slow", ini.Read(L"Name", L""));
  EXPECT_EQ(L"2", ini.Read(L"Threads", L""));
  for (int k = 1; k <= 2; ++k) {
    SCOPED_TRACE(k);
    const ThreadInfo& r = runner_->Record(k - 1);
    const std::wstring n = platform::FromInt(k);
    EXPECT_EQ(Real(2 / r.TotalTime), ini.Read(L"AvgSpeed" + n, L""));
    EXPECT_EQ(Real(r.TotalTime / 2), ini.Read(L"AvgDuration" + n, L""));
    EXPECT_EQ(L"2", ini.Read(L"ThisCntr" + n, L""));
    EXPECT_EQ(Real(r.MaxTime), ini.Read(L"MaxSeconds" + n, L""));
    EXPECT_EQ(Real(r.MinTime), ini.Read(L"MinSeconds" + n, L""));
    EXPECT_EQ(Real(r.ConnectTime), ini.Read(L"ConnSeconds" + n, L""));
    EXPECT_EQ(Real(r.CloseTime), ini.Read(L"DisconSeconds" + n, L""));
    EXPECT_EQ(Real(r.TotalTime), ini.Read(L"SumSeconds" + n, L""));
    EXPECT_EQ(Real(r.StmtTime), ini.Read(L"SumExec" + n, L""));
    EXPECT_EQ(Real(r.FetchTime), ini.Read(L"SumFetch" + n, L""));
  }

  // The thread that never completed an execution has no averages.
  ini.Section(L"Task2");
  keys = {L"Name", L"Threads"};
  for (const std::wstring& key : ThreadKeys(1, false)) keys.push_back(key);
  EXPECT_EQ(keys, ini.Keys());
  EXPECT_EQ(L"broken", ini.Read(L"Name", L""));
  EXPECT_EQ(L"0", ini.Read(L"ThisCntr1", L""));
  EXPECT_EQ(L"40960.0000", ini.Read(L"MinSeconds1", L""));
}

TEST_F(InternalReport, NameTakesDateMacrosAndEmptyNameWritesNothing) {
  project_.ReportIniFile = InFolder(L"run-$DATE$.bnxrep");
  RunAndReport();
  const std::wstring name = reports_.internal->IniName();
  EXPECT_TRUE(std::regex_match(platform::ToUtf8(platform::FileNamePart(name)),
                               std::regex(R"(run-\d{4}-\d\d-\d\d\.bnxrep)")));
  EXPECT_TRUE(platform::FileExists(name));

  ASSERT_TRUE(platform::RemoveFile(name));
  project_.ReportIniFile.clear();
  reports_.internal->ReportIni(*runner_);
  EXPECT_TRUE(reports_.internal->IniName().empty());
  EXPECT_FALSE(platform::FileExists(name));
}

}  // namespace
}  // namespace reporttest
