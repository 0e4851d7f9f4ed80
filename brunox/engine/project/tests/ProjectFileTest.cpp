#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/ProjectCompare.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/tests/EngineTestSupport.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using enginetest::EngineTest;
using enginetest::ScriptedUi;
using Strings = std::vector<std::wstring>;

std::string Utf8(const std::wstring& s) { return platform::ToUtf8(s); }

// The comparison helper must notice every saved field, or the round trip below proves nothing.
TEST(SavedFieldDifference, NamesEveryChangedTaskField) {
  const Project original = enginetest::MakeFullProject();
  EXPECT_EQ(SavedFieldDifference(original, original), L"");
  for (const enginetest::TaskFieldChange& c : enginetest::TaskFieldChanges()) {
    Project changed = original;
    c.change(changed.Tasks[1]);
    EXPECT_EQ(SavedFieldDifference(original, changed), std::wstring(L"Tasks[1].") + c.field);
  }
}

TEST(SavedFieldDifference, NamesEveryChangedProjectField) {
  struct Change {
    const wchar_t* field;
    void (*change)(Project&);
  };
  const Change changes[] = {
      {L"DoType", [](Project& p) { p.DoType++; }},
      {L"Seconds", [](Project& p) { p.Seconds += L"0"; }},
      {L"EachTasks", [](Project& p) { p.EachTasks += L"0"; }},
      {L"AllTasks", [](Project& p) { p.AllTasks += L"0"; }},
      {L"AtLeast", [](Project& p) { p.AtLeast += L"0"; }},
      {L"OpenReport", [](Project& p) { p.OpenReport = !p.OpenReport; }},
      {L"ShowPlan", [](Project& p) { p.ShowPlan = !p.ShowPlan; }},
      {L"SQLFile", [](Project& p) { p.SQLFile += L"x"; }},
      {L"ReportFile", [](Project& p) { p.ReportFile += L"x"; }},
      {L"ReportTxtFile", [](Project& p) { p.ReportTxtFile += L"x"; }},
      {L"ReportIniFile", [](Project& p) { p.ReportIniFile += L"x"; }},
      {L"Note", [](Project& p) { p.Note += L"x"; }},
      {L"Author", [](Project& p) { p.Author += L"x"; }},
      {L"CountersReport", [](Project& p) { p.CountersReport += L"x"; }},
      {L"Counters[4].Enabled", [](Project& p) { p.Counters[4].Enabled = !p.Counters[4].Enabled; }},
      {L"Counters[2].Machine", [](Project& p) { p.Counters[2].Machine += L"x"; }},
      {L"Counters[3].Name", [](Project& p) { p.Counters[3].Name += L"x"; }},
      {L"Counters[0].Title", [](Project& p) { p.Counters[0].Title += L"x"; }},
      {L"pcIsReport", [](Project& p) { p.pcIsReport = !p.pcIsReport; }},
      {L"pcIsSQL", [](Project& p) { p.pcIsSQL = !p.pcIsSQL; }},
      {L"pcIsText", [](Project& p) { p.pcIsText = !p.pcIsText; }},
      {L"IniReports", [](Project& p) { p.IniReports[1] = L"x"; }},
      {L"IniReports", [](Project& p) { p.IniReports.pop_back(); }},
      {L"Tasks.size", [](Project& p) { p.Tasks.pop_back(); }},
      {L"DefConnection", [](Project& p) { p.DefConnection.Password += L"x"; }},
  };
  const Project original = enginetest::MakeFullProject();
  for (const Change& c : changes) {
    Project changed = original;
    c.change(changed);
    EXPECT_EQ(SavedFieldDifference(original, changed), c.field);
  }
  // Not kept in the file: no difference.
  Project runTime = original;
  runTime.Path = L"/elsewhere.bxp";
  runTime.Saved = 0;
  runTime.StatPeriod = 5;
  runTime.Counters[0].Samples = {7};
  runTime.Counters[1].Enabled = 5;  // stored as the flag "1", like the 1 it replaces
  runTime.Tasks[0].SetupTime = 1.5;
  EXPECT_EQ(SavedFieldDifference(original, runTime), L"");
}

