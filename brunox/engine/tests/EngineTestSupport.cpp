#include "brunox/engine/tests/EngineTestSupport.h"

#include <cstdlib>
#include <memory>

#include "brunox/engine/settings/SettingsStores.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace enginetest {

namespace {
std::unique_ptr<CSettings> g_ownedSettings;
}

void EngineTest::SetUp() {
  const char* old = std::getenv("BRUNOX_CONFIG_DIR");
  hadConfigDir_ = old != nullptr;
  if (old) oldConfigDir_ = old;
  UseFreshSettingsFolder();
}

void EngineTest::TearDown() {
  g_settings = nullptr;
  g_ownedSettings.reset();
  if (hadConfigDir_)
    setenv("BRUNOX_CONFIG_DIR", oldConfigDir_.c_str(), 1);
  else
    unsetenv("BRUNOX_CONFIG_DIR");
}

void EngineTest::UseFreshSettingsFolder() {
  configFolder_ = platform::FolderPart(testsupport::NewScratchPath(L"x"));
  setenv("BRUNOX_CONFIG_DIR", platform::ToUtf8(configFolder_).c_str(), 1);
}

CSettings& EngineTest::MakeGlobalSettings() {
  g_settings = nullptr;
  g_ownedSettings = std::make_unique<CSettings>();
  g_settings = g_ownedSettings.get();
  return *g_settings;
}

namespace {

TaskParam MakeParam(int seed) {
  TaskParam p;
  p.PropMethod = seed % 4;
  p.PropTempl = L"[A-Z]{" + platform::FromInt(seed) + L"} 'quoted' ?1\\n";
  p.PropDateFormat = L"DD/MM/YYYY " + platform::FromInt(seed);
  p.PropFrom = -seed;
  p.PropTo = 100000 + seed;
  p.PropLenFrom = 2 + seed;
  p.PropLenTo = 40 + seed;
  p.PropStrType = 3;
  return p;
}

Task MakeTask(int i) {
  Task t;
  const std::wstring n = platform::FromInt(i);
  t.Name = L"Task \x00e9" + n;
  t.SQL = L"select * from t" + n + L"\r\nwhere a = ?1\tand b = ?2;\n  ";
  t.sqlFile = L"/scripts/s" + n + L".sql";
  t.File = L"/values/v" + n + L".txt";
  t.ResultsDirectory = L"/results/" + n;
  t.Separator = L";";
  t.ExecCntr = 11 + i;
  t.Threads = 12 + i;
  t.Rows = 13 + i;
  t.Delay = 14 + i;
  t.SQLDelay = 15 + i;
  t.DelayMax = 16 + i;
  t.iStmtDelay = 17 + i;
  t.iStmtDelayMax = 18 + i;
  t.AllRows = 0;
  t.AsTransaction = 1;
  t.isActive = 0;
  t.UseParser = 1;
  t.UseFileSQL = 1;
  t.bSaveThreadResults = 1;
  t.DefConnect = 0;
  t.ParamType = 1;
  for (int k = 0; k < i + 1; ++k) t.Params.push_back(MakeParam(10 * i + k));
  t.SQLBefore = L"create table t" + n + L" (a int);\n";
  t.SQLAfter = L"drop table t" + n + L";";
  t.TaskCon.Kind = CONN_STRING;
  t.TaskCon.ConnString = L"Driver=SQLite3;Database=/tmp/t" + n + L".db;";
  t.TaskCon.ManualCommit = 1;
  t.TaskGroup = 20 + i;
  t.TDU = 2;
  t.Priority = 2;
  return t;
}

}  // namespace

Project MakeFullProject() {
  Project p;
  p.DoType = 3;
  p.SQLFile = L"$TEMP$/log_$DATE$.sql";
  p.ReportFile = L"/reports/r.htm";
  p.ReportTxtFile = L"/reports/r.txt";
  p.ReportIniFile = L"/reports/r.ini";
  p.CountersReport = L"/reports/c.htm";
  p.Note = L"Line one\nLine two = with equals\\backslash";
  p.Author = L"Tester";
  p.Seconds = L"30";
  p.EachTasks = L"7";
  p.AllTasks = L"1000";
  p.AtLeast = L"3";
  p.ShowPlan = 1;
  p.OpenReport = 1;
  p.DefConnection.Kind = CONN_DSN;
  p.DefConnection.Dsn = L"BrunoxTestSqlite";
  p.DefConnection.User = L"user";
  p.DefConnection.Password = L"secret";
  for (int i = 0; i < Project::kCounterSlots; ++i) {
    PerfCounterSlot& s = p.Counters[i];
    s.Enabled = i % 2;
    s.Machine = L"host" + platform::FromInt(i);
    s.Name = L"\\Processor(_Total)\\% Processor Time " + platform::FromInt(i);
    s.Title = L"CPU " + platform::FromInt(i);
  }
  p.pcIsReport = 1;
  p.pcIsSQL = 1;
  p.pcIsText = 1;
  p.IniReports = {L"/reports/a.ini", L"", L"/reports/c d.ini"};
  for (int i = 0; i < 3; ++i) p.Tasks.push_back(MakeTask(i));
  return p;
}

