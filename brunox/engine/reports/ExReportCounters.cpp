// The counters report: one row per statistics period with the sample of every enabled counter.
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "mervis/Macros.h"
#include "mervis/PumpMessage.h"
#include "platform/Text.h"

int ExReport::CntReport() {
  failures_.clear();
  if (project_.CountersReport.empty()) return 0;
  Trace trace(L"ExReport::CntReport");
  const std::wstring title = L"Performance Counters Report";
  countersName_ = DateAndTimeMacros(project_.CountersReport, 0, 0);
  CLog::State2(L"Creating performance counters report: " + countersName_);

  report_.Clear();
  report_.AddReport(RF_HTML, countersName_, L"head.htm");
  SetTemplateProperties(title);
  if (report_.Open() != RE_OK) {
    NoteFailure(countersName_, report_.ErrorText());
    return -1;
  }

  SummaryTable(title);
  report_.EndTable();
  report_.Text(L"Performance Counter Values", PT_HEADING);
  report_.BeginTable();
  report_.BeginRow();
  report_.Cell(L"Point No", 1, L" width=\"80\"");
  report_.Cell(L"Timestamp", 1, L" width=\"100\"");
  std::vector<const PerfCounterSlot*> enabled;
  for (const PerfCounterSlot& slot : project_.Counters) {
    if (!slot.Enabled) continue;
    enabled.push_back(&slot);
    report_.Cell(slot.Title, 1);
  }
  report_.EndRow();

  // The runner appends one time and one sample of every enabled slot per period, so the counts
  // agree; a slot enabled after the run has none, and its cells read as not available.
  const size_t rows = enabled.empty() ? 0 : enabled.back()->Samples.size();
  const std::vector<std::wstring>& times = project_.Counters[0].Times;
  for (size_t r = 0; r < rows; ++r) {
    report_.BeginRow();
    report_.Cell(platform::FromUInt(r + 1));
    report_.Cell(r < times.size() ? times[r] : std::wstring());
    for (const PerfCounterSlot* slot : enabled) {
      const bool taken = r < slot->Samples.size() && slot->Samples[r] != kNoSample;
      report_.Cell(
          taken ? platform::FromUInt(slot->Samples[r]) : std::wstring(L"Not available yet"), 0,
          L" align=right");
    }
    report_.EndRow();
    PumpMessage();
  }
  report_.EndTable();
  CloseHtmlReport(countersName_);
  return failures_.empty() ? 0 : -1;
}
