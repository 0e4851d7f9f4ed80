#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/reports/StringFactory.h"
#include "brunox/engine/tests/EngineTestSupport.h"
#include "mervis/SysReg.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using enginetest::EngineTest;
using namespace std::string_literals;
using StringFactoryTest = EngineTest;

// Every label key of the reports with its built-in text, in report order; written out apart from
// the shipped profile, so that a key lost or misspelt there shows up.
const std::vector<std::pair<std::wstring, std::wstring>> kLabels = {
    {L"ActiveTasks", L"Active (enabled) Tasks in the Project"},
    {L"PrInitTime", L"Project Initialization Time, seconds"},
    {L"PrExecTime", L"Total Project Execution Time, seconds"},
    {L"ExMode", L"Execution Mode"},
    {L"UntilStop", L"While 'Stop' is not pressed"},
    {L"ByTaskProp", L"By individual task properties"},
    {L"NSeconds", L"%s seconds"},
    {L"EachThreadTimes", L"Run each thread %s times"},
    {L"RunAtLeast", L"Run at least %s times for all threads"},
    {L"RunEachAtLeast", L"Run each thread at least %s times"},
    {L"ModeGroup", L"by group execution"},
    {L"ModeConc", L"concurrent mode"},
    {L"ModeSeq", L"sequentially execution"},
    {L"Summary", L"Summary"},
    {L"Property", L"Property"},
    {L"Value", L"Value"},
    {L"Project", L"Project"},
    {L"Created", L"Report created"},
    {L"Version", L"version"},
    {L"DefConn", L"Default Database Connection"},
    {L"DBMS", L"Database System and Version"},
    {L"Task", L"Task"},
    {L"NumberOfThr", L"Number of Concurrent Threads"},
    {L"Script", L"SQL script"},
    {L"ScriptFile", L"Use Script from File"},
    {L"Prologue", L"Prologue SQL script"},
    {L"Epilogue", L"Epilogue SQL script"},
    {L"CustomCon", L"Custom Connection"},
    {L"TaskPrior", L"Task Priority"},
    {L"PrLow", L"Low"},
    {L"PrNormal", L"Normal"},
    {L"PrHigh", L"High"},
    {L"ParamFile", L"File with Parameters"},
    {L"TaskInitTime", L"Task Initialization Time, seconds"},
    {L"TaskTotTime", L"Total Task Duration, seconds"},
    {L"ExPlan", L"Task #%s execution plan"},
    {L"StmtText", L"Statement Text"},
    {L"PhysOperat", L"Physical Operation"},
    {L"LogicOperat", L"Logical Operation"},
    {L"EstRows", L"Estimate Rows"},
    {L"EstIO", L"Estimate IO"},
    {L"EstCPU", L"Estimate CPU"},
    {L"AvgRowSize", L"Average Row Size"},
    {L"SubtCost", L"Subtree Cost"},
    {L"Operation", L"Operation"},
    {L"Option", L"Option"},
    {L"Object", L"Object"},
    {L"TaskMetrics", L"Task #%s metrics"},
    {L"Executed", L"Executed"},
    {L"AvgSpeed", L"Average Speed"},
    {L"AvgDur", L"Average Duration"},
    {L"MaxDur", L"Max Duration"},
    {L"MinDur", L"Min Duration"},
    {L"ConTime", L"Connect Time"},
    {L"DisTime", L"Disconnect Time"},
    {L"TotDur", L"Total Duration"},
    {L"Connection", L"Connection"},
    {L"Seconds", L"Seconds"},
    {L"ItPerSec", L"iterations/second"},
    {L"Times", L"times"},
    {L"ThreadNo", L"ThreadNo"},
    {L"FailedRounds", L"Failed rounds"},
    {L"CmpReport", L"Execution Comparison Report"},
    {L"NReports", L"Number of reports to be compared"},
    {L"Report", L"Report"},
    {L"CmpResults", L"Comparison Results"},
    {L"Thread", L"Thread"},
    {L"Metric", L"Metric"},
    {L"Unit", L"Unit"},
    {L"RepTimeStamp", L"Report timestamp"},
    {L"JobSetupTime", L"Total job setup time"},
    {L"ThExecuted", L"Thread Executed"},
    {L"Iterations", L"Iterations"},
};

std::wstring DefaultProfile() { return platform::ProgramFolder() + L"/tmpl/english.ini"; }

void WriteProfile(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(platform::WriteFileBytes(path, bytes));
}

TEST_F(StringFactoryTest, EmptySettingBecomesTheProgramFolderProfileAndIsSaved) {
  CSettings& settings = MakeGlobalSettings();
  ASSERT_EQ(settings.getStr(kStoreReport, L"TextProfile"), L"");
  StringFactory labels;
  labels.Init();
  EXPECT_EQ(labels.ProfilePath(), DefaultProfile());
  EXPECT_EQ(settings.getStr(kStoreReport, L"TextProfile"), DefaultProfile());

  CSettings reloaded;
  reloaded.LoadData();
  EXPECT_EQ(reloaded.getStr(kStoreReport, L"TextProfile"), DefaultProfile());

  // The test program's folder ships no profile: the built-in texts.
  ASSERT_FALSE(platform::FileExists(DefaultProfile()));
  EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Execution Mode");
}

TEST_F(StringFactoryTest, WithoutSettingsTheProgramFolderProfileIsUsedAndNothingSaved) {
  ASSERT_EQ(g_settings, nullptr);
  StringFactory labels;
  EXPECT_EQ(labels.ProfilePath(), L"");
  EXPECT_EQ(labels.Get(L"Summary", L"Summary"), L"Summary");  // usable before Init
  labels.Init();
  EXPECT_EQ(labels.ProfilePath(), DefaultProfile());
  EXPECT_FALSE(platform::FileExists(configFolder_ + L"/settings.ini"));
}

