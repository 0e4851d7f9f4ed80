// The execution report: the HTML page and, in the same pass, the lines of the text report.
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "kavra/CDB.h"
#include "kavra/DbmsCodes.h"
#include "mervis/Macros.h"
#include "mervis/PumpMessage.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

std::wstring FormatMetric(double value) { return platform::Format(L"%7.4f", value); }

// A column header: the label, a line break and its unit.
Markup WithUnit(const std::wstring& label, const std::wstring& unit) {
  return Markup::Escaped(label) + Markup(L",<br>") + Markup::Escaped(unit);
}

Markup TextOrSpace(const std::wstring& text) {
  return text.empty() ? Markup::NonBreakingSpace() : Markup::Escaped(text);
}

}  // namespace

int ExReport::Report(BrunoxRunner& runner) {
  Trace trace(L"ExReport::Report");
  runner_ = &runner;
  timer_ = &runner.Timer;
  failures_.clear();
  if (Begin() == 2) return 0;  // the project names no execution report
  int firstActive = 1;
  for (size_t i = 0; i < project_.Tasks.size(); ++i) {
    const Task& task = project_.Tasks[i];
    if (task.isActive) {
      const int index = static_cast<int>(i);
      TaskSection(index, task, RecordsOf(index, task), firstActive);
      firstActive = 0;
    }
    PumpMessage();
  }
  WriteTextReport();
  CloseHtmlReport(htmlName_);
  return failures_.empty() ? 0 : -1;
}

int ExReport::Begin() {
  htmlName_ = DateAndTimeMacros(project_.ReportFile, 0, 0);
  textName_ = DateAndTimeMacros(project_.ReportTxtFile, 0, 0);
  if (htmlName_.empty() && textName_.empty()) return 2;
  textWanted_ = !textName_.empty();
  textBytes_.clear();
  failedRounds_ = RunHadFailedRounds();

  Trace trace(L"ExReport::Begin");
  const std::wstring title = ReportSettingStr(L"ReportTitle");
  CLog::State2(
      platform::Format(L"Creating reports: '%ls' '%ls'", textName_.c_str(), htmlName_.c_str()));
  report_.Clear();
  // Without an HTML name, or when it cannot be written, the page is built in memory and never
  // written: the text report gets its lines all the same.
  if (!htmlName_.empty()) {
    report_.AddReport(RF_HTML, htmlName_, L"head.htm");
    SetTemplateProperties(title);
    if (report_.Open() != RE_OK) NoteFailure(htmlName_, report_.ErrorText());
  }

  SummaryTable(title);
  SummaryRows();
  report_.EndTable();
  return 0;
}

void ExReport::SummaryRows() {
  int active = 0;
  double setup = 0;
  for (const Task& task : project_.Tasks) {
    if (!task.isActive) continue;
    ++active;
    setup += task.SetupTime;
  }
  const double elapsed = timer_ ? timer_->Seconds() : 0.0;
  report_.Row2(Label(L"ActiveTasks", L"Active (enabled) Tasks in the Project"),
               platform::Format(L"%d of %d", active, static_cast<int>(project_.Tasks.size())));
  report_.Row2(Label(L"PrInitTime", L"Project Initialization Time, seconds"), FormatMetric(setup));
  report_.Row2(Label(L"PrExecTime", L"Total Project Execution Time, seconds"),
               FormatMetric(elapsed));
  report_.Row2(Label(L"ExMode", L"Execution Mode"), RunModeText());
}

std::wstring ExReport::RunModeText() const {
  std::wstring text;
  switch (project_.DoType) {
    case kRunUntilStopped:
      text = Label(L"UntilStop", L"While 'Stop' is not pressed");
      break;
    case kRunByTaskCounts:
      text = Label(L"ByTaskProp", L"By individual task properties");
      break;
    case kRunSeconds:
      text = LabelWith(L"NSeconds", L"%s seconds", project_.Seconds);
      break;
    case kRunEachTimes:
      text = LabelWith(L"EachThreadTimes", L"Run each thread %s times", project_.EachTasks);
      break;
    case kRunAllAtLeast:
      text = LabelWith(L"RunAtLeast", L"Run at least %s times for all threads", project_.AllTasks);
      break;
    case kRunEachAtLeast:
      text = LabelWith(L"RunEachAtLeast", L"Run each thread at least %s times", project_.AtLeast);
      break;
    default:
      break;
  }
  text += L", ";
  switch (runner_ ? runner_->RunMode : 0) {
    case -1:
      text += Label(L"ModeGroup", L"by group execution");
      break;
    case 0:
      text += Label(L"ModeConc", L"concurrent mode");
      break;
    case 1:
      text += Label(L"ModeSeq", L"sequentially execution");
      break;
    default:
      break;
  }
  return text;
}

void ExReport::TaskSection(int index, const Task& task, const std::vector<int>& records,
                           int firstActive) {
  Trace trace(L"ExReport::Task");
  const std::wstring number = platform::FromInt(index + 1);
  std::wstring heading =
      platform::Format(L"%ls #%ls ", Label(L"Task", L"Task").c_str(), number.c_str());
  if (!task.Name.empty()) heading += L'"' + task.Name + L'"';
  report_.Text(heading, PT_HEADING);
  TaskProperties(task, records);
  TaskPlan(task, number);
  TaskMetrics(task, number, records, firstActive);
}

