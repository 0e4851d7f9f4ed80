#include "brunox/ui/window/BrunoxDlg.h"

#include <algorithm>
#include <iterator>

#include <QCloseEvent>
#include <QSettings>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/run/PageConsole.h"
#include "brunox/ui/run/PageGraph.h"
#include "brunox/ui/run/PageStat.h"
#include "brunox/ui/project/PagePackage.h"
#include "brunox/ui/run/PageCompare.h"
#include "brunox/ui/project/PagePlugin.h"
#include "brunox/ui/project/PagePlugin2.h"
#include "brunox/ui/project/PageProps.h"
#include "brunox/ui/run/PageSQLLog.h"
#include "brunox/ui/run/PgLogView.h"
#include "brunox/ui/run/PgReportView.h"
#include "brunox/ui/settings/SettingsPageMain.h"
#include "brunox/ui/settings/SettingsPageReport.h"
#include "brunox/ui/settings/SettingsPageTask.h"
#include "brunox/ui/window/RunEventRelay.h"
#include "brunox/ui/project/SqlConsolePage.h"
#include "brunox/ui/window/StrModes.h"
#include "kavra/CDB.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "sompel/RunSQL.h"
#include "sompel/SmDialog.h"

namespace {

const QString kLayoutName = QStringLiteral("MainWnd");

// The pages that edit the project: loaded after a project is opened, stored before it is saved
// or run, and left alone while a run reads the project.
constexpr int kProjectPages[] = {PageIndex::PagePackage, PageIndex::PageProps, PageIndex::PagePlugin,
                                 PageIndex::PagePlugin2, PageIndex::PageCompare};
// The pages of the three settings stores.
constexpr int kSettingsPages[] = {PageIndex::PageSettingsMain, PageIndex::PageSettingsReport,
                                  PageIndex::PageSettingsTask};

}  // namespace

CBrunoxDlg::CBrunoxDlg(CBrunoxApp& app, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
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

  UpdateTitle();
  QTimer::singleShot(10, this, &CBrunoxDlg::OnStartTimer);
  CLog::State(nullptr);
}

CBrunoxDlg::~CBrunoxDlg() {
  // The project outlives the window; its callback must not point at the window's relay.
  if (relay_) g_project.Callback = nullptr;
  RemoveTemporaryFolder();
}

void CBrunoxDlg::BuildPages() {
  pages_[PageIndex::PagePackage] = new PagePackage(*this, colorizer_);
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
  const auto modified = [this] { SetModified(); };
  const auto folder = [this] { return TemporaryFolder(); };
  pages_[PageIndex::PageProps] = new PageProps(modified);
  pages_[PageIndex::PagePlugin] = new PagePlugin(modified);
  pages_[PageIndex::PagePlugin2] = new PagePlugin2(modified);
  pages_[PageIndex::PageCompare] = new PageCompare(folder, modified);
  pages_[PageIndex::PgLogView] = new PgLogView;
  pages_[PageIndex::PageSQLLog] = new PageSQLLog;
  pages_[PageIndex::PgReportViewProject] =
      new PgReportView(PgReportView::kProjectReport, folder, reports_.get());
  pages_[PageIndex::PgReportViewExecution] =
      new PgReportView(PgReportView::kExecutionReport, folder, reports_.get());
  pages_[PageIndex::PgReportViewCounters] =
      new PgReportView(PgReportView::kCountersReport, folder, reports_.get());
  pages_[PageIndex::PageSettingsMain] = new SettingsPageMain;
  pages_[PageIndex::PageSettingsReport] = new SettingsPageReport;
  pages_[PageIndex::PageSettingsTask] = new SettingsPageTask;
  for (CTitledPage* page : pages_) stack_->addWidget(page);  // the stack owns them from here
  // What an untitled project holds, so that storing a page never shown changes nothing.
  ReloadProjectPages();
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

PagePackage* CBrunoxDlg::ProjectPage() const {
  return qobject_cast<PagePackage*>(pages_[PageIndex::PagePackage]);
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
  if (running_ && IsProjectPage(current_)) pages_[current_]->hide();
  else pages_[current_]->Deactivate();
  const bool refused = index == PageIndex::PageRunSQL && !Connected();
  if (refused) {
    platform::Ui().MessageBox(L"No active connection present!", L"Warning!",
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
    index = PageIndex::PagePackage;
  }
  current_ = index;
  stack_->setCurrentIndex(index);
  // While a run reads the project (its workers add to the tasks' plans), a project page shows
  // what it showed before; it reads the project once the run has ended.
  if (running_ && IsProjectPage(index)) pages_[index]->show();
  else pages_[index]->Activate();
  // A refused switch leaves the tree showing the page that is shown, not the one asked for.
  if (tree_->SelectedPage() != index || refused) {
    const QSignalBlocker quiet(tree_);
    tree_->ShowAsSelected(index);
  }
  // A click on the refused item goes on selecting it after this returns: the tree is put right
  // again once the click is through.
  if (refused)
    QTimer::singleShot(0, this, [this] {
      const QSignalBlocker quiet(tree_);
      tree_->ShowAsSelected(current_);
    });
}

bool CBrunoxDlg::IsProjectPage(int index) {
  return std::find(std::begin(kProjectPages), std::end(kProjectPages), index) !=
         std::end(kProjectPages);
}

void CBrunoxDlg::StoreProjectPages() {
  // The run's threads read the project: what the pages hold waits until the run has ended.
  if (running_) return;
  for (int index : kProjectPages) pages_[index]->StoreToProject();
}

void CBrunoxDlg::LockProjectPages(bool running) {
  // The task list page greys its own editing controls (it keeps its list readable).
  for (int index : kProjectPages)
    if (index != PageIndex::PagePackage && pages_[index]) pages_[index]->setEnabled(!running);
}

void CBrunoxDlg::StoreSettingsPages() {
  for (int index : kSettingsPages) pages_[index]->StoreToProject();
}

void CBrunoxDlg::ReloadSettingsPages() {
  for (int index : kSettingsPages) pages_[index]->LoadFromProject();
  if (auto* log = qobject_cast<PageSQLLog*>(pages_[PageIndex::PageSQLLog])) log->LoadColumnWidths();
}

void CBrunoxDlg::ReloadProjectPages() {
  for (int index : kProjectPages) pages_[index]->LoadFromProject();
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
  if (PagePackage* page = ProjectPage()) page->ShowProjectPath();
}

void CBrunoxDlg::UpdateStatus() {
  if (app_.ConsoleMode()) return;
  if (Connected()) connectFailure_.clear();
  QString text =
      Connected() ? QString::fromStdWString(g_mainDB->ConInfo(1, 1)) : tr("Not connected");
  // Why the last connect failed stays in view until the next connect, Disconnect or New
  // Project; the status line then shows no failure of a connection that is gone.
  if (!connectFailure_.empty()) {
    text += QStringLiteral(" (%1)").arg(QString::fromStdWString(connectFailure_));
    statusBar()->showMessage(QString::fromStdWString(connectFailure_));
  } else {
    statusBar()->clearMessage();
  }
  if (PagePackage* page = ProjectPage()) page->SetConnectionText(text);
  if (CSqlConsolePage* console = SqlConsolePage()) console->ConnectionChanged();
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
  // A statement of the SQL console is stopped, not left running after the window.
  if (CSqlConsolePage* console = SqlConsolePage()) console->Console()->CancelAndWait();
  pages_[current_]->Deactivate();
  if (PagePackage* page = ProjectPage()) page->RememberInSettings();
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