TEST_F(EngineTest, SavedProjectLoadsBackFieldByField) {
  ScriptedUi ui;
  const std::wstring path = testsupport::NewScratchPath(L"full.bxp");
  Project saved = enginetest::MakeFullProject();
  saved.Saved = 0;
  ASSERT_EQ(saved.Save(path), 1);
  EXPECT_EQ(saved.Saved, 1);
  EXPECT_EQ(saved.Path, path);

  Project loaded;
  loaded.Saved = 0;
  loaded.Load(path);
  EXPECT_EQ(SavedFieldDifference(saved, loaded), L"");
  EXPECT_EQ(loaded.Path, path);
  EXPECT_EQ(loaded.Saved, 1);
  EXPECT_FALSE(loaded.Tasks[2].TaskCon.IsEmpty());
  EXPECT_EQ(loaded.DefConnection.Password, L"secret");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.fileDialogs, 0);
}

TEST_F(EngineTest, SectionsAndKeysAreWrittenInOrder) {
  const std::wstring path = testsupport::NewScratchPath(L"order.bxp");
  Project p;
  p.Tasks.resize(2);
  p.Tasks[1].Params.resize(2);
  p.IniReports = {L"a.ini"};
  ASSERT_EQ(p.Save(path), 1);

  CSysReg f(path, 0);
  EXPECT_EQ(f.Sections(),
            Strings({L"Package", L"Task0", L"TaskCon0", L"Task1", L"TaskCon1", L"DefConnection"}));

  f.Section(L"Package", 0);
  Strings package = {L"DoType",        L"Seconds",    L"EachTasks",     L"AllTasks",
                     L"AtLeast",       L"OpenReport", L"ShowPlan",      L"SQLFile",
                     L"ReportFile",    L"ReportTxtFile", L"ReportIniFile", L"Note",
                     L"Author",        L"CountersReport"};
  for (int i = 0; i < 5; ++i)
    for (const wchar_t* k : {L"PerfEnabled", L"PerfMachine", L"PerfName", L"PerfTitle"})
      package.push_back(k + platform::FromInt(i));
  for (const wchar_t* k : {L"pcIsReport", L"pcIsSQL", L"pcIsText", L"IniReports", L"IniReport0",
                           L"Tasks"})
    package.push_back(k);
  EXPECT_EQ(f.Keys(), package);
  EXPECT_EQ(f.Read(L"PerfEnabled0", L"?"), L"0");

  f.Section(L"Task1", 0);
  Strings task = {L"Name",       L"SQL",           L"File",         L"Separator",
                  L"AllRows",    L"Delay",         L"DelayMax",     L"Priority",
                  L"SQLDelay",   L"Rows",          L"Threads",      L"ExecCntr",
                  L"TDU",        L"isActive",      L"UseParser",    L"UseFileSQL",
                  L"sqlFile",    L"DefConnect",    L"ParamType",    L"iStmtDelay",
                  L"iStmtDelayMax", L"AsTransaction", L"ResultsDirectory",
                  L"bSaveThreadResults", L"TaskGroup", L"SQLBefore", L"SQLAfter", L"Params"};
  for (int n = 0; n < 2; ++n)
    for (const wchar_t* k : {L"PropMethod", L"PropTempl", L"PropFrom", L"PropTo", L"PropLenFrom",
                             L"PropLenTo", L"PropDateFormat", L"PropStrType"})
      task.push_back(k + platform::FromInt(n));
  EXPECT_EQ(f.Keys(), task);
}