void ExReport::TaskProperties(const Task& task, const std::vector<int>& records) {
  report_.BeginTable();
  report_.Row2(Label(L"Property", L"Property"), Label(L"Value", L"Value"), 1);
  report_.Row2(Label(L"NumberOfThr", L"Number of Concurrent Threads"),
               platform::FromInt(task.Threads));
  if (ReportSettingInt(L"RepShowSQL")) {
    report_.Row2(Label(L"Script", L"SQL script"), task.SQL);
    if (task.UseFileSQL) report_.Row2(Label(L"ScriptFile", L"Use Script from File"), task.sqlFile);
    report_.Row2NotEmptyWithQuote(Label(L"Prologue", L"Prologue SQL script"), task.SQLBefore);
    report_.Row2NotEmptyWithQuote(Label(L"Epilogue", L"Epilogue SQL script"), task.SQLAfter);
  }
  if (task.DefConnect == 0)
    report_.Row2(Label(L"CustomCon", L"Custom Connection"), task.TaskCon.ConInfo());
  if (ReportSettingInt(L"rbTaskPriority")) {
    std::wstring priority;
    switch (task.Priority) {
      case kPriorityLow:
        priority = Label(L"PrLow", L"Low");
        break;
      case kPriorityNormal:
        priority = Label(L"PrNormal", L"Normal");
        break;
      case kPriorityHigh:
        priority = Label(L"PrHigh", L"High");
        break;
      default:
        break;
    }
    report_.Row2(Label(L"TaskPrior", L"Task Priority"), priority);
  }
  if (platform::FileExists(task.File))
    report_.Row2(Label(L"ParamFile", L"File with Parameters"), task.File);
  if (ReportSettingInt(L"rbTaskInit"))
    report_.Row2(Label(L"TaskInitTime", L"Task Initialization Time, seconds"),
                 FormatMetric(task.SetupTime));
  if (ReportSettingInt(L"rbTaskTotal")) {
    double total = 0;
    for (const int record : records) total += Metrics(record).total;
    report_.Row2(Label(L"TaskTotTime", L"Total Task Duration, seconds"), FormatMetric(total));
  }
  report_.EndTable();
}

void ExReport::TaskPlan(const Task& task, const std::wstring& number) {
  if (task.Plan.empty()) return;
  report_.Text(LabelWith(L"ExPlan", L"Task #%s execution plan", number), PT_HEADING);
  report_.BeginTable();
  switch (project_.MainDB ? project_.MainDB->DBMS : DBMS_UNKNOWN) {
    case DBMS_MSSQL: {
      RowCells({Markup::Escaped(Label(L"StmtText", L"Statement Text")),
                Markup::Escaped(Label(L"PhysOperat", L"Physical Operation")),
                Markup::Escaped(Label(L"LogicOperat", L"Logical Operation")),
                Markup::Escaped(Label(L"EstRows", L"Estimate Rows")),
                Markup::Escaped(Label(L"EstIO", L"Estimate IO")),
                Markup::Escaped(Label(L"EstCPU", L"Estimate CPU")),
                Markup::Escaped(Label(L"AvgRowSize", L"Average Row Size")),
                Markup::Escaped(Label(L"SubtCost", L"Subtree Cost"))},
               1);
      for (const PlanRow& row : task.Plan) {
        std::vector<Markup> cells;
        for (const std::wstring& column : row.Columns) cells.push_back(TextOrSpace(column));
        RowCells(cells, 0);
      }
      break;
    }
    case DBMS_ORACLE: {
      report_.BeginRow();
      report_.Cell(Label(L"Operation", L"Operation"), 1);
      report_.Cell(Label(L"Option", L"Option"), 1);
      report_.Cell(Label(L"Object", L"Object"), 1);
      report_.EndRow();
      for (const PlanRow& row : task.Plan) {
        const auto& c = row.Columns;
        report_.BeginRow();
        if (!c[0].empty()) report_.Cell(c[0]);
        if (!c[1].empty()) report_.Cell(c[1]);
        if (!c[3].empty())
          report_.Cell(
              platform::Format(L"%ls.%ls [%ls]", c[2].c_str(), c[3].c_str(), c[4].c_str()));
        else
          report_.Cell(Markup::NonBreakingSpace());
        report_.EndRow();
      }
      break;
    }
    default:
      break;
  }
  report_.EndTable();
  report_.Text(LabelWith(L"TaskMetrics", L"Task #%s metrics", number), PT_HEADING);
}

