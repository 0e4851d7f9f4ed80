#pragma once
// A page that shows one of the project's HTML reports: the description of the project as it is
// now (written afresh each time the page is shown), or the execution or counters report of the
// last run.
#include <functional>
#include <string>

#include "brunox/ui/common/TitledPage.h"

class ReportBrowser;
struct RunReports;

class PgReportView : public CTitledPage {
  Q_OBJECT

 public:
  enum Kind { kProjectReport = 0, kExecutionReport = 1, kCountersReport = 2 };

  // `temporaryFolder`: a private folder where the project report is written (only that kind
  // uses it). `reports`: the window's reports of the last run, whose written names are shown
  // when the project names its reports with date and time macros; may be null, and must
  // outlive the page.
  PgReportView(Kind kind, std::function<std::wstring()> temporaryFolder, const RunReports* reports,
               QWidget* parent = nullptr);
  ~PgReportView() override;

  // Shows the page, then the report (writing it first for the project report). A report that is
  // not there is reported.
  void Activate() override;

  // The file the page shows.
  std::wstring ReportPath() const;
  Kind ReportKind() const { return kind_; }
  ReportBrowser* Browser() const { return browser_; }

 private:
  void ShowReport();

  const Kind kind_;
  const std::function<std::wstring()> temporaryFolder_;  // made on first need
  const RunReports* reports_;
  ReportBrowser* browser_;
};
