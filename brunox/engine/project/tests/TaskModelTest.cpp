#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/tests/EngineTestSupport.h"
#include "platform/Text.h"

namespace {

using enginetest::EngineTest;

TEST_F(EngineTest, NewTaskTakesCountsDelaysAndPriorityFromTheTaskDefaults) {
  CSettings& s = MakeGlobalSettings();
  s.setInt(kStoreTask, L"DefThreads", 8);
  s.setInt(kStoreTask, L"DefRows", 250);
  s.setInt(kStoreTask, L"DefPriority", 2);
  s.setInt(kStoreTask, L"DefDelay", 100);
  s.setInt(kStoreTask, L"DefDelay2", 300);
  s.setInt(kStoreTask, L"InitDelay", 50);
  s.setInt(kStoreTask, L"DefExecCntr", 7);

  Task t;
  EXPECT_EQ(t.Threads, 8);
  EXPECT_EQ(t.Rows, 250);
  EXPECT_EQ(t.Priority, 2);
  EXPECT_EQ(t.Delay, 100);
  EXPECT_EQ(t.DelayMax, 300);
  EXPECT_EQ(t.SQLDelay, 50);
  EXPECT_EQ(t.ExecCntr, 7);
  EXPECT_EQ(t.Separator, L"<tab>");
  EXPECT_EQ(t.AllRows, 1);
  EXPECT_EQ(t.isActive, 1);
  EXPECT_EQ(t.DefConnect, 1);
  EXPECT_EQ(t.UseParser, 0);
  EXPECT_EQ(t.iStmtDelay, 0);
  EXPECT_EQ(t.TDU, 0);
  EXPECT_EQ(t.DB, nullptr);
  EXPECT_TRUE(t.Params.empty());
  EXPECT_TRUE(t.TaskCon.IsEmpty());
}

TEST_F(EngineTest, NewTaskWithoutSettingsUsesTheRegisteredDefaults) {
  ASSERT_EQ(g_settings, nullptr);
  Task t;
  EXPECT_EQ(t.Threads, 1);
  EXPECT_EQ(t.Rows, 25);
  EXPECT_EQ(t.Priority, 1);
  EXPECT_EQ(t.Delay, 1);
  EXPECT_EQ(t.DelayMax, 1);
  EXPECT_EQ(t.SQLDelay, 0);
  EXPECT_EQ(t.ExecCntr, 0);
}

TEST(TaskParam, NewParameterDefaults) {
  TaskParam p;
  EXPECT_EQ(p.PropMethod, 0);
  EXPECT_EQ(p.PropTempl, L"");
  EXPECT_EQ(p.PropDateFormat, L"YYYY.MM.DD HH:MM:SS");
  EXPECT_EQ(p.PropFrom, 0);
  EXPECT_EQ(p.PropTo, 32000);
  EXPECT_EQ(p.PropLenFrom, 1);
  EXPECT_EQ(p.PropLenTo, 32);
  EXPECT_EQ(p.PropStrType, 0);
}

TEST(TaskCompare, RunTimeFieldsDoNotMakeTasksDiffer) {
  const Task a = enginetest::MakeFullProject().Tasks[1];
  Task b = a;
  b.SetupTime = 12.5;
  b.DB = reinterpret_cast<CDB*>(&b);
  b.PlanWanted = 1;
  b.Plan.push_back(PlanRow{});
  b.Plan.back().Columns[0] = L"TABLE ACCESS";
  EXPECT_FALSE(a != b);
  EXPECT_FALSE(b != a);
}

TEST(TaskCompare, EveryEditedFieldMakesTasksDiffer) {
  const Task original = enginetest::MakeFullProject().Tasks[1];
  ASSERT_EQ(original.Params.size(), 2u);
  for (const enginetest::TaskFieldChange& c : enginetest::TaskFieldChanges()) {
    Task changed = original;
    c.change(changed);
    EXPECT_TRUE(changed != original) << platform::ToUtf8(c.field);
    EXPECT_TRUE(original != changed) << platform::ToUtf8(c.field);
  }
}

TEST(TaskCopy, CopiesEverythingButSetupTime) {
  Task a = enginetest::MakeFullProject().Tasks[2];
  a.SetupTime = 3.25;
  a.DB = reinterpret_cast<CDB*>(&a);
  a.PlanWanted = 1;
  a.Plan.resize(2);
  a.Plan[1].Columns[7] = L"cost";

  const Task copy(a);
  EXPECT_FALSE(copy != a);
  EXPECT_EQ(copy.SetupTime, 0.0);
  EXPECT_EQ(copy.DB, a.DB);
  EXPECT_EQ(copy.PlanWanted, 1);
  EXPECT_EQ(copy.Plan, a.Plan);

  Task assigned;
  assigned.SetupTime = 9.0;
  assigned = a;
  EXPECT_FALSE(assigned != a);
  EXPECT_EQ(assigned.SetupTime, 9.0);
  EXPECT_EQ(assigned.DB, a.DB);
  EXPECT_EQ(assigned.Plan, a.Plan);
}

TEST(TaskTexts, ThreadsAndActive) {
  Task t;
  t.Threads = 4;
  t.ExecCntr = 0;
  EXPECT_EQ(t.ThreadsText(), L"4");
  t.ExecCntr = -3;
  EXPECT_EQ(t.ThreadsText(), L"4");
  t.ExecCntr = 10;
  EXPECT_EQ(t.ThreadsText(), L"4 (10)");
  t.isActive = 1;
  EXPECT_EQ(t.ActiveText(), L"Yes");
  t.isActive = 0;
  EXPECT_EQ(t.ActiveText(), L"No");
}

TEST(ProjectModel, ConstructionDefaults) {
  Project p;
  EXPECT_EQ(p.Saved, 1);
  EXPECT_EQ(p.DoType, 0);
  EXPECT_TRUE(p.Tasks.empty());
  EXPECT_TRUE(p.DefConnection.IsEmpty());
  for (const PerfCounterSlot& s : p.Counters) EXPECT_EQ(s.Enabled, 0);
  EXPECT_EQ(p.MainDB, nullptr);
  EXPECT_FALSE(p.Callback);
}

TEST(ProjectModel, ClearKeepsRunModeLimitsAndWhereCountersAreSampled) {
  Project p = enginetest::MakeFullProject();
  p.Path = L"/p/x.bxp";
  p.Saved = 0;
  p.Counters[0].Samples = {1, 2, 3};
  p.Counters[0].Times = {L"10:00:00", L"10:00:15"};
  const Project before = p;

  p.Clear();
  EXPECT_EQ(p.Path, L"");
  EXPECT_TRUE(p.Tasks.empty());
  EXPECT_TRUE(p.IniReports.empty());
  for (const std::wstring* text : {&p.SQLFile, &p.ReportFile, &p.ReportTxtFile, &p.ReportIniFile,
                                   &p.CountersReport, &p.Note, &p.Author})
    EXPECT_EQ(*text, L"");
  EXPECT_EQ(p.pcIsReport + p.pcIsSQL + p.pcIsText, 0);
  EXPECT_TRUE(p.DefConnection.IsEmpty());
  EXPECT_EQ(p.Saved, 1);

  EXPECT_EQ(p.DoType, before.DoType);
  EXPECT_EQ(p.Seconds, before.Seconds);
  EXPECT_EQ(p.EachTasks, before.EachTasks);
  EXPECT_EQ(p.AllTasks, before.AllTasks);
  EXPECT_EQ(p.AtLeast, before.AtLeast);
  EXPECT_EQ(p.ShowPlan, before.ShowPlan);
  EXPECT_EQ(p.OpenReport, before.OpenReport);
  for (int i = 0; i < Project::kCounterSlots; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(p.Counters[i].Enabled, before.Counters[i].Enabled);
    EXPECT_EQ(p.Counters[i].Machine, before.Counters[i].Machine);
    EXPECT_EQ(p.Counters[i].Times, before.Counters[i].Times);
    EXPECT_TRUE(p.Counters[i].Samples.empty());
    EXPECT_EQ(p.Counters[i].Name, L"");
    EXPECT_EQ(p.Counters[i].Title, L"");
  }
}

}  // namespace

TEST(ProjectRunSettings, ColumnSizeLimitFromKilobytesNeverWraps) {
  EXPECT_EQ(1024 * 1024, Project::MaxBlobBytesOf(1024));
  EXPECT_EQ(0, Project::MaxBlobBytesOf(0));
  EXPECT_EQ(0, Project::MaxBlobBytesOf(-5));
  // 4 GiB in kilobytes shifted into an int was 0, which reads whole values: no limit at all.
  EXPECT_EQ(2147482624, Project::MaxBlobBytesOf(4LL * 1024 * 1024));
  EXPECT_EQ(2147482624, Project::MaxBlobBytesOf(INT_MAX));
}