const std::vector<TaskFieldChange>& TaskFieldChanges() {
  static const std::vector<TaskFieldChange> changes = {
      {L"Name", [](Task& t) { t.Name += L"x"; }},
      {L"Name", [](Task& t) { t.Name = platform::ToUpper(t.Name); }},  // case matters
      {L"SQL", [](Task& t) { t.SQL += L" "; }},
      {L"File", [](Task& t) { t.File += L"x"; }},
      {L"Separator", [](Task& t) { t.Separator = L","; }},
      {L"ExecCntr", [](Task& t) { t.ExecCntr++; }},
      {L"SQLBefore", [](Task& t) { t.SQLBefore += L"x"; }},
      {L"SQLAfter", [](Task& t) { t.SQLAfter += L"x"; }},
      {L"TaskGroup", [](Task& t) { t.TaskGroup++; }},
      {L"TaskCon", [](Task& t) { t.TaskCon.ConnString += L"x"; }},
      {L"Priority", [](Task& t) { t.Priority = (t.Priority + 1) % 3; }},
      {L"Threads", [](Task& t) { t.Threads++; }},
      {L"Rows", [](Task& t) { t.Rows++; }},
      {L"Delay", [](Task& t) { t.Delay++; }},
      {L"AsTransaction", [](Task& t) { t.AsTransaction = !t.AsTransaction; }},
      {L"SQLDelay", [](Task& t) { t.SQLDelay++; }},
      {L"DelayMax", [](Task& t) { t.DelayMax++; }},
      {L"AllRows", [](Task& t) { t.AllRows = !t.AllRows; }},
      {L"isActive", [](Task& t) { t.isActive = !t.isActive; }},
      {L"UseParser", [](Task& t) { t.UseParser = !t.UseParser; }},
      {L"sqlFile", [](Task& t) { t.sqlFile += L"x"; }},
      {L"UseFileSQL", [](Task& t) { t.UseFileSQL = !t.UseFileSQL; }},
      {L"TDU", [](Task& t) { t.TDU = (t.TDU + 1) % 3; }},
      {L"ParamType", [](Task& t) { t.ParamType = !t.ParamType; }},
      {L"iStmtDelay", [](Task& t) { t.iStmtDelay++; }},
      {L"iStmtDelayMax", [](Task& t) { t.iStmtDelayMax++; }},
      {L"ResultsDirectory", [](Task& t) { t.ResultsDirectory += L"x"; }},
      {L"bSaveThreadResults", [](Task& t) { t.bSaveThreadResults = !t.bSaveThreadResults; }},
      {L"DefConnect", [](Task& t) { t.DefConnect = !t.DefConnect; }},
      {L"Params.size", [](Task& t) { t.Params.push_back(TaskParam()); }},
      {L"Params.size", [](Task& t) { t.Params.pop_back(); }},
      {L"Params[0].PropFrom", [](Task& t) { t.Params[0].PropFrom++; }},
      {L"Params[0].PropLenFrom", [](Task& t) { t.Params[0].PropLenFrom++; }},
      {L"Params[0].PropTo", [](Task& t) { t.Params[0].PropTo++; }},
      {L"Params[0].PropLenTo", [](Task& t) { t.Params[0].PropLenTo++; }},
      {L"Params[0].PropDateFormat", [](Task& t) { t.Params[0].PropDateFormat += L"x"; }},
      {L"Params[0].PropStrType", [](Task& t) { t.Params[0].PropStrType++; }},
      {L"Params[0].PropTempl", [](Task& t) { t.Params[0].PropTempl += L"x"; }},
      {L"Params[0].PropMethod", [](Task& t) { t.Params[0].PropMethod++; }},
  };
  return changes;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  platform::ReadFileBytes(path, bytes);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(platform::WriteFileBytes(path, bytes));
}

}  // namespace enginetest
