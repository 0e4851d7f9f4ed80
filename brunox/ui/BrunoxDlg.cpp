#include "brunox/ui/BrunoxDlg.h"

#include <QCloseEvent>
#include <QSettings>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include "brunox/engine/BrunoxApp.h"
#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/ExReport.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/SettingsStores.h"
#include "brunox/ui/PageConsole.h"
#include "brunox/ui/PageGraph.h"
#include "brunox/ui/PageStat.h"
#include "brunox/ui/PlaceholderPage.h"
#include "brunox/ui/ProjectPagePlaceholder.h"
#include "brunox/ui/RunEventRelay.h"
#include "brunox/ui/SqlConsolePage.h"
#include "brunox/ui/StrModes.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "sompel/SmDialog.h"

namespace {

const QString kLayoutName = QStringLiteral("MainWnd");

struct PlannedPage {
  int index;
  const char* caption;
  const char* comesWith;
};

// The pages whose content later work builds; the others are made apart.
const PlannedPage kPlannedPages[] = {
    {PageIndex::PageProps, "Project Properties",
     "The project's properties (report files, notes, counters) come with the project editing "
     "pages."},
    {PageIndex::PageSettingsMain, "Settings", "The general settings come with the settings pages."},
    {PageIndex::PgLogView, "Log File", "The log view comes with the log and report view pages."},
    {PageIndex::PgReportViewProject, "Project Report",
     "The project report view comes with the log and report view pages. Project > Project "
     "Report writes the report to a file already."},
    {PageIndex::PgReportViewExecution, "Execution Report",
     "The execution report view comes with running in the window."},
    {PageIndex::PageSQLLog, "SQL Report", "The executed-statement log view comes with its page."},
    {PageIndex::PgReportViewCounters, "Counters Report",
     "The counters report view comes with running in the window."},
    {PageIndex::PagePlugin, "SQL Plan",
     "The execution plans come with the counter and plan pages."},
    {PageIndex::PagePlugin2, "Counters",
     "The performance counters come with the counter and plan pages."},
    {PageIndex::PageCompare, "Report Comparison", "The report comparison comes with its page."},
    {PageIndex::PageSettingsReport, "Report Options",
     "The report options come with the settings pages."},
    {PageIndex::PageSettingsTask, "Task Options",
     "The task defaults come with the settings pages."},
};

}  // namespace

