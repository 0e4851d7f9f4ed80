// The comparison report: the same metrics of two or more internal reports side by side, one
// column per report. Only reports of the same number of active tasks can be compared; the first
// report decides how many threads of each task are listed. Failed rounds, which only runs that had
// them keep, get their row where any of the reports holds them.
#include <algorithm>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "mervis/Macros.h"
#include "mervis/PumpMessage.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/UiServices.h"

namespace {

const wchar_t kReportSection[] = L"Report";

}  // namespace

std::wstring ExReport::ReadReportValue(CSysReg& file, const std::wstring& section,
                                       const std::wstring& key) {
  file.Section(section);
  std::wstring value = file.Read(key, L"");
  if (value.size() >= static_cast<size_t>(kReadBuffer)) value.resize(kReadBuffer - 1);
  return value;
}

bool ExReport::IsInternalReport(const std::wstring& path, std::wstring* why) {
  CSysReg file(path);
  if (!file.ReadError().empty()) {
    if (why) *why = file.ReadError();
    return false;
  }
  file.Section(kReportSection);
  if (file.HasKey(L"ActiveTasks")) return true;
  if (why)
    *why = L"'" + path + L"' is not an internal report: it has no [Report] section with " +
           L"ActiveTasks. A run writes one where Project Properties names a report \"in the " +
           L"internal format for comparison purpose\".";
  return false;
}