TEST_F(EngineTest, MissingKeysLoadAsTheFileDefaults) {
  // The task defaults of the settings must not leak into a loaded task.
  CSettings& s = MakeGlobalSettings();
  s.setInt(kStoreTask, L"DefThreads", 9);
  s.setInt(kStoreTask, L"DefRows", 99);
  const std::wstring path = testsupport::NewScratchPath(L"sparse.bxp");
  enginetest::WriteBytes(path,
                         "[Package]\nTasks=2\n"
                         "[Task0]\nName=first\nDelay=70\nParams=1\nPropTempl0=abc\n"
                         "[Task1]\nDelay=5\nDelayMax=8\n");
  Project p = enginetest::MakeFullProject();
  p.Load(path);

  EXPECT_EQ(p.DoType, 0);
  EXPECT_EQ(p.Note, L"");
  EXPECT_TRUE(p.IniReports.empty());
  for (const PerfCounterSlot& slot : p.Counters) {
    EXPECT_EQ(slot.Enabled, 0);
    EXPECT_EQ(slot.Name, L"");
  }
  EXPECT_TRUE(p.DefConnection.IsEmpty());
  ASSERT_EQ(p.Tasks.size(), 2u);
  const Task& t = p.Tasks[0];
  EXPECT_EQ(t.Name, L"first");
  EXPECT_EQ(t.Separator, L"<tab>");
  EXPECT_EQ(t.isActive, 1);
  EXPECT_EQ(t.UseParser, 1);  // a new task has 0; old files split their scripts
  EXPECT_EQ(t.DefConnect, 1);
  EXPECT_EQ(t.AllRows, 0);
  EXPECT_EQ(t.Threads, 0);
  EXPECT_EQ(t.Rows, 0);
  EXPECT_EQ(t.Priority, 0);
  EXPECT_EQ(t.Delay, 70);
  EXPECT_EQ(t.DelayMax, 70);
  EXPECT_TRUE(t.TaskCon.IsEmpty());
  ASSERT_EQ(t.Params.size(), 1u);
  EXPECT_EQ(t.Params[0].PropTempl, L"abc");
  EXPECT_EQ(t.Params[0].PropLenFrom, 0);  // a new parameter has 1
  EXPECT_EQ(t.Params[0].PropTo, 32000);
  EXPECT_EQ(t.Params[0].PropLenTo, 32);
  EXPECT_EQ(t.Params[0].PropDateFormat, L"YYYY.MM.DD HH:MM:SS");
  EXPECT_EQ(p.Tasks[1].DelayMax, 8);
}

TEST_F(EngineTest, FileWithoutTasksKeyHasNoTasks) {
  const std::wstring path = testsupport::NewScratchPath(L"notasks.bxp");
  enginetest::WriteBytes(path, "[Package]\nNote=n\n[Task0]\nName=orphan\n");
  Project p = enginetest::MakeFullProject();
  p.Load(path);
  EXPECT_EQ(p.Note, L"n");
  EXPECT_TRUE(p.Tasks.empty());
}

TEST_F(EngineTest, MissingFileLoadsAsDefaultsSilently) {
  ScriptedUi ui;
  const std::wstring path = testsupport::NewScratchPath(L"absent.bxp");
  Project p = enginetest::MakeFullProject();
  p.Saved = 0;
  p.Load(path);
  EXPECT_EQ(SavedFieldDifference(p, Project()), L"");
  EXPECT_EQ(p.Path, path);
  EXPECT_EQ(p.Saved, 1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(platform::FileExists(path));
}

TEST_F(EngineTest, LoadAndSaveJoinTheRecentList) {
  CSettings& s = MakeGlobalSettings();
  const std::wstring a = testsupport::NewScratchPath(L"a.bxp");
  const std::wstring b = testsupport::NewScratchPath(L"b.bxp");
  Project p;
  ASSERT_EQ(p.Save(a), 1);
  p.Load(b);
  EXPECT_EQ(s.getStr(kStoreMain, L"PackageFile0"), b);
  EXPECT_EQ(s.getStr(kStoreMain, L"PackageFile1"), a);
}

TEST_F(EngineTest, BackupRenamesOnlyTheEndingOfTheFileName) {
  const std::wstring dir = platform::FolderPart(testsupport::NewScratchPath(L"x")) + L"/Dir";
  ASSERT_TRUE(platform::MakeDirectories(dir));
  const std::wstring path = dir + L"/My.BXP";
  enginetest::WriteBytes(path, "[Package]\nNote=first version\n");

  Project p;
  p.Note = L"second version";
  ASSERT_EQ(p.Save(path), 1);
  EXPECT_EQ(enginetest::ReadBytes(dir + L"/My.bak"), "[Package]\nNote=first version\n");
  EXPECT_FALSE(platform::DirectoryExists(platform::FolderPart(dir) + L"/dir"));
  EXPECT_FALSE(platform::FileExists(dir + L"/my.bak"));

  // An existing backup is kept: it is the oldest version.
  p.Note = L"third version";
  ASSERT_EQ(p.Save(path), 1);
  EXPECT_EQ(enginetest::ReadBytes(dir + L"/My.bak"), "[Package]\nNote=first version\n");
  Project loaded;
  loaded.Load(path);
  EXPECT_EQ(loaded.Note, L"third version");
}

TEST_F(EngineTest, SavingThroughALinkChangesTheLinkedFileAndKeepsTheLink) {
  const std::wstring real = testsupport::NewScratchPath(L"real.bxp");
  const std::wstring dir = platform::FolderPart(real);
  const std::wstring link = dir + L"/link.bxp";
  enginetest::WriteBytes(real, "[Package]\nNote=first version\n");
  ASSERT_EQ(symlink("real.bxp", platform::NativePath(link).c_str()), 0);

  Project p;
  p.Load(link);
  p.Note = L"second version";
  ASSERT_EQ(p.Save(link), 1);
  EXPECT_EQ(platform::LinkTarget(link), real);
  EXPECT_EQ(enginetest::ReadBytes(dir + L"/real.bak"), "[Package]\nNote=first version\n");
  EXPECT_FALSE(platform::FileExists(dir + L"/link.bak"));
  Project loaded;
  loaded.Load(real);
  EXPECT_EQ(loaded.Note, L"second version");
}

TEST(ProjectBackupPath, Cases) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"/Home/A.Dir/My.BXP", L"/Home/A.Dir/My.bak"},
      {L"/x/p.bxp", L"/x/p.bak"},
      {L"/x.bxp/p.Bxp", L"/x.bxp/p.bak"},
      {L"p.bxp.bxp", L"p.bxp.bak"},
      {L"/x/p.txt", L""},
      {L"/x.bxp/readme", L""},
      {L"", L""},
  };
  for (const auto& [path, backup] : cases) EXPECT_EQ(ProjectBackupPath(path), backup) << Utf8(path);
}