CBrunoxDlg::CBrunoxDlg(CBrunoxApp& app, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      helpFolder_(platform::JoinPath(app.ProgramFolder(), L"help")),
      reports_(std::make_unique<RunReports>()),
      runStatus_(app.RunAtStart ? CBrunoxApp::kExitNotRun : CBrunoxApp::kExitOk) {
  CLog::State(L"CBrunoxDlg::CBrunoxDlg");
  setObjectName(QStringLiteral("MainWnd"));
  setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
  if (g_settings) colorizer_.SetSettings(g_settings->GetMainSettings());

  splitter_ = new QSplitter(Qt::Horizontal, this);
  tree_ = new CStrModes(splitter_);
  stack_ = new QStackedWidget(splitter_);
  splitter_->addWidget(tree_);
  splitter_->addWidget(stack_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setChildrenCollapsible(false);
  setCentralWidget(splitter_);
  statusBar();

  BuildActions();
  BuildMenus();
  BuildToolBar();
  BuildPages();
  ToolbarButtons(false);

  {
    const QSignalBlocker quiet(tree_);
    tree_->SelectPage(PageIndex::PagePackage);
  }
  connect(tree_, &CStrModes::PageChosen, this, &CBrunoxDlg::SwitchPage);
  stack_->setCurrentIndex(PageIndex::PagePackage);
  pages_[PageIndex::PagePackage]->Activate();

  resize(1000, 700);
  splitter_->setSizes({tree_->sizeHint().width(), 800});
  LoadLayout();

  OpenStartProject();
  UpdateTitle();
  QTimer::singleShot(10, this, &CBrunoxDlg::OnStartTimer);
  CLog::State(nullptr);
}

CBrunoxDlg::~CBrunoxDlg() {
  // The project outlives the window; its callback must not point at the window's relay.
  if (relay_) g_project.Callback = nullptr;
}

void CBrunoxDlg::BuildPages() {
  pages_[PageIndex::PagePackage] = new CProjectPagePlaceholder;
  pages_[PageIndex::PageRunSQL] = new CSqlConsolePage(&colorizer_);
  auto* console = new PageConsole;
  console->SetReports(reports_.get());
  // Its Run and View Log buttons act once their click has ended, like a posted command.
  connect(
      console, &PageConsole::CommandRequested, this, [this](int id) { OnCommand(id); },
      Qt::QueuedConnection);
  pages_[PageIndex::PageConsole] = console;
  pages_[PageIndex::PageStat] = new PageStat;
  pages_[PageIndex::PageGraph] = new PageGraph;
  for (const PlannedPage& planned : kPlannedPages)
    pages_[planned.index] = new CPlaceholderPage(tr(planned.caption), tr(planned.comesWith));
  for (CTitledPage* page : pages_) stack_->addWidget(page);  // the stack owns them from here
}

void CBrunoxDlg::InstallPage(int index, std::unique_ptr<CTitledPage> page) {
  if (index < 0 || index >= PageIndex::kPageCount || !page) return;
  CTitledPage* old = pages_[index];
  pages_[index] = page.release();
  stack_->insertWidget(index, pages_[index]);
  stack_->removeWidget(old);
  delete old;
  if (current_ == index) {
    stack_->setCurrentIndex(index);
    pages_[index]->Activate();
  }
}

CTitledPage* CBrunoxDlg::Page(int index) const {
  return index >= 0 && index < PageIndex::kPageCount ? pages_[index] : nullptr;
}

CProjectPagePlaceholder* CBrunoxDlg::ProjectPage() const {
  return qobject_cast<CProjectPagePlaceholder*>(pages_[PageIndex::PagePackage]);
}

CSqlConsolePage* CBrunoxDlg::SqlConsolePage() const {
  return qobject_cast<CSqlConsolePage*>(pages_[PageIndex::PageRunSQL]);
}

PageConsole* CBrunoxDlg::ConsolePage() const {
  return qobject_cast<PageConsole*>(pages_[PageIndex::PageConsole]);
}

PageStat* CBrunoxDlg::StatPage() const {
  return qobject_cast<PageStat*>(pages_[PageIndex::PageStat]);
}

PageGraph* CBrunoxDlg::GraphPage() const {
  return qobject_cast<PageGraph*>(pages_[PageIndex::PageGraph]);
}

bool CBrunoxDlg::Connected() const { return g_mainDB && g_mainDB->IsConnected(); }

void CBrunoxDlg::SwitchPage(int index) {
  if (index < 0 || index >= PageIndex::kPageCount || index == current_) return;
  pages_[current_]->Deactivate();
  if (index == PageIndex::PageRunSQL && !Connected()) {
    platform::Ui().MessageBox(L"No active connection present!", L"Warning!",
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
    index = PageIndex::PagePackage;
  }
  current_ = index;
  stack_->setCurrentIndex(index);
  pages_[index]->Activate();
  // A refused switch leaves the tree showing the page that is shown, not the one asked for.
  if (tree_->SelectedPage() != index) {
    const QSignalBlocker quiet(tree_);
    tree_->SelectPage(index);
  }
}

void CBrunoxDlg::StorePages(std::initializer_list<int> pages) {
  for (int index : pages) pages_[index]->StoreToProject();
}

void CBrunoxDlg::ReloadProjectPages() {
  pages_[PageIndex::PagePackage]->LoadFromProject();
  pages_[PageIndex::PageProps]->LoadFromProject();
}

void CBrunoxDlg::SetModified() {
  g_project.Saved = 0;
  UpdateTitle();
}

void CBrunoxDlg::UpdateTitle() {
  if (app_.ConsoleMode()) return;
  const std::wstring path = g_project.Path.empty() ? L"untitled" : g_project.Path;
  setWindowTitle(QString::fromStdWString(platform::Format(
      L" %ls [%ls%ls]", app_.Title().c_str(), path.c_str(), g_project.Saved ? L"" : L" *")));
  if (CProjectPagePlaceholder* page = ProjectPage()) page->LoadFromProject();
}

void CBrunoxDlg::UpdateStatus() {
  if (app_.ConsoleMode()) return;
  const QString text =
      Connected() ? QString::fromStdWString(g_mainDB->ConInfo(1, 1)) : tr("Not connected");
  if (CProjectPagePlaceholder* page = ProjectPage()) page->SetConnectionText(text);
  ToolbarButtons(running_);
}

// ---- Closing ----

void CBrunoxDlg::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (!MayClose()) {
    event->ignore();
    return;
  }
  FinishClosing();
  closed_ = true;
  event->accept();
}

bool CBrunoxDlg::MayClose() {
  CLog::State(L"CBrunoxDlg::MayClose");
  if (g_runner && !g_runner->AskStop()) {
    CLog::State(nullptr);
    return false;
  }
  // What the pages show goes into the project first, so the save question sees every edit.
  for (CTitledPage* page : pages_) page->StoreToProject();
  const bool keepOpen = g_project.SaveIfModified() != 0;
  CLog::State(nullptr);
  return !keepOpen;
}

void CBrunoxDlg::FinishClosing() {
  pages_[current_]->Deactivate();
  if (CProjectPagePlaceholder* page = ProjectPage()) page->RememberInSettings();
  SaveLayout();
  if (g_settings) g_settings->SaveData(0);
}

void CBrunoxDlg::LoadLayout() {
  QSettings store(CSmDialog::LayoutFile(), QSettings::IniFormat);
  store.beginGroup(kLayoutName);
  const QByteArray geometry = store.value(QStringLiteral("Geometry")).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  const QByteArray state = store.value(QStringLiteral("State")).toByteArray();
  if (!state.isEmpty()) restoreState(state);
  const QByteArray split = store.value(QStringLiteral("Splitter")).toByteArray();
  if (!split.isEmpty()) splitter_->restoreState(split);
}

void CBrunoxDlg::SaveLayout() const {
  QSettings store(CSmDialog::LayoutFile(), QSettings::IniFormat);
  store.beginGroup(kLayoutName);
  store.setValue(QStringLiteral("Geometry"), saveGeometry());
  store.setValue(QStringLiteral("State"), saveState());
  store.setValue(QStringLiteral("Splitter"), splitter_->saveState());
}
