#pragma once
// The reports of a finished run, written from the runner's thread records:
//   - the execution report: an HTML page (a summary, then per active task its properties, its
//     captured plan and one row of metrics per thread) and, in the same pass, a tab-separated
//     text report with one line per thread;
//   - the internal report: an ini file (".bnxrep") with the timings of the run, kept so that
//     later runs can be compared with it;
//   - the comparison report: the metrics of two or more internal reports side by side;
//   - the counters report: the performance-counter samples of the run.
// Every visible label comes from the label profile (StringFactory) with a built-in fallback.
//
// One object per report kind; each pass begins afresh and keeps the expanded file names, which
// OpenInShell and the report pages open afterwards. Console runs write none of these reports:
// the window calls WriteRunReports after a run.
//
// Every report file is written on its own, whole or not at all (through a temporary file beside
// it): one that cannot be written keeps no other from being written and leaves nothing empty or
// cut under its name. A pass notes each file it could not write in Failures() and the program log;
// it shows no message, so that the window can tell them all at once.
//
// When any thread of the run had failed rounds (which are no executions), the execution reports
// end each thread's row with them and the internal report keeps them; a run without failed
// rounds is reported as it always was.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "brunox/engine/reports/StringFactory.h"
#include "mervis/Log.h"
#include "parlemont/MultiReport.h"

class BrunoxRunner;
class CSysReg;
class Project;
class _TimeCounter;
struct Task;

// A report file that could not be written: its name, and a sentence that names it and says why.
struct ReportFailure {
  std::wstring file;
  std::wstring text;
};

class ExReport {
 public:
  // What OpenInShell opens.
  enum Kind { kHtmlReport = 0, kTextReport = 2, kCountersReport = 3 };

  // The reports describe `project`, which must outlive the object; the label profile is chosen
  // here (StringFactory::Init).
  explicit ExReport(Project& project);
  virtual ~ExReport();
  ExReport(const ExReport&) = delete;
  ExReport& operator=(const ExReport&) = delete;

  // The HTML and text execution reports of the run that `runner` has just finished on the
  // project. 0 when written or not wanted (no file names); -1 when a file could not be written
  // (Failures() says which and why; the other one is written all the same).
  int Report(BrunoxRunner& runner);
  // The internal report of that run (nothing without a ReportIniFile). 0, or -1 when it could
  // not be written (Failures()).
  int ReportIni(BrunoxRunner& runner);
  // The comparison of the internal reports `reports` (at least one) written to the expanded
  // `namePattern`. 0 written; -1 refused (the reports hold different numbers of active tasks;
  // the user is told) or the output not written (Failures()).
  int CompareReport(const std::vector<std::wstring>& reports, const std::wstring& namePattern);
  // Whether `path` holds an internal report (a [Report] section with ActiveTasks), the only kind
  // of file a comparison can put side by side. False with the reason, naming the file, in `why`.
  static bool IsInternalReport(const std::wstring& path, std::wstring* why);
  // The counters report of the last run. 0 written or nothing to write (no CountersReport);
  // -1 when the file could not be written (Failures()).
  int CntReport();
  // The files the last pass could not write.
  const std::vector<ReportFailure>& Failures() const { return failures_; }
  // Opens a written report (Kind) with the desktop; tells the user when there is none.
  void OpenInShell(int kind);

  // The expanded file names of the last pass of each report ("" before it).
  const std::wstring& HtmlName() const { return htmlName_; }
  const std::wstring& TextName() const { return textName_; }
  const std::wstring& CountersName() const { return countersName_; }
  const std::wstring& CompareName() const { return compareName_; }
  const std::wstring& IniName() const { return iniName_; }

  // Values read back from an internal report are cut to what this buffer held.
  static constexpr int kReadBuffer = 512;

 private:
  // A thread's metrics; a record the run never reached reads as zeros.
  struct ThreadMetrics {
    int execs = 0;
    long long failedRounds = 0;
    double connect = 0, disconnect = 0, maxTime = 0, minTime = 0, total = 0, stmt = 0, fetch = 0;
    // "count / total" and "total / count" are meaningful (more than 0.01 s and one execution).
    bool HasAverages() const { return total > 0.01 && execs != 0; }
  };
  // The label of `key` in the profile, or `fallback`.
  std::wstring Label(const wchar_t* key, const wchar_t* fallback) const;
  // A label holding one "%s", filled with `value`. A profile text that is not such a format
  // falls back to `fallback` (which always is).
  std::wstring LabelWith(const wchar_t* key, const wchar_t* fallback,
                         const std::wstring& value) const;
  static int ReportSettingInt(const wchar_t* key);
  static std::wstring ReportSettingStr(const wchar_t* key);
  ThreadMetrics Metrics(int record) const;
  // Any thread of the reported run had a failed round: the reports then show them per thread.
  bool RunHadFailedRounds() const;
  // The records of task `index` of the reported run by thread number (-1: never started).
  std::vector<int> RecordsOf(int index, const Task& task) const;
  // A counter sample the run could not take (the first periods of a rate counter).
  static constexpr uint32_t kNoSample = 0xFFFFFFFFu;

