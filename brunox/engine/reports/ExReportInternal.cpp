// The internal report: an ini file with the timings of one run, which later runs compare with.
// Section "Report" holds the run, sections "Task1".."TaskN" the active tasks in task order, with
// the thread number appended to each per-thread key ("ThisCntr3"). A run that had failed rounds
// adds them as the last key of each thread ("FailedRounds3").
#include <cerrno>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "mervis/Macros.h"
#include "mervis/PumpMessage.h"
#include "mervis/SysReg.h"
#include "parlemont/ReportTime.h"
#include "platform/Text.h"

namespace {

const wchar_t kReportSection[] = L"Report";

std::wstring Real(double value) { return platform::Format(L"%5.4f", value); }

}  // namespace

int ExReport::ReportIni(BrunoxRunner& runner) {
  Trace trace(L"ExReport::ReportIni");
  runner_ = &runner;
  timer_ = &runner.Timer;
  failures_.clear();
  if (BeginIni() != 0) return 0;
  failedRounds_ = RunHadFailedRounds();
  int n = 0;
  for (size_t i = 0; i < project_.Tasks.size(); ++i) {
    const Task& task = project_.Tasks[i];
    if (task.isActive) TaskIni(++n, task, RecordsOf(static_cast<int>(i), task));
    PumpMessage();
  }
  // The whole file replaces the older report at once, or nothing changes.
  if (!ini_->Flush()) NoteWriteFailure(iniName_, errno);
  ini_.reset();
  return failures_.empty() ? 0 : -1;
}

int ExReport::BeginIni() {
  Trace trace(L"ExReport::BeginIni");
  iniName_ = DateAndTimeMacros(project_.ReportIniFile, 0, 0);
  if (iniName_.empty()) return 2;
  CLog::State2(platform::Format(L"Creating ini report '%ls'", iniName_.c_str()));
  ini_ = std::make_unique<CSysReg>(iniName_);
  // Recreated on every run: nothing of an older report may survive in it.
  ini_->Clear();

  int active = 0;
  double setup = 0;
  for (const Task& task : project_.Tasks) {
    if (!task.isActive) continue;
    WriteReportRealN(L"SetupTime", ++active, task.SetupTime);
    setup += task.SetupTime;
  }
  WriteIniText(kReportSection, L"TimeStamp", parlemont::ReportTimeNow());
  WriteIniText(kReportSection, L"Note", project_.Note);
  WriteIniInt(kReportSection, L"ActiveTasks", active);
  WriteReportReal(L"TotalSetupTime", setup);
  return 0;
}

void ExReport::TaskIni(int n, const Task& task, const std::vector<int>& records) {
  const std::wstring section = platform::Format(L"Task%d", n);
  WriteIniText(section, L"Name", task.Name);
  WriteIniInt(section, L"Threads", task.Threads);
  for (int k = 1; k <= task.Threads; ++k) {
    const ThreadMetrics m = Metrics(records[static_cast<size_t>(k - 1)]);
    if (m.HasAverages()) {
      WriteIniRealN(section, L"AvgSpeed", k, m.execs / m.total);
      WriteIniRealN(section, L"AvgDuration", k, m.total / m.execs);
    }
    WriteIniIntN(section, L"ThisCntr", k, m.execs);
    WriteIniRealN(section, L"MaxSeconds", k, m.maxTime);
    WriteIniRealN(section, L"MinSeconds", k, m.minTime);
    WriteIniRealN(section, L"ConnSeconds", k, m.connect);
    WriteIniRealN(section, L"DisconSeconds", k, m.disconnect);
    WriteIniRealN(section, L"SumSeconds", k, m.total);
    WriteIniRealN(section, L"SumExec", k, m.stmt);
    WriteIniRealN(section, L"SumFetch", k, m.fetch);
    if (failedRounds_)
      WriteIniText(section, L"FailedRounds" + platform::FromInt(k),
                   platform::FromInt(m.failedRounds));
  }
}

void ExReport::WriteIniText(const std::wstring& section, const std::wstring& key,
                            const std::wstring& value) {
  if (!ini_) return;
  ini_->Section(section);
  ini_->Save(key, value);
}

void ExReport::WriteIniInt(const std::wstring& section, const std::wstring& key, int value) {
  WriteIniText(section, key, platform::FromInt(value));
}

void ExReport::WriteIniIntN(const std::wstring& section, const std::wstring& key, int number,
                            int value) {
  WriteIniText(section, key + platform::FromInt(number), platform::FromInt(value));
}

void ExReport::WriteIniRealN(const std::wstring& section, const std::wstring& key, int number,
                             double value) {
  WriteIniText(section, key + platform::FromInt(number), Real(value));
}

void ExReport::WriteReportReal(const std::wstring& key, double value) {
  WriteIniText(kReportSection, key, Real(value));
}

void ExReport::WriteReportRealN(const std::wstring& key, int number, double value) {
  WriteIniRealN(kReportSection, key, number, value);
}