int ExReport::CompareReport(const std::vector<std::wstring>& reports,
                            const std::wstring& namePattern) {
  Trace trace(L"ExReport::CompareReport");
  failures_.clear();
  if (reports.empty()) return -1;
  // A missing or unreadable report reads as empty values.
  std::vector<std::unique_ptr<CSysReg>> files;
  for (const std::wstring& path : reports) files.push_back(std::make_unique<CSysReg>(path));

  comparedTasks_ = platform::ToInt(ReadReportValue(*files[0], kReportSection, L"ActiveTasks"));
  for (size_t i = 1; i < files.size(); ++i) {
    if (platform::ToInt(ReadReportValue(*files[i], kReportSection, L"ActiveTasks")) !=
        comparedTasks_) {
      platform::Ui().MessageBox(L"The reports have different number of tasks and can't be compared",
                                L"Warning", platform::MsgButtons::Ok, platform::MsgIcon::Error);
      return -1;
    }
  }

  const std::wstring title = Label(L"CmpReport", L"Execution Comparison Report");
  compareName_ = DateAndTimeMacros(namePattern, 0, 0);
  report_.Clear();
  SetTemplateProperties(title);
  report_.AddReport(RF_HTML, compareName_, L"head.htm");
  if (report_.Open() != RE_OK) {
    NoteFailure(compareName_, report_.ErrorText());
    return -1;
  }

  CLog::State2(platform::Format(L"Creating comparsion report '%ls'", compareName_.c_str()));
  SummaryTable(title);
  const int count = static_cast<int>(files.size());
  report_.Row2(Label(L"NReports", L"Number of reports to be compared"), platform::FromInt(count));
  const std::wstring reportLabel = Label(L"Report", L"Report");
  for (int i = 1; i <= count; ++i) {
    const std::wstring note = ReadReportValue(*files[i - 1], kReportSection, L"Note");
    const std::wstring& path = reports[i - 1];
    report_.Row2(
        platform::Format(L"%ls #%d", reportLabel.c_str(), i),
        note.empty() ? path : platform::Format(L"%ls [ %ls ]", path.c_str(), note.c_str()));
  }
  report_.EndTable();

  report_.Text(Label(L"CmpResults", L"Comparison Results"), PT_HEADING);
  report_.BeginTable();
  report_.BeginRow();
  report_.Cell(Label(L"Task", L"Task"), 1, L" width=5%");
  report_.Cell(Label(L"Thread", L"Thread"), 1, L" width=5%");
  report_.Cell(Label(L"Metric", L"Metric"), 1, L" width=15%");
  report_.Cell(Label(L"Unit", L"Unit"), 1, L" width=15%");
  const std::wstring valueLabel = Label(L"Value", L"Value");
  for (int i = 1; i <= count; ++i)
    report_.Cell(platform::Format(L"%ls #%d %ls ", reportLabel.c_str(), i, valueLabel.c_str()), 1);
  report_.EndRow();

  CmpRow(kReportSection, Label(L"RepTimeStamp", L"Report timestamp"), L"", 0, 0, L"TimeStamp",
         files);
  CmpRow(kReportSection, Label(L"JobSetupTime", L"Total job setup time"), L"Second", 0, 0,
         L"TotalSetupTime", files);

  struct ThreadMetric {
    const wchar_t* key;
    const wchar_t* metricKey;
    const wchar_t* metric;
    const wchar_t* unitKey;
    const wchar_t* unit;
    bool whereKept;  // a row only where a report holds the key
  };
  static const ThreadMetric kThreadMetrics[] = {
      {L"ThisCntr", L"ThExecuted", L"Thread Executed", L"Iterations", L"Iterations", false},
      {L"AvgSpeed", L"AvgSpeed", L"Average speed", L"ItPerSec", L"Iterations per second", false},
      {L"AvgDuration", L"AvgDur", L"Average duration", L"Seconds", L"Seconds", false},
      {L"MaxSeconds", L"MaxDur", L"Maximum duration", L"Seconds", L"Seconds", false},
      {L"MinSeconds", L"MinDur", L"Minimum duration", L"Seconds", L"Seconds", false},
      {L"ConnSeconds", L"ConTime", L"Connection time", L"Seconds", L"Seconds", false},
      {L"DisconSeconds", L"DisTime", L"Disconnection time", L"Seconds", L"Seconds", false},
      {L"SumSeconds", L"TotDur", L"Total duration", L"Seconds", L"Seconds", false},
      {L"FailedRounds", L"FailedRounds", L"Failed rounds", L"Iterations", L"Iterations", true},
  };
  const auto kept = [&](const std::wstring& section, const std::wstring& key) {
    return std::any_of(files.begin(), files.end(), [&](const std::unique_ptr<CSysReg>& file) {
      file->Section(section);
      return file->HasKey(key);
    });
  };
  // No run has more threads than the runner's records, so a report that claims more was not
  // written by a run; the limits keep such a file from producing an endless page.
  const int tasks = std::min(comparedTasks_, BrunoxRunner::kMaxThreads);
  int threadRowsLeft = BrunoxRunner::kMaxThreads;
  for (int t = 1; t <= tasks; ++t) {
    const std::wstring section = platform::Format(L"Task%d", t);
    CmpRow(section, L"Name", L"", t, 0, L"Name", files);
    CmpRow(section, L"Threads", L"", t, 0, L"Threads", files);
    const int threads =
        std::min(platform::ToInt(ReadReportValue(*files[0], section, L"Threads")), threadRowsLeft);
    threadRowsLeft -= std::max(threads, 0);
    for (int k = 1; k <= threads; ++k) {
      const std::wstring number = platform::FromInt(k);
      for (const ThreadMetric& m : kThreadMetrics)
        if (!m.whereKept || kept(section, m.key + number))
          CmpRow(section, Label(m.metricKey, m.metric), Label(m.unitKey, m.unit), t, k,
                 m.key + number, files);
    }
    PumpMessage();
  }
  report_.EndTable();
  CloseHtmlReport(compareName_);
  return failures_.empty() ? 0 : -1;
}

void ExReport::CmpRow(const std::wstring& section, const std::wstring& metric,
                      const std::wstring& unit, int task, int thread, const std::wstring& key,
                      const std::vector<std::unique_ptr<CSysReg>>& files) {
  Trace trace(L"ExReport::CmpRow");
  const auto numberOrSpace = [](int n) {
    return n > 0 ? Markup::Escaped(platform::FromInt(n)) : Markup::NonBreakingSpace();
  };
  report_.BeginRow();
  report_.Cell(numberOrSpace(task));
  report_.Cell(numberOrSpace(thread));
  report_.Cell(metric);
  report_.Cell(unit.empty() ? Markup::NonBreakingSpace() : Markup::Escaped(unit));
  for (const auto& file : files) report_.Cell(ReadReportValue(*file, section, key));
  report_.EndRow();
}