void ExReport::TaskMetrics(const Task& task, const std::wstring& number,
                           const std::vector<int>& records, int firstActive) {
  const bool showExecuted = ReportSettingInt(L"rbExecuted") != 0;
  const bool showSpeed = ReportSettingInt(L"rbAvgSpeed") != 0;
  const bool showAverage = ReportSettingInt(L"rbAvgDuration") != 0;
  const bool showMax = ReportSettingInt(L"rbMaxDuration") != 0;
  const bool showMin = ReportSettingInt(L"rbMinDuration") != 0;
  const bool showTotal = ReportSettingInt(L"rbDuration") != 0;
  const bool showConnect = ReportSettingInt(L"rbConnect") != 0;
  const bool showDisconnect = ReportSettingInt(L"rbDisconnect") != 0;

  const std::wstring executed = Label(L"Executed", L"Executed");
  const std::wstring speed = Label(L"AvgSpeed", L"Average Speed");
  const std::wstring average = Label(L"AvgDur", L"Average Duration");
  const std::wstring maxTime = Label(L"MaxDur", L"Max Duration");
  const std::wstring minTime = Label(L"MinDur", L"Min Duration");
  const std::wstring connect = Label(L"ConTime", L"Connect Time");
  const std::wstring disconnect = Label(L"DisTime", L"Disconnect Time");
  const std::wstring total = Label(L"TotDur", L"Total Duration");
  const std::wstring connection = Label(L"Connection", L"Connection");
  // The last column, only in a run that had failed rounds: in others the reports stay as they
  // always were.
  const std::wstring failed = failedRounds_ ? Label(L"FailedRounds", L"Failed rounds") : L"";

  if (firstActive)
    TextLine({L"TaskNo", L"TaskName", L"Thread", executed, speed, average, maxTime, minTime,
              connect, disconnect, connection,
              CounterTitles() + (failedRounds_ ? L"\t" + failed : L"")});

  const std::wstring seconds = Label(L"Seconds", L"Seconds");
  const auto shown = [](bool on, Markup cell) { return on ? cell : Markup(); };
  report_.BeginTable();
  RowCells(
      {Markup::Escaped(Label(L"ThreadNo", L"ThreadNo")),
       shown(showExecuted, WithUnit(executed, Label(L"Times", L"times"))),
       shown(showSpeed, WithUnit(speed, Label(L"ItPerSec", L"iterations/second"))),
       shown(showAverage, WithUnit(average, seconds)), shown(showMax, WithUnit(maxTime, seconds)),
       shown(showMin, WithUnit(minTime, seconds)), shown(showConnect, WithUnit(connect, seconds)),
       shown(showDisconnect, Markup::Escaped(disconnect)),
       shown(showTotal, WithUnit(total, seconds)), Markup::Escaped(failed)},
      1);

  const std::wstring connectionText =
      task.DefConnect == 0 ? task.TaskCon.ConInfo() : project_.DefConnection.ConInfo();
  for (int j = 0; j < task.Threads; ++j) {
    const ThreadMetrics m = Metrics(records[static_cast<size_t>(j)]);
    const std::wstring count = platform::FromInt(m.execs);
    const std::wstring rate = m.HasAverages() ? FormatMetric(m.execs / m.total) : L"N/A";
    const std::wstring mean = m.HasAverages() ? FormatMetric(m.total / m.execs) : L"N/A";
    const std::wstring longest = FormatMetric(m.maxTime);
    // A thread that never finished a round has no shortest round; its record still holds the
    // start value, which as a duration would be a plainly wrong 40960 seconds.
    const std::wstring shortest = m.execs > 0 ? FormatMetric(m.minTime) : L"N/A";
    const std::wstring connectTime = FormatMetric(m.connect);
    const std::wstring disconnectTime = FormatMetric(m.disconnect);
    const std::wstring totalTime = FormatMetric(m.total);
    const auto cell = [](bool on, const std::wstring& text) {
      return on ? Markup::Escaped(text) : Markup();
    };
    const std::wstring thread = platform::FromInt(j + 1);
    const std::wstring failedCount = platform::FromInt(m.failedRounds);
    RowCells({Markup::Escaped(thread), cell(showExecuted, count), cell(showSpeed, rate),
              cell(showAverage, mean), cell(showMax, longest), cell(showMin, shortest),
              cell(showConnect, connectTime), cell(showDisconnect, disconnectTime),
              cell(showTotal, totalTime), cell(failedRounds_, failedCount)},
             0);
    TextLine({number, task.Name, thread, count, rate, mean, longest, shortest, connectTime,
              disconnectTime, connectionText,
              CounterSuffix(j) + (failedRounds_ ? L"\t" + failedCount : L"")});
  }
  report_.EndTable();
}

std::wstring ExReport::CounterTitles() const {
  std::wstring titles;
  if (!project_.pcIsText) return titles;
  for (const PerfCounterSlot& slot : project_.Counters)
    if (slot.Enabled) titles += L'\t' + slot.Title;
  return titles;
}

std::wstring ExReport::CounterSuffix(int thread) const {
  std::wstring suffix;
  if (!project_.pcIsText) return suffix;
  for (const PerfCounterSlot& slot : project_.Counters) {
    if (!slot.Enabled) continue;
    const bool taken = thread >= 0 && static_cast<size_t>(thread) < slot.Samples.size() &&
                       slot.Samples[thread] != kNoSample;
    suffix += taken ? L'\t' + platform::FromUInt(slot.Samples[thread]) : L"\tNo data";
  }
  return suffix;
}
