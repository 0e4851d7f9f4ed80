// The main window's commands: actions, menus and toolbar from the command table, the dispatcher,
// the enabled states, the recent projects, help, About and the settings export and import.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/window/BrunoxDlg.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/CommandTable.h"
#include "brunox/ui/window/LogFileCommands.h"
#include "brunox/ui/run/PageConsole.h"
#include "brunox/ui/project/PagePackage.h"
#include "brunox/ui/common/TitledPage.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "sompel/SmApp.h"
#include "sompel/AboutDlg.h"

namespace {

// In the program log too: the message is gone once answered.
void TellSettingsFileFailure(const std::wstring& command, const std::wstring& error) {
  CLog::Bug2(command + L": " + error);
  platform::Ui().MessageBox(error, command, platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

QStyle::StandardPixmap IconOf(int id) {
  switch (id) {
    case kCmdNewProject:
      return QStyle::SP_FileIcon;
    case kCmdOpen:
      return QStyle::SP_DialogOpenButton;
    case kCmdSave:
      return QStyle::SP_DialogSaveButton;
    case kCmdConnect:
      return QStyle::SP_DriveNetIcon;
    case kCmdDisconnect:
      return QStyle::SP_BrowserStop;
    case kCmdRun:
      return QStyle::SP_MediaPlay;
    case kCmdRunSequential:
      return QStyle::SP_MediaSeekForward;
    case kCmdRunByGroup:
      return QStyle::SP_MediaSkipForward;
    case kCmdStop:
      return QStyle::SP_MediaStop;
    case kCmdPause:
      return QStyle::SP_MediaPause;
    case kCmdStopChecked:
      return QStyle::SP_DialogCancelButton;
    case kCmdPauseChecked:
      return QStyle::SP_DialogNoButton;
    case kCmdLogView:
      return QStyle::SP_FileDialogDetailedView;
    case kCmdAbout:
      return QStyle::SP_MessageBoxInformation;
    case kCmdHelpIndex:
      return QStyle::SP_DialogHelpButton;
    case kCmdExit:
      return QStyle::SP_DialogCloseButton;
    default:
      return QStyle::SP_CustomBase;
  }
}

QList<QKeySequence> KeysOf(const CommandSpec& spec) {
  QList<QKeySequence> keys;
  for (const QString& key :
       QString::fromUtf8(spec.shortcuts).split(QStringLiteral("; "), Qt::SkipEmptyParts))
    keys << QKeySequence(key, QKeySequence::PortableText);
  return keys;
}

const wchar_t* const kSettingsFilter = L"Settings files (*.ini)|*.ini|All Files(*.*)|*.*||";

}  // namespace

void CBrunoxDlg::BuildActions() {
  for (const CommandSpec& spec : CommandTable()) {
    auto* action = new QAction(tr(spec.text), this);
    const QStyle::StandardPixmap icon = IconOf(spec.id);
    if (icon != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(icon));
    action->setShortcuts(KeysOf(spec));
    action->setShortcutContext(Qt::WindowShortcut);
    const QString prompt = tr(spec.prompt);
    if (!prompt.isEmpty()) {
      action->setToolTip(prompt);
      action->setStatusTip(QString(prompt).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    action->setData(spec.id);
    const int id = spec.id;
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    addAction(action);  // the shortcuts work wherever the focus is in the window
    actions_[spec.id] = action;
  }

  // Help on the page shown.
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { ShowHelp(HelpTopicOf(current_)); });
  // F4 and F8 belong to Ctrl+F4 and Ctrl+F8; alone they do nothing, not even on the page.
  for (Qt::Key key : {Qt::Key_F4, Qt::Key_F8}) new QShortcut(QKeySequence(key), this);
}

void CBrunoxDlg::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QMenu* task = menuBar()->addMenu(tr("&Task"));
  QMenu* project = menuBar()->addMenu(tr("&Project"));
  QMenu* tools = menuBar()->addMenu(tr("T&ools"));
  QMenu* logFile = tools->addMenu(tr("&Log file"));
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  const std::map<CommandMenu, QMenu*> menus = {
      {CommandMenu::File, file},   {CommandMenu::Task, task},       {CommandMenu::Project, project},
      {CommandMenu::Tools, tools}, {CommandMenu::LogFile, logFile}, {CommandMenu::Help, help}};
  for (const CommandSpec& spec : CommandTable()) {
    QMenu* menu = menus.at(spec.menu);
    if (spec.separatorBefore && !menu->isEmpty()) menu->addSeparator();
    menu->addAction(actions_.at(spec.id));
  }
  recentMenu_ = new QMenu(tr("Recent projects"), this);
  recentMenu_->setObjectName(QStringLiteral("recentFiles"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &CBrunoxDlg::FillRecentFiles);
}

void CBrunoxDlg::BuildToolBar() {
  toolBar_ = addToolBar(tr("Commands"));
  toolBar_->setObjectName(QStringLiteral("commands"));
  toolBar_->setMovable(false);
  for (int id : ToolbarLayout()) {
    if (id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    toolBar_->addAction(actions_.at(id));
  }
  if (auto* open = qobject_cast<QToolButton*>(toolBar_->widgetForAction(actions_.at(kCmdOpen)))) {
    open->setMenu(recentMenu_);
    open->setPopupMode(QToolButton::MenuButtonPopup);
  }
}

QAction* CBrunoxDlg::Action(int id) const {
  const auto found = actions_.find(id);
  return found == actions_.end() ? nullptr : found->second;
}

void CBrunoxDlg::ToolbarButtons(bool running) {
  CLog::State(L"CBrunoxDlg::ToolbarButtons");
  running_ = running;
  const bool connected = Connected();
  for (const CommandSpec& spec : CommandTable())
    actions_.at(spec.id)->setEnabled(IsEnabled(spec.rule, running, connected));
  recentMenu_->setEnabled(!running);
  if (PageConsole* console = ConsolePage()) console->ShowButtons(running);
  if (PagePackage* project = ProjectPage()) project->ShowRunning(running);
  LockProjectPages(running);
  CLog::State(nullptr);
}

CBrunoxDlg::CommandResult CBrunoxDlg::OnCommand(int id) {
  if (id >= kCmdRecentFirst && id <= kCmdRecentLast) {
    if (running_) return CommandResult::Refused;
    OpenRecentFile(id - kCmdRecentFirst);
    return CommandResult::Done;
  }
  const CommandSpec* spec = FindCommand(id);
  if (!spec) return CommandResult::Unknown;
  // A command may arrive while it is disabled (posted earlier, or from a page): the same rule
  // that greys it refuses it.
  if (!IsEnabled(spec->rule, running_, Connected())) return CommandResult::Refused;

  if (IsTaskCommand(id) || id == kCmdProjectReport) {
    ForwardTo(PageIndex::PagePackage, id);
    return CommandResult::Done;
  }
  switch (id) {
    case kCmdRun:
      OnRun(g_runner ? g_runner->RunMode : 0);
      break;
    case kCmdRunSequential:
      OnRun(1);
      break;
    case kCmdRunByGroup:
      OnRun(-1);
      break;
    case kCmdStop:
    case kCmdPause:
    case kCmdStopChecked:
    case kCmdPauseChecked:
      ForwardTo(PageIndex::PageConsole, id);
      break;
    case kCmdNewProject:
      OnNewProject();
      break;
    case kCmdOpen:
      CLog::State2(L"CBrunoxDlg::OnLoad");
      OpenProject(std::wstring(), false);
      break;
    case kCmdSave:
      OnSave();
      break;
    case kCmdSaveAs:
      OnSaveAs();
      break;
    case kCmdConnect:
      OnConnect();
      break;
    case kCmdDisconnect:
      Disconnect();
      break;
    case kCmdExit:
      close();
      break;
    case kCmdLogView:
      ViewLogFile();
      break;
    case kCmdLogTruncate:
      TruncateLogFile();
      break;
    case kCmdExportSettings:
      ExportSettings();
      break;
    case kCmdImportSettings:
      ImportSettings();
      break;
    case kCmdHelpIndex:
      ShowHelp(L"index.html");
      break;
    case kCmdAbout:
      OnAbout();
      break;
    default:
      return CommandResult::Unknown;
  }
  return CommandResult::Done;
}

void CBrunoxDlg::ForwardTo(int page, int id) { pages_[page]->HandleCommand(id); }

static_assert(kRecentFileCount == CSettings::kRecentFiles, "a menu entry for each recent project");

void CBrunoxDlg::FillRecentFiles() {
  recentMenu_->clear();
  int shown = 0;
  for (int slot = 0; slot < kRecentFileCount && g_settings; ++slot) {
    const std::wstring path = g_settings->getStr(kStoreMain, CSettings::RecentFileKey(slot));
    if (path.empty() || !platform::FileExists(path)) continue;
    QString text = QString::fromStdWString(path);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* item = recentMenu_->addAction(text);
    item->setData(kCmdRecentFirst + slot);
    const int id = kCmdRecentFirst + slot;
    connect(item, &QAction::triggered, this, [this, id] { OnCommand(id); });
    ++shown;
  }
  if (shown == 0) recentMenu_->addAction(tr("No recent files"))->setEnabled(false);
}

void CBrunoxDlg::ShowHelp(const std::wstring& topic) { CSmApp::ShowHtmlHelp(topic); }

void CBrunoxDlg::OnAbout() {
  CAboutDlg about(this);
  about.Init(g_settings ? g_settings->GetMainSettings() : nullptr, windowIcon(),
             QString::fromStdWString(app_.Title()));
  about.exec();
}

void CBrunoxDlg::ExportSettings() {
  platform::FileDialogRequest request;
  request.title = L"Export Settings to";
  request.defaultExt = L"ini";
  request.filter = kSettingsFilter;
  std::wstring path;
  if (!g_settings || !platform::Ui().SaveFileDialog(request, path) || path.empty()) return;
  StoreSettingsPages();  // what the pages show is what is exported
  std::wstring error;
  if (!g_settings->Export(path, &error)) TellSettingsFileFailure(L"Export Settings", error);
}

void CBrunoxDlg::ImportSettings() {
  platform::FileDialogRequest request;
  request.title = L"Import Settings from";
  request.defaultExt = L"ini";
  request.filter = kSettingsFilter;
  std::wstring path;
  if (!g_settings || !platform::Ui().OpenFileDialog(request, path) || path.empty()) return;
  std::wstring error;
  if (!g_settings->Import(path, &error)) {
    TellSettingsFileFailure(L"Import Settings", error + L"\nThe settings were left as they were.");
    return;
  }
  // Kept at once: the imported values are what the user asked for, not an edit to undo.
  g_settings->SaveData(0);
  colorizer_.SetSettings(g_settings->GetMainSettings());
  ReloadSettingsPages();
}