TEST_F(EngineTest, SavingFewerTasksLeavesNoStaleSections) {
  const std::wstring path = testsupport::NewScratchPath(L"shrink.bxp");
  Project p;
  p.Tasks.resize(6);
  ASSERT_EQ(p.Save(path), 1);
  ASSERT_EQ(p.Save(path), 1);  // now a backup exists, so the next save finds the old file
  p.Tasks.resize(2);
  ASSERT_EQ(p.Save(path), 1);

  CSysReg f(path, 0);
  EXPECT_EQ(f.Sections(),
            Strings({L"Package", L"Task0", L"TaskCon0", L"Task1", L"TaskCon1", L"DefConnection"}));
}

TEST_F(EngineTest, UnwritableFileIsReportedNotClaimedSaved) {
  ScriptedUi ui;
  ui.answers.push_back(platform::MsgAnswer::Ok);
  const std::wstring path =
      platform::FolderPart(testsupport::NewScratchPath(L"x")) + L"/no/such/folder/p.bxp";
  Project p;
  p.Saved = 0;
  EXPECT_EQ(p.Save(path), 0);
  EXPECT_EQ(p.Saved, 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"Could not save the project to '" + path + L"'.");
  EXPECT_EQ(ui.messages[0].caption, L"Error");
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Error);
}

TEST_F(EngineTest, SaveWithoutPathAsksForAFile) {
  ScriptedUi ui;
  const std::wstring chosen = testsupport::NewScratchPath(L"chosen.bxp");
  ui.fileChoices.push_back(L"");  // cancelled
  ui.fileChoices.push_back(chosen);

  Project p;
  p.Path = L"/old/path.bxp";
  p.Saved = 0;
  EXPECT_EQ(p.Save(L""), 0);  // cancelled: nothing changes
  EXPECT_EQ(p.Path, L"/old/path.bxp");
  EXPECT_EQ(p.Saved, 0);

  EXPECT_EQ(p.Save(L""), 1);
  EXPECT_EQ(p.Path, chosen);
  EXPECT_EQ(p.Saved, 1);
  EXPECT_TRUE(platform::FileExists(chosen));
  ASSERT_EQ(ui.saveDialogs.size(), 2u);
  EXPECT_EQ(ui.saveDialogs[0].filter,
            L"Ovra DB Brunox projects (*.bxp)|*.bxp|All Files(*.*)|*.*||");
  EXPECT_EQ(ui.saveDialogs[0].defaultExt, L"bxp");
  EXPECT_EQ(ui.saveDialogs[0].fileName, L"");
  EXPECT_EQ(ui.saveDialogs[0].folder, L"");
}

}  // namespace