TEST_F(StringFactoryTest, ProfileLinesReplaceTheBuiltInTexts) {
  const std::wstring profile = testsupport::NewScratchPath(L"german.ini");
  WriteProfile(profile,
               "; a comment\n"
               "[Other]\nSummary=Not this one\n"
               "[General]\n"
               "ExMode = Ausf\xC3\xBChrungsart  \n"
               "avgspeed=Mittlere Geschwindigkeit\n"
               "Empty=\n"
               "NSeconds=%s Sekunden\n");
  CSettings& settings = MakeGlobalSettings();
  settings.setStr(kStoreReport, L"TextProfile", profile);
  StringFactory labels;
  labels.Init();
  EXPECT_EQ(labels.ProfilePath(), profile);
  EXPECT_EQ(settings.getStr(kStoreReport, L"TextProfile"), profile);

  EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Ausf\u00fchrungsart");
  // One key for both reports, whatever their built-in texts; keys ignore ASCII case.
  EXPECT_EQ(labels.Get(L"AvgSpeed", L"Average Speed"), L"Mittlere Geschwindigkeit");
  EXPECT_EQ(labels.Get(L"AvgSpeed", L"Average speed"), L"Mittlere Geschwindigkeit");
  EXPECT_EQ(labels.Get(L"NSeconds", L"%s seconds"), L"%s Sekunden");
  EXPECT_EQ(labels.Get(L"Empty", L"fallback"), L"");  // a present key wins, even empty
  EXPECT_EQ(labels.Get(L"Summary", L"Summary"), L"Summary");
  EXPECT_EQ(labels.Get(L"Missing", L"Built-in"), L"Built-in");
}

TEST_F(StringFactoryTest, AProfileEditedWhileRunningIsReadAgain) {
  const std::wstring profile = testsupport::NewScratchPath(L"live.ini");
  WriteProfile(profile, "[General]\nExMode=First\n");
  MakeGlobalSettings().setStr(kStoreReport, L"TextProfile", profile);
  StringFactory labels;
  labels.Init();
  EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"First");

  WriteProfile(profile, "[General]\nExMode=Second\n");  // same size, same clock tick maybe
  EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Second");

  ASSERT_TRUE(platform::RemoveFile(profile));
  EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Execution Mode");
  WriteProfile(profile, "[General]\nExMode=Third\n");
  EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Third");
}

TEST_F(StringFactoryTest, LongLabelsAreCutAndDamagedProfilesGiveTheBuiltInTexts) {
  const std::wstring profile = testsupport::NewScratchPath(L"long.ini");
  const std::wstring longText = std::wstring(250, L'x') + L"\u4e2d\u4e2d\u4e2d\u4e2d\u4e2dtail";
  WriteProfile(profile, "[General]\nLong=" + platform::ToUtf8(longText) +
                            "\nExact=" + std::string(254, 'y') + "\n");
  MakeGlobalSettings().setStr(kStoreReport, L"TextProfile", profile);
  StringFactory labels;
  labels.Init();
  EXPECT_EQ(labels.Get(L"Long", L""), longText.substr(0, 254));
  EXPECT_EQ(labels.Get(L"Exact", L""), std::wstring(254, L'y'));
  EXPECT_EQ(labels.Get(L"Missing", std::wstring(300, L'z')), std::wstring(254, L'z'));

  const std::string damaged[] = {
      "",
      "no section at all\nExMode=Lost\n",
      "[General\nExMode=Broken header\n",
      "\xFF\xFE\x00\xD8garbage\x00\x01[General]=\n=x\n"s,
  };
  for (const std::string& bytes : damaged) {
    WriteProfile(profile, bytes);
    EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Execution Mode");
  }
}

TEST_F(StringFactoryTest, AProfileThatIsNoRegularFileGivesTheBuiltInTextsAndSaysWhy) {
  const std::wstring fifo = testsupport::NewScratchPath(L"labels.fifo");
  ASSERT_EQ(mkfifo(platform::NativePath(fifo).c_str(), 0600), 0);
  for (const std::wstring& profile : {fifo, std::wstring(L"/dev/zero")}) {
    MakeGlobalSettings().setStr(kStoreReport, L"TextProfile", profile);
    StringFactory labels;
    labels.Init();
    EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Execution Mode");
    EXPECT_NE(labels.ProfileError().find(L"'" + profile + L"'"), std::wstring::npos)
        << platform::ToUtf8(labels.ProfileError());
  }
  const std::wstring good = testsupport::NewScratchPath(L"good.ini");
  WriteProfile(good, "[General]\nExMode=Mode\n");
  MakeGlobalSettings().setStr(kStoreReport, L"TextProfile", good);
  StringFactory labels;
  labels.Init();
  EXPECT_EQ(labels.Get(L"ExMode", L"Execution Mode"), L"Mode");
  EXPECT_EQ(labels.ProfileError(), L"");
}

TEST(ShippedLabelProfile, HoldsEveryLabelWithItsBuiltInText) {
  // The build puts the profile into brunox/tmpl/, beside this program's folder.
  const std::wstring path = platform::ProgramFolder() + L"/../tmpl/english.ini";
  ASSERT_TRUE(platform::FileExists(path)) << platform::ToUtf8(path);
  CSysReg profile(path);
  EXPECT_EQ(profile.Sections(), std::vector<std::wstring>{L"General"});
  profile.Section(L"General");
  std::vector<std::wstring> expectedKeys;
  for (const auto& [key, text] : kLabels) {
    expectedKeys.push_back(key);
    EXPECT_EQ(profile.Read(key, L"<missing>"), text) << platform::ToUtf8(key);
  }
  EXPECT_EQ(profile.Keys(), expectedKeys);
}

}  // namespace
