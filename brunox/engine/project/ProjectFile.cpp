// The ".bxp" project file: section "Package", then "Task<i>" and "TaskCon<i>" for every task,
// then "DefConnection". Missing keys read as defaults that are not always those of a new record
// (a file from before a key existed must keep its old behaviour).
#include <algorithm>
#include <limits>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

// A hostile or damaged file may claim any count; these are far beyond any real project.
constexpr int kMaxTasks = 10000;
constexpr int kMaxParams = 1000;
constexpr int kMaxIniReports = 10000;

const wchar_t kProjectFilter[] = L"Ovra DB Brunox projects (*.bxp)|*.bxp|All Files(*.*)|*.*||";

int ClampCount(int count, int most) { return std::clamp(count, 0, most); }

std::wstring TaskSection(int index) { return platform::Format(L"Task%d", index); }
std::wstring TaskConSection(int index) { return platform::Format(L"TaskCon%d", index); }

const wchar_t* const kParamKeys[] = {L"PropMethod", L"PropTempl",   L"PropFrom",
                                     L"PropTo",     L"PropLenFrom", L"PropLenTo",
                                     L"PropDateFormat", L"PropStrType"};

// A DoType that is not a whole number is kept as text rather than read like _wtoi: "abc" would
// run until stopped, "2x" as 2, a number past the range of int as another number.
void ReadDoType(const CSysReg& f, Project& project) {
  project.DoType = kRunUntilStopped;
  project.DoTypeText.reset();
  if (!f.HasKey(L"DoType")) return;
  const std::wstring text = f.Read(L"DoType", L"");
  long long number = 0;
  if (platform::ParseInt64(text, number) && number >= std::numeric_limits<int>::min() &&
      number <= std::numeric_limits<int>::max()) {
    project.DoType = static_cast<int>(number);
    return;
  }
  project.DoType = Project::kDoTypeNotANumber;
  project.DoTypeText = text;
}

}  // namespace

void TaskParam::Load(CSysReg& f, int n) {
  PropMethod = f.ReadByNo(L"PropMethod", n, 0);
  PropTempl = f.ReadByNo(L"PropTempl", n, L"");
  PropFrom = f.ReadByNo(L"PropFrom", n, 0);
  PropTo = f.ReadByNo(L"PropTo", n, 32000);
  PropLenFrom = f.ReadByNo(L"PropLenFrom", n, 0);
  PropLenTo = f.ReadByNo(L"PropLenTo", n, 32);
  PropDateFormat = f.ReadByNo(L"PropDateFormat", n, L"YYYY.MM.DD HH:MM:SS");
  PropStrType = f.ReadByNo(L"PropStrType", n, 0);
}

void TaskParam::Save(CSysReg& f, int n) const {
  f.SaveByNo(L"PropMethod", n, PropMethod);
  f.SaveByNo(L"PropTempl", n, PropTempl);
  f.SaveByNo(L"PropFrom", n, PropFrom);
  f.SaveByNo(L"PropTo", n, PropTo);
  f.SaveByNo(L"PropLenFrom", n, PropLenFrom);
  f.SaveByNo(L"PropLenTo", n, PropLenTo);
  f.SaveByNo(L"PropDateFormat", n, PropDateFormat);
  f.SaveByNo(L"PropStrType", n, PropStrType);
}

bool TaskParam::IsInFile(const CSysReg& f, int n) {
  const std::wstring number = platform::FromInt(n);
  return std::any_of(std::begin(kParamKeys), std::end(kParamKeys),
                     [&](const wchar_t* key) { return f.HasKey(key + number); });
}

