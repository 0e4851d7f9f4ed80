#include "brunox/ui/run/PageCompare.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "brunox/ui/run/ReportBrowser.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

// The same name at every comparison: the folder is private, and the page shows one comparison.
const wchar_t kComparisonName[] = L"cmpreport.html";

void Warn(const std::wstring& text, const std::wstring& caption) {
  platform::Ui().MessageBox(text, caption, platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

// False with the reason for the first of `reports` that is not an internal report.
bool AllInternalReports(const std::vector<std::wstring>& reports, std::wstring* why) {
  return std::all_of(reports.begin(), reports.end(), [why](const std::wstring& report) {
    return ExReport::IsInternalReport(report, why);
  });
}

}  // namespace

PageCompare::PageCompare(std::function<std::wstring()> temporaryFolder, std::function<void()> modified,
                         QWidget* parent)
    : CTitledPage(QStringLiteral("Execution Report Comparison"), parent),
      temporaryFolder_(std::move(temporaryFolder)),
      modified_(std::move(modified)),
      list_(new QListWidget(this)),
      browser_(new ReportBrowser(this)),
      buttons_(new QVBoxLayout) {
  setObjectName(QStringLiteral("PageCompare"));
  list_->setObjectName(QStringLiteral("list"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  browser_->setObjectName(QStringLiteral("browser"));

  AddButton(QStringLiteral("add"), QStringLiteral("&Add Report"), &PageCompare::OnAddReport);
  AddButton(QStringLiteral("compare"), QStringLiteral("C&ompare"), &PageCompare::OnCompare);
  AddButton(QStringLiteral("save"), QStringLiteral("&Save Report..."), &PageCompare::OnSaveReport);
  AddButton(QStringLiteral("visualize"), QStringLiteral("&Visualize It"),
            &PageCompare::OnVisualize);
  AddButton(QStringLiteral("remove"), QStringLiteral("Remo&ve"), &PageCompare::OnRemove);
  AddButton(QStringLiteral("clear"), QStringLiteral("Clear &List"), &PageCompare::OnClearList);
  buttons_->addStretch(1);

  // The list with its buttons above, the comparison below; the user moves the border.
  auto* top = new QWidget(this);
  auto* topLayout = new QHBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(list_, 1);
  topLayout->addLayout(buttons_);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->setChildrenCollapsible(false);
  split->addWidget(top);
  split->addWidget(browser_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 3);
  Body()->addWidget(split, 1);
}

PageCompare::~PageCompare() = default;

QPushButton* PageCompare::AddButton(const QString& name, const QString& text,
                                    void (PageCompare::*slot)()) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(name);
  connect(button, &QPushButton::clicked, this, slot);
  buttons_->addWidget(button);
  return button;
}

void PageCompare::MarkModified() const {
  if (modified_) modified_();
}

std::vector<std::wstring> PageCompare::Reports() const {
  std::vector<std::wstring> reports;
  for (int row = 0; row < list_->count(); ++row)
    reports.push_back(list_->item(row)->text().toStdWString());
  return reports;
}

void PageCompare::LoadFromProject() {
  list_->clear();
  for (const std::wstring& report : g_project.IniReports)
    if (!report.empty()) list_->addItem(QString::fromStdWString(report));
}

void PageCompare::StoreToProject() {
  const std::vector<std::wstring> listed = Reports();
  if (std::equal(listed.begin(), listed.end(), g_project.IniReports.begin(),
                 g_project.IniReports.end(), [](const std::wstring& a, const std::wstring& b) {
                   return platform::EqualsNoCase(a, b);
                 }))
    return;
  g_project.IniReports = listed;
  MarkModified();
}

void PageCompare::OnAddReport() {
  platform::FileDialogRequest request;
  request.title = L"Add Report to Comparison List";
  request.filter = L"DB Brunox Internal Reports (*.bnxrep)|*.bnxrep|All Files(*.*)|*.*||";
  std::wstring path;
  if (!platform::Ui().OpenFileDialog(request, path) || path.empty()) return;
  const std::vector<std::wstring> listed = Reports();
  if (std::any_of(listed.begin(), listed.end(),
                  [&](const std::wstring& entry) { return platform::EqualsNoCase(entry, path); }))
    return;
  // Kept in the project, a file of another kind would only fail every later comparison.
  std::wstring why;
  if (!ExReport::IsInternalReport(path, &why)) {
    Warn(why, L"Warning!");
    return;
  }
  list_->addItem(QString::fromStdWString(path));
}

void PageCompare::OnCompare() {
  CLog::State(L"PageCompare::OnCompare");
  const std::vector<std::wstring> reports = Reports();
  const std::wstring folder =
      reports.size() < 2 || !temporaryFolder_ ? std::wstring() : temporaryFolder_();
  std::wstring notComparable;
  if (reports.size() < 2) {
    Warn(L"Please add at least two reports to be compared.", L"Warning!");
  } else if (!AllInternalReports(reports, &notComparable)) {
    // A list stored in the project may name files that have changed or gone since.
    Warn(notComparable, L"Warning!");
  } else if (folder.empty()) {
    Warn(L"Could not create requested report.", L"Warning!");
  } else {
    ExReport writer(g_project);
    const int result = writer.CompareReport(reports, platform::JoinPath(folder, kComparisonName));
    if (result == 0 && platform::FileExists(writer.CompareName())) {
      lastReport_ = writer.CompareName();
      browser_->ShowFile(lastReport_);
    } else if (!writer.CompareName().empty()) {
      // Without a name the reports were refused (different task counts), and the writer has
      // told the user why.
      std::wstring text = L"Could not create requested report.";
      for (const ReportFailure& failure : writer.Failures()) text += L"\n\n" + failure.text;
      Warn(text, L"Warning!");
    }
  }
  CLog::State(nullptr);
}

void PageCompare::OnSaveReport() {
  if (lastReport_.empty() || !platform::FileExists(lastReport_)) {
    Warn(L"The comparison report is not created yet.", L"Nothing to Save");
    return;
  }
  platform::FileDialogRequest request;
  request.filter = L"HTML documents (*.html)|*.html|All Files(*.*)|*.*||";
  request.defaultExt = L"html";
  std::wstring target;
  if (!platform::Ui().SaveFileDialog(request, target) || target.empty()) return;
  std::string bytes;
  if (!platform::ReadFileBytes(lastReport_, bytes) || !platform::WriteFileBytes(target, bytes))
    Warn(L"Could not save the comparison report as '" + target + L"'.", L"Warning!");
}

void PageCompare::OnVisualize() {
  if (g_app) g_app->LaunchVisualizer(Reports());
}

void PageCompare::OnRemove() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) {
    Warn(L"No report was selected.", L"Warning!");
    return;
  }
  delete list_->takeItem(list_->row(selected.front()));
  MarkModified();
}

void PageCompare::OnClearList() {
  list_->clear();
  MarkModified();
}