  // ---- Shared by the HTML reports ----
  void SetTemplateProperties(const std::wstring& title);
  // The title, the "Summary" heading and the summary table, left open for more rows.
  void SummaryTable(const std::wstring& title);
  // One row of the cells that are not empty.
  void RowCells(const std::vector<Markup>& cells, int header);
  // A file of this pass that could not be written; logged.
  void NoteFailure(const std::wstring& file, const std::wstring& text);
  // The same for a write that failed with errno `error`.
  void NoteWriteFailure(const std::wstring& file, int error);
  // Writes the HTML report collected in report_, when it could be opened.
  void CloseHtmlReport(const std::wstring& name);

  // ---- Execution report ----
  int Begin();
  void SummaryRows();
  std::wstring RunModeText() const;
  void TaskSection(int index, const Task& task, const std::vector<int>& records, int firstActive);
  void TaskProperties(const Task& task, const std::vector<int>& records);
  void TaskPlan(const Task& task, const std::wstring& number);
  void TaskMetrics(const Task& task, const std::wstring& number, const std::vector<int>& records,
                   int firstActive);
  std::wstring CounterSuffix(int thread) const;
  std::wstring CounterTitles() const;

  // ---- Text report ----
  // Eleven fields joined by TAB, the twelfth appended directly, CR LF; UTF-8, never cut.
  void TextLine(const std::vector<std::wstring>& fields);
  // Writes the lines collected, when a text report is wanted.
  void WriteTextReport();

  // ---- Internal report ----
  int BeginIni();
  void TaskIni(int n, const Task& task, const std::vector<int>& records);
  void WriteIniText(const std::wstring& section, const std::wstring& key,
                    const std::wstring& value);
  void WriteIniInt(const std::wstring& section, const std::wstring& key, int value);
  void WriteIniIntN(const std::wstring& section, const std::wstring& key, int number, int value);
  void WriteIniRealN(const std::wstring& section, const std::wstring& key, int number,
                     double value);
  void WriteReportReal(const std::wstring& key, double value);
  void WriteReportRealN(const std::wstring& key, int number, double value);

  // ---- Comparison report ----
  // `files` holds the compared reports, read once.
  void CmpRow(const std::wstring& section, const std::wstring& metric, const std::wstring& unit,
              int task, int thread, const std::wstring& key,
              const std::vector<std::unique_ptr<CSysReg>>& files);
  static std::wstring ReadReportValue(CSysReg& file, const std::wstring& section,
                                      const std::wstring& key);

  // Entry and exit of a report step in the trace log.
  struct Trace {
    explicit Trace(const wchar_t* name) { CLog::State(name); }
    ~Trace() { CLog::State(nullptr); }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;
  };

  Project& project_;
  std::wstring htmlName_;
  std::wstring textName_;
  std::wstring countersName_;
  std::wstring compareName_;
  std::wstring iniName_;
  int comparedTasks_ = 0;                 // active tasks of the first compared report
  const _TimeCounter* timer_ = nullptr;   // the elapsed time of the reported run
  const BrunoxRunner* runner_ = nullptr;  // the run being reported
  StringFactory labels_;
  MultiReport report_;
  bool textWanted_ = false;
  std::string textBytes_;  // the text report's lines of this pass
  bool failedRounds_ = false;  // RunHadFailedRounds, for this pass
  std::vector<ReportFailure> failures_;
  std::unique_ptr<CSysReg> ini_;  // the internal report while it is written
};

// The three report objects the window keeps from one run to the next, each made on first use.
struct RunReports {
  std::unique_ptr<ExReport> execution;
  std::unique_ptr<ExReport> counters;
  std::unique_ptr<ExReport> internal;
};

// What the window does after a run of `project` on `runner`: the execution report, the counters
// report and the internal report, each on its own; then, when the project asks for it, the HTML
// report opens with the desktop. `reports` must always be used with the same project.
// Returns the files that could not be written (logged, not shown): empty when every report the
// project names was written.
std::vector<ReportFailure> WriteRunReports(BrunoxRunner& runner, Project& project,
                                           RunReports& reports);
