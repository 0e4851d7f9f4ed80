// The project description report: the project as configured (not a run), as an HTML page with a
// summary table and one table per task.
#include "brunox/engine/project/Project.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "parlemont/MultiReport.h"
#include "platform/Text.h"
#include "platform/UiServices.h"

namespace {

std::wstring YesNo(int value) { return value ? L"Yes" : L"No"; }

std::wstring RunModeText(const Project& p) {
  switch (p.DoType) {
    case kRunUntilStopped:
      return L"While 'stop' button is not pressed.";
    case kRunByTaskCounts:
      return L"By individual task properties.";
    case kRunSeconds:
      return platform::Format(L"%ls seconds.", p.Seconds.c_str());
    case kRunEachTimes:
      return platform::Format(L"Execute each task %ls times.", p.EachTasks.c_str());
    case kRunAllAtLeast:
      return platform::Format(L"Execute all tasks at least %ls times.", p.AllTasks.c_str());
    case kRunEachAtLeast:
      return platform::Format(L"Execute each task at least %ls times.", p.AtLeast.c_str());
    default:
      return L"";
  }
}

std::wstring PriorityText(int priority) {
  switch (priority) {
    case kPriorityLow:
      return L"Low";
    case kPriorityNormal:
      return L"Normal";
    case kPriorityHigh:
      return L"High";
    default:
      return L"";
  }
}

std::wstring DelayText(int low, int high) {
  return low != high ? platform::Format(L"Between %d and %d", low, high) : platform::FromInt(low);
}

void SummarySection(MultiReport& report, const Project& p) {
  report.Anchor(L"P0");
  report.Text(L"Summary", PT_REPORT_TITLE);
  report.BeginTable();
  report.AttributeRowHeader();
  report.ReportCreated();
  report.ProductRow(L"Ovra DB Brunox " + CLog::VersionStr(1));
  const bool connected = p.MainDB && p.MainDB->IsConnected();
  report.Row2(L"Default Database Connection",
              connected ? p.MainDB->ConInfo(1, 0) : std::wstring(L"Not connected"));
  report.Row2(L"Execution Mode", RunModeText(p));
  report.Row2NotEmptyWithQuote(L"Project Description", p.Note);
  report.Row2NotEmptyWithQuote(L"Project Author", p.Author);
  report.Row2(L"Total Tasks", platform::FromInt(static_cast<long long>(p.Tasks.size())));
  report.Row2NotEmptyWithQuote(L"Executed SQL report file", p.SQLFile);
  report.Row2NotEmptyWithQuote(L"HTML report file", p.ReportFile);
  report.Row2NotEmptyWithQuote(L"Text/Excel report file", p.ReportTxtFile);
  report.Row2(L"Show execution plan", YesNo(p.ShowPlan));
  report.Row2NotEmptyWithQuote(L"Report file for comparison", p.ReportIniFile);
  report.Row2NotEmptyWithQuote(L"Perfromance Counters report file", p.CountersReport);
  report.EndTable();
}

void TaskSection(MultiReport& report, const Project& p, const Task& t, int number) {
  report.Anchor(platform::Format(L"P%d", number));
  report.Text(Markup::Escaped(platform::Format(L"Task #%d ", number)) + Markup::Link(L"#", L"top"),
              PT_REPORT_TITLE);
  report.Text(t.Name, PT_NAME);
  report.BeginTable();
  report.Row2(L"Task Property", L"Value", 1);
  report.Row2(L"Active (Enabled)", YesNo(t.isActive));
  report.Row2(L"SQL Script", t.SQL);
  if (t.UseFileSQL == 1) report.Row2(L"Use script from file", t.sqlFile);
  report.Row2(L"Transaction Mode", YesNo(t.AsTransaction));
  report.Row2(L"Use SQL parser", YesNo(t.UseParser));
  report.Row2(L"Task Proirity", PriorityText(t.Priority));
  std::wstring times = L"Defined at the project level.";
  if (p.DoType == kRunByTaskCounts)
    times = t.ExecCntr > 0 ? platform::FromInt(t.ExecCntr) : std::wstring(L"Not limited.");
  report.Row2(L"Execute Times", times);
  report.Row2(L"Threads (virtual users)", platform::FromInt(t.Threads));
  report.Row2NotEmptyWithQuote(L"Prologue SQL", t.SQLBefore);
  report.Row2NotEmptyWithQuote(L"Epilogue SQL", t.SQLAfter);
  report.Row2(L"Connection", t.DefConnect == 1 ? L"Default" : L"Task Level / Custom");
  if (t.DefConnect == 0) report.Row2(L"Custom connection", t.TaskCon.ConInfo());
  report.Row2(L"Save execution results", YesNo(t.bSaveThreadResults));
  if (t.bSaveThreadResults == 1)
    report.Row2(L"Execution results output directory", t.ResultsDirectory);
  report.Row2(L"Fetch Mode",
              t.AllRows == 1 ? std::wstring(L"All rows") : platform::Format(L"%d rows", t.Rows));
  report.Row2(L"Initial Delay, ms", platform::FromInt(t.SQLDelay));
  report.Row2(L"Run to run delay, ms", DelayText(t.Delay, t.DelayMax));
  report.Row2(L"Statement to statement delay, ms", DelayText(t.iStmtDelay, t.iStmtDelayMax));
  report.Row2(L"Group No", platform::FromInt(t.TaskGroup));
  if (t.ParamType != kParamsFromFile) {
    Markup patterns;
    for (size_t i = 0; i < t.Params.size(); ++i) {
      if (i > 0) patterns += Markup(L"<br>");
      patterns += Markup::Escaped(t.Params[i].PropTempl);
    }
    report.Row2(L"Parameter generators", patterns);
  } else {
    report.Row2(L"File with parameters", t.File);
    const bool tab = t.Separator.empty() || t.Separator == L"<tab>";
    report.Row2(L"Parameters file value separator",
                Markup::Escaped(tab ? L"<tab>" : t.Separator));
  }
  report.EndTable();
}

}  // namespace

bool Project::WriteDescriptionReport(const std::wstring& path) const {
  CLog::State(L"Project::WriteDescriptionReport");
  const std::wstring title = L"Ovra DB Brunox Project Report";
  MultiReport report;
  report.AddReport(RF_HTML, path, L"head.htm");
  report.AddProperty(L"%TITLE%", title);
  if (report.Open() != RE_OK) {
    platform::Ui().MessageBox(L"Could not open or create report file", path,
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
    CLog::State(nullptr);
    return false;
  }
  report.Text(title, PT_TITLE);
  report.TocEntry(L"P0", L"Summary");
  for (size_t i = 1; i <= Tasks.size(); ++i)
    report.TocEntry(platform::Format(L"P%d", static_cast<int>(i)),
                    platform::Format(L"Task #%d", static_cast<int>(i)));
  SummarySection(report, *this);
  for (size_t i = 0; i < Tasks.size(); ++i)
    TaskSection(report, *this, Tasks[i], static_cast<int>(i) + 1);
  const bool written = report.Close() == RE_OK;
  CLog::State(nullptr);
  return written;
}