void Task::Load(CSysReg& f, int index) {
  f.Section(TaskSection(index), 0);
  Name = f.Read(L"Name", L"");
  SQL = f.Read(L"SQL", L"");
  File = f.Read(L"File", L"");
  Separator = f.Read(L"Separator", L"<tab>");
  AllRows = f.Read(L"AllRows", 0);
  Delay = f.Read(L"Delay", 0);
  DelayMax = f.Read(L"DelayMax", Delay);
  Priority = f.Read(L"Priority", 0);
  SQLDelay = f.Read(L"SQLDelay", 0);
  Rows = f.Read(L"Rows", 0);
  Threads = f.Read(L"Threads", 0);
  ExecCntr = f.Read(L"ExecCntr", 0);
  TDU = f.Read(L"TDU", 0);
  isActive = f.Read(L"isActive", 1);
  UseParser = f.Read(L"UseParser", 1);
  UseFileSQL = f.Read(L"UseFileSQL", 0);
  sqlFile = f.Read(L"sqlFile", L"");
  DefConnect = f.Read(L"DefConnect", 1);
  ParamType = f.Read(L"ParamType", 0);
  iStmtDelay = f.Read(L"iStmtDelay", 0);
  iStmtDelayMax = f.Read(L"iStmtDelayMax", 0);
  AsTransaction = f.Read(L"AsTransaction", 0);
  ResultsDirectory = f.Read(L"ResultsDirectory", L"");
  bSaveThreadResults = f.Read(L"bSaveThreadResults", 0);
  TaskGroup = f.Read(L"TaskGroup", 0);
  SQLBefore = f.Read(L"SQLBefore", L"");
  SQLAfter = f.Read(L"SQLAfter", L"");

  // A parameter none of whose keys is present is not in the file: stopping there keeps a small
  // file that claims huge counts from making millions of records.
  const int params = ClampCount(f.Read(L"Params", 0), kMaxParams);
  Params.clear();
  for (int n = 0; n < params && TaskParam::IsInFile(f, n); ++n) {
    TaskParam p;
    p.Load(f, n);
    Params.push_back(std::move(p));
  }
  TaskCon.Load(&f, TaskConSection(index));
}

void Task::Save(CSysReg& f, int index) const {
  f.Section(TaskSection(index), 0);
  f.Save(L"Name", Name);
  f.Save(L"SQL", SQL);
  f.Save(L"File", File);
  f.Save(L"Separator", Separator);
  f.Save(L"AllRows", AllRows);
  f.Save(L"Delay", Delay);
  f.Save(L"DelayMax", DelayMax);
  f.Save(L"Priority", Priority);
  f.Save(L"SQLDelay", SQLDelay);
  f.Save(L"Rows", Rows);
  f.Save(L"Threads", Threads);
  f.Save(L"ExecCntr", ExecCntr);
  f.Save(L"TDU", TDU);
  f.Save(L"isActive", isActive);
  f.Save(L"UseParser", UseParser);
  f.Save(L"UseFileSQL", UseFileSQL);
  f.Save(L"sqlFile", sqlFile);
  f.Save(L"DefConnect", DefConnect);
  f.Save(L"ParamType", ParamType);
  f.Save(L"iStmtDelay", iStmtDelay);
  f.Save(L"iStmtDelayMax", iStmtDelayMax);
  f.Save(L"AsTransaction", AsTransaction);
  f.Save(L"ResultsDirectory", ResultsDirectory);
  f.Save(L"bSaveThreadResults", bSaveThreadResults);
  f.Save(L"TaskGroup", TaskGroup);
  f.Save(L"SQLBefore", SQLBefore);
  f.Save(L"SQLAfter", SQLAfter);
  f.Save(L"Params", static_cast<int>(Params.size()));
  for (size_t n = 0; n < Params.size(); ++n) Params[n].Save(f, static_cast<int>(n));
  TaskCon.Save(&f, TaskConSection(index));
}

void Project::Load(const std::wstring& path) {
  Path = path;
  if (g_settings) g_settings->AddRecentFile(path);

  CSysReg f(path, 0);
  f.Section(L"Package", 0);
  ReadDoType(f, *this);
  Seconds = f.Read(L"Seconds", L"");
  EachTasks = f.Read(L"EachTasks", L"");
  AllTasks = f.Read(L"AllTasks", L"");
  AtLeast = f.Read(L"AtLeast", L"");
  OpenReport = f.Read(L"OpenReport", 0);
  ShowPlan = f.Read(L"ShowPlan", 0);
  SQLFile = f.Read(L"SQLFile", L"");
  ReportFile = f.Read(L"ReportFile", L"");
  ReportTxtFile = f.Read(L"ReportTxtFile", L"");
  ReportIniFile = f.Read(L"ReportIniFile", L"");
  Note = f.Read(L"Note", L"");
  Author = f.Read(L"Author", L"");
  CountersReport = f.Read(L"CountersReport", L"");
  for (int i = 0; i < kCounterSlots; ++i) {
    PerfCounterSlot& slot = Counters[i];
    slot.Enabled = platform::ToInt(f.ReadByNo(L"PerfEnabled", i, L"0"));
    slot.Machine = f.ReadByNo(L"PerfMachine", i, L"");
    slot.Name = f.ReadByNo(L"PerfName", i, L"");
    slot.Title = f.ReadByNo(L"PerfTitle", i, L"");
  }
  pcIsReport = f.Read(L"pcIsReport", 0);
  pcIsSQL = f.Read(L"pcIsSQL", 0);
  pcIsText = f.Read(L"pcIsText", 0);

  // Like tasks and parameters, the list ends at the first entry the file does not hold.
  IniReports.clear();
  const int reports = ClampCount(f.Read(L"IniReports", 0), kMaxIniReports);
  for (int i = 0; i < reports && f.HasKey(L"IniReport" + platform::FromInt(i)); ++i)
    IniReports.push_back(f.ReadByNo(L"IniReport", i, L""));

  const int tasks = ClampCount(f.Read(L"Tasks", 0), kMaxTasks);
  Tasks.clear();
  for (int i = 0; i < tasks && f.HasSection(TaskSection(i)); ++i) {
    Task task;
    task.Load(f, i);
    Tasks.push_back(std::move(task));
  }

  DefConnection.Load(&f, L"DefConnection");
  Saved = 1;
}

