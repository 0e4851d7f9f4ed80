// What the reports share: labels, report settings, the page properties, the summary table, thread
// metrics and opening a written report.
#include "brunox/engine/reports/ExReport.h"

#include <algorithm>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "kavra/CDB.h"
#include "kavra/DsnInfo.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "platform/UserFormat.h"

ExReport::ExReport(Project& project) : project_(project) { labels_.Init(); }

ExReport::~ExReport() = default;

std::wstring ExReport::Label(const wchar_t* key, const wchar_t* fallback) const {
  return labels_.Get(key, fallback);
}

std::wstring ExReport::LabelWith(const wchar_t* key, const wchar_t* fallback,
                                 const std::wstring& value) const {
  // Profiles are edited by hand: a text without its "%s", or with a conversion that does not take
  // a text, must not break the report.
  if (auto text = platform::FormatUserText(Label(key, fallback), value)) return *text;
  return platform::FormatUserText(fallback, value).value_or(value);
}

namespace {

// Tools that write reports without the program's settings get the registered defaults.
const PageSettingsReport& ReportDefaults() {
  static const PageSettingsReport defaults;
  return defaults;
}

}  // namespace

int ExReport::ReportSettingInt(const wchar_t* key) {
  if (g_settings) return g_settings->getInt(kStoreReport, key);
  return ReportDefaults().getInt(key);
}

std::wstring ExReport::ReportSettingStr(const wchar_t* key) {
  if (g_settings) return g_settings->getStr(kStoreReport, key);
  return ReportDefaults().getStr(key);
}

ExReport::ThreadMetrics ExReport::Metrics(int record) const {
  ThreadMetrics m;
  // Records past those of the run hold an older run's values, or none at all.
  if (!runner_ || record < 0 || record >= runner_->ThreadsOfLastRun ||
      record >= BrunoxRunner::kMaxThreads)
    return m;
  const ThreadInfo& info = runner_->Record(record);
  m.execs = info.Execs.load();
  m.failedRounds = info.FailedRounds.load();
  m.connect = info.ConnectTime;
  m.disconnect = info.CloseTime;
  m.maxTime = info.MaxTime;
  m.minTime = info.MinTime;
  m.total = info.TotalTime;
  m.stmt = info.StmtTime;
  m.fetch = info.FetchTime;
  return m;
}

bool ExReport::RunHadFailedRounds() const {
  if (!runner_) return false;
  for (int record = 0; record < runner_->ThreadsOfLastRun; ++record)
    if (Metrics(record).failedRounds > 0) return true;
  return false;
}

std::vector<int> ExReport::RecordsOf(int index, const Task& task) const {
  if (!runner_) return std::vector<int>(static_cast<size_t>(std::max(0, task.Threads)), -1);
  return runner_->TaskRecords(index, task.Threads);
}

void ExReport::SetTemplateProperties(const std::wstring& title) {
  report_.AddProperty(L"%TITLE%", title);
  report_.AddProperty(L"%LANGUAGE%", ReportSettingStr(L"HtmlLanguage"));
  report_.AddProperty(L"%CHARSET%", ReportSettingStr(L"HtmlCharset"));
  report_.AddProperty(L"%AUTHOR%", project_.Author);
  report_.AddProperty(L"%DESCRIPTION%", project_.Note);
}

void ExReport::SummaryTable(const std::wstring& title) {
  report_.Text(title, PT_REPORT_TITLE);
  report_.Text(Label(L"Summary", L"Summary"), PT_HEADING);
  report_.BeginTable();
  report_.Row2(Label(L"Property", L"Property"), Label(L"Value", L"Value"), 1);
  report_.Row2NotEmptyWithQuote(Label(L"Project", L"Project"), project_.Note);
  report_.ReportCreated(Label(L"Created", L"Report created"));
  report_.Row2(L"Ovra DB Brunox " + Label(L"Version", L"version"), CLog::VersionStr(1));
  if (CDB* db = project_.MainDB) {
    report_.Row2(Label(L"DefConn", L"Default Database Connection"),
                 db->IsConnected() ? db->ConInfo(1, 1) : std::wstring(L"Not connected"));
    report_.Row2(Label(L"DBMS", L"Database System and Version"), DSN_Info::DBMSNameAndVer(db));
  }
}

void ExReport::RowCells(const std::vector<Markup>& cells, int header) {
  report_.BeginRow();
  for (const Markup& cell : cells)
    if (!cell.empty()) report_.Cell(cell, header);
  report_.EndRow();
}

void ExReport::NoteFailure(const std::wstring& file, const std::wstring& text) {
  failures_.push_back({file, text});
  CLog::Bug2(text);
}

void ExReport::NoteWriteFailure(const std::wstring& file, int error) {
  std::wstring reason;
  CLog::FormatLastError(&reason, error);
  NoteFailure(file, L"Could not write the report file '" + file + L"': " + reason + L".");
}

void ExReport::CloseHtmlReport(const std::wstring& name) {
  if (report_.IsOpen() && report_.Close() != RE_OK) NoteFailure(name, report_.ErrorText());
}

void ExReport::OpenInShell(int kind) {
  const std::wstring* file = kind == kHtmlReport       ? &htmlName_
                             : kind == kTextReport     ? &textName_
                             : kind == kCountersReport ? &countersName_
                                                       : nullptr;
  if (!file || file->empty() || !platform::FileExists(*file)) {
    platform::Ui().MessageBox(
        L"Report file is not specified or report is not created.\n"
        L"See 'Project Properties' for details.",
        L"View Execution Report", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  platform::Ui().OpenWithDesktop(*file);
}

std::vector<ReportFailure> WriteRunReports(BrunoxRunner& runner, Project& project,
                                           RunReports& reports) {
  if (!reports.execution) reports.execution = std::make_unique<ExReport>(project);
  if (!reports.counters) reports.counters = std::make_unique<ExReport>(project);
  if (!reports.internal) reports.internal = std::make_unique<ExReport>(project);
  reports.execution->Report(runner);
  reports.counters->CntReport();
  reports.internal->ReportIni(runner);
  std::vector<ReportFailure> failures;
  for (const ExReport* report :
       {reports.execution.get(), reports.counters.get(), reports.internal.get()})
    failures.insert(failures.end(), report->Failures().begin(), report->Failures().end());

  const std::wstring& html = reports.execution->HtmlName();
  const bool htmlWritten =
      !html.empty() && std::none_of(failures.begin(), failures.end(),
                                    [&](const ReportFailure& f) { return f.file == html; });
  if (project.OpenReport && htmlWritten) reports.execution->OpenInShell(ExReport::kHtmlReport);
  return failures;
}
