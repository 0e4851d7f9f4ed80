#include "brunox/engine/project/Project.h"

#include <algorithm>
#include <climits>

const std::wstring* Project::UnreadDoType() const {
  return DoTypeText && DoType == kDoTypeNotANumber ? &*DoTypeText : nullptr;
}

void Project::Clear() {
  Path.clear();
  Tasks.clear();
  SQLFile.clear();
  ReportFile.clear();
  ReportTxtFile.clear();
  ReportIniFile.clear();
  CountersReport.clear();
  Note.clear();
  Author.clear();
  pcIsReport = 0;
  pcIsSQL = 0;
  pcIsText = 0;
  IniReports.clear();
  for (PerfCounterSlot& slot : Counters) {
    slot.Samples.clear();
    slot.Name.clear();
    slot.Title.clear();
  }
  DefConnection.Empty();
  Saved = 1;
}

int Project::MaxBlobBytesOf(long long kilobytes) {
  if (kilobytes <= 0) return 0;
  return static_cast<int>(std::min<long long>(kilobytes, INT_MAX / 1024LL) * 1024LL);
}