int Project::Save(const std::wstring& path) {
  std::wstring target = path;
  if (target.empty()) {
    platform::FileDialogRequest request;
    request.filter = kProjectFilter;
    request.defaultExt = L"bxp";
    if (!platform::Ui().SaveFileDialog(request, target) || target.empty()) return 0;
  }
  Path = target;

  // A project opened through a link is saved where the link leads, with its backup beside it,
  // and the link stays. The previous version stays as the backup unless an older backup is
  // already there.
  const std::wstring written = platform::LinkTarget(Path);
  const std::wstring backup = ProjectBackupPath(written);
  if (!backup.empty()) platform::RenameNoReplace(written, backup);

  if (g_settings) g_settings->AddRecentFile(Path);

  CSysReg f(written, 0);
  f.Clear();  // sections of a file that held more tasks must not survive
  f.Section(L"Package", 0);
  if (const std::wstring* text = UnreadDoType())
    f.Save(L"DoType", *text);
  else
    f.Save(L"DoType", DoType);
  f.Save(L"Seconds", Seconds);
  f.Save(L"EachTasks", EachTasks);
  f.Save(L"AllTasks", AllTasks);
  f.Save(L"AtLeast", AtLeast);
  f.Save(L"OpenReport", OpenReport);
  f.Save(L"ShowPlan", ShowPlan);
  f.Save(L"SQLFile", SQLFile);
  f.Save(L"ReportFile", ReportFile);
  f.Save(L"ReportTxtFile", ReportTxtFile);
  f.Save(L"ReportIniFile", ReportIniFile);
  f.Save(L"Note", Note);
  f.Save(L"Author", Author);
  f.Save(L"CountersReport", CountersReport);
  for (int i = 0; i < kCounterSlots; ++i) {
    const PerfCounterSlot& slot = Counters[i];
    f.SaveByNo(L"PerfEnabled", i, slot.Enabled ? L"1" : L"0");
    f.SaveByNo(L"PerfMachine", i, slot.Machine);
    f.SaveByNo(L"PerfName", i, slot.Name);
    f.SaveByNo(L"PerfTitle", i, slot.Title);
  }
  f.Save(L"pcIsReport", pcIsReport);
  f.Save(L"pcIsSQL", pcIsSQL);
  f.Save(L"pcIsText", pcIsText);
  f.Save(L"IniReports", static_cast<int>(IniReports.size()));
  for (size_t i = 0; i < IniReports.size(); ++i)
    f.SaveByNo(L"IniReport", static_cast<int>(i), IniReports[i]);
  f.Save(L"Tasks", static_cast<int>(Tasks.size()));
  for (size_t i = 0; i < Tasks.size(); ++i) Tasks[i].Save(f, static_cast<int>(i));
  DefConnection.Save(&f, L"DefConnection");

  if (!f.Flush()) {
    platform::Ui().MessageBox(
        platform::Format(L"Could not save the project to '%ls'.", Path.c_str()), L"Error",
        platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return 0;
  }
  Saved = 1;
  return 1;
}

int Project::SaveIfModified() {
  if (Saved) return 0;
  const platform::MsgAnswer answer = platform::Ui().MessageBox(
      L"Current project is not saved. Save it?", L"Warning!", platform::MsgButtons::YesNoCancel,
      platform::MsgIcon::Question);
  switch (answer) {
    case platform::MsgAnswer::Yes:
      // A file that was deleted meanwhile is asked for again rather than silently recreated.
      return Save(platform::FileExists(Path) ? Path : std::wstring()) ? 0 : 1;
    case platform::MsgAnswer::No:
      return 0;
    default:
      return 1;
  }
}

std::wstring ProjectBackupPath(const std::wstring& path) {
  static const std::wstring kEnding = L".bxp";
  const std::wstring name = platform::FileNamePart(path);
  if (name.size() < kEnding.size() ||
      !platform::EqualsNoCase(platform::Right(name, kEnding.size()), kEnding))
    return std::wstring();
  return path.substr(0, path.size() - kEnding.size()) + L".bak";
}
