#include "brunox/ui/run/PgReportView.h"

#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "brunox/ui/run/LastWrittenFile.h"
#include "brunox/ui/run/ReportBrowser.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

QString CaptionOf(PgReportView::Kind kind) {
  switch (kind) {
    case PgReportView::kProjectReport:
      return QStringLiteral("Project Report");
    case PgReportView::kExecutionReport:
      return QStringLiteral("Execution Report");
    case PgReportView::kCountersReport:
      return QStringLiteral("Counters Report");
  }
  return {};
}

// The same name every time: the folder is private, and the page shows one report at a time.
const wchar_t kProjectReportName[] = L"report.html";

}  // namespace

PgReportView::PgReportView(Kind kind, std::function<std::wstring()> temporaryFolder, const RunReports* reports,
                           QWidget* parent)
    : CTitledPage(CaptionOf(kind), parent),
      kind_(kind),
      temporaryFolder_(std::move(temporaryFolder)),
      reports_(reports),
      browser_(new ReportBrowser(this)) {
  setObjectName(QStringLiteral("PgReportView%1").arg(static_cast<int>(kind)));
  browser_->setObjectName(QStringLiteral("browser"));
  Body()->addWidget(browser_, 1);
}

PgReportView::~PgReportView() = default;

void PgReportView::Activate() {
  CTitledPage::Activate();
  ShowReport();
}

std::wstring PgReportView::ReportPath() const {
  switch (kind_) {
    case kProjectReport: {
      const std::wstring folder = temporaryFolder_ ? temporaryFolder_() : std::wstring();
      return folder.empty() ? L"" : platform::JoinPath(folder, kProjectReportName);
    }
    case kExecutionReport: {
      const ExReport* written = reports_ ? reports_->execution.get() : nullptr;
      return LastWrittenFile(g_project.ReportFile, written ? written->HtmlName() : L"");
    }
    case kCountersReport: {
      const ExReport* written = reports_ ? reports_->counters.get() : nullptr;
      return LastWrittenFile(g_project.CountersReport, written ? written->CountersName() : L"");
    }
  }
  return L"";
}

void PgReportView::ShowReport() {
  const std::wstring path = ReportPath();
  if (kind_ == kProjectReport && !path.empty()) {
    // The description names the connection the project would run on now. A report that could
    // not be written must not leave the previous one in view.
    // The runner reads MainDB while a run lasts, when it holds this connection already: it is
    // written only when it differs, so never during a run.
    if (g_project.MainDB != g_mainDB) g_project.MainDB = g_mainDB;
    if (!g_project.WriteDescriptionReport(path)) platform::RemoveFile(path);
  }
  if (path.empty() || !platform::FileExists(path)) {
    browser_->clear();
    platform::Ui().MessageBox(L"Requested report is not created yet.", L"Warning",
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  browser_->ShowFile(path);
}
