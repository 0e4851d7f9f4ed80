#pragma once
// The program's main window: the navigation tree on the left, one page at a time on the right,
// menus and a toolbar built from the command table, the project's title and connection status,
// opening and saving projects, and the closing sequence. One window lives as long as the program
// runs in window mode.
#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "brunox/ui/common/PageHost.h"
#include "brunox/ui/window/PageIndex.h"
#include "sompel/AdvConnect.h"
#include "sompel/Colorizer.h"

class CBrunoxApp;
class CDB;
class PageConsole;
class PageGraph;
class PagePackage;
class PageStat;
class RunEventRelay;
struct ReportFailure;
struct RunReports;
class CSqlConsolePage;
class CStrModes;
class CTitledPage;
class QAction;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;

class CBrunoxDlg : public QMainWindow, public PageHost {
  Q_OBJECT

 public:
  // Builds the window and starts the one-shot start timer, which opens the start project (the
  // command line's, else LastFile) once the window is shown, reconnects and runs with -r.
  explicit CBrunoxDlg(CBrunoxApp& app, QWidget* parent = nullptr);
  ~CBrunoxDlg() override;

  // The one dispatcher of menus, toolbar, shortcuts and posted commands.
  CommandResult OnCommand(int id) override;

  // Enables the commands for a running or an idle window, and the connection commands for the
  // main connection's state.
  void ToolbarButtons(bool running);
  bool Running() const override { return running_; }
  // The main connection is open.
  bool Connected() const override;

  // Pages call this on every edit of the project.
  void SetModified() override;
  // " <title> [<project path or untitled>< *>]"
  void UpdateTitle();
  // The connection line of the project page, and the commands that depend on the connection.
  void UpdateStatus() override;
  // Connects `target` (null: the main connection) as the project or the -@ profile says; true
  // when connected. The project takes over a description that differs from its own.
  bool RestoreConnection(CDB* target = nullptr);
  // Also forgets why the last connect failed.
  void Disconnect();
  // Offers to save an edited project, then loads `path` (empty: asks for a file, except at
  // start, where nothing is opened) and connects to the project's database when its connection
  // differs from the one before (at start not with -x). False when nothing was opened.
  // A file that is not a project (a value file, an empty or binary file, a folder) or that is
  // missing is refused with the reason, and the open project stays.
  bool OpenProject(const std::wstring& path, bool atStart);

  int CurrentPage() const { return current_; }
  CTitledPage* Page(int index) const;
  PagePackage* ProjectPage() const;
  CSqlConsolePage* SqlConsolePage() const;
  // Null when a test has put another page in its place.
  PageConsole* ConsolePage() const;
  PageStat* StatPage() const;
  PageGraph* GraphPage() const;
  // The reports of the last run in the window (the objects exist once a run has written them).
  RunReports& Reports() const { return *reports_; }
  // The process's exit status when the window has closed: with -q the status of the last run
  // (CBrunoxApp's kExit values; kExitNotRun when -r -q ran nothing), else kExitOk.
  int ExitStatus() const;
  CStrModes* Tree() const { return tree_; }
  QToolBar* ToolBar() const { return toolBar_; }
  QAction* Action(int id) const override;
  // The drop-down of the Open button; filled each time it opens (FillRecentFiles).
  QMenu* RecentFilesMenu() const { return recentMenu_; }
  void FillRecentFiles();

  // Replaces a page; the window owns the new one. For pages that carry their own behaviour into
  // the window (tests use instrumented pages).
  void InstallPage(int index, std::unique_ptr<CTitledPage> page);

  // Opens the help page of the page shown (CSmApp::ShowHtmlHelp).
  void ShowHelp(const std::wstring& topic);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Window set-up.
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildPages();
  void OpenStartProject();
  // True after telling the user why `path` is no project file.
  static bool RefusedAsProject(const std::wstring& path);
  void OnStartTimer();

  // Pages.
  void SwitchPage(int index);
  // Pages that edit the project (task list, properties, plans, counters, comparison list).
  static bool IsProjectPage(int index);
  // Their controls into the project; nothing while a run is under way.
  void StoreProjectPages();
  void ReloadProjectPages();
  void LockProjectPages(bool running);
  // The settings pages: stored before an export, reloaded after an import.
  void StoreSettingsPages();
  void ReloadSettingsPages();
  // The window's private temporary folder (reports of runs, the project and comparison
  // reports), made on first need; "" when it cannot be made.
  std::wstring TemporaryFolder();
  // Removes that folder when the window goes, but the files the user may still have open (those
  // handed to the desktop), which keep the folder too.
  void RemoveTemporaryFolder();

  // Commands.
  void OnNewProject();
  void OnSave();
  void OnSaveAs();
  // A recent project that is refused (missing, empty, no project) leaves the list.
  void OpenRecentFile(int slot);
  void OnConnect();
  // Keeps why connecting to `info` failed (the driver's message) for the status line.
  void NoteConnectFailure(const CONN_INFO& info);
  // The Run commands: one synchronous run of the project with its reports; runMode lasts for
  // this run only.
  void OnRun(int runMode);
  // The project's run-time fields, the window's callback among them.
  void FillRunFields();
  // Which report names a run got from the window rather than from the project.
  struct TemporaryReportNames {
    bool report = false;
    bool log = false;
  };
  // ReportFile and SQLFile, when empty, name new files in the window's private temporary folder
  // for one run.
  TemporaryReportNames UseTemporaryReportNames();
  // The reports and the executed-statement log that a run could not write, in one message.
  void TellUnwrittenFiles(const std::vector<ReportFailure>& unwritten);
  // A new empty file "<prefix>XXXXXX<suffix>" in that folder; "" when none could be made.
  std::wstring NewTemporaryFile(const std::wstring& prefix, const std::wstring& suffix);
  // -q: the window closes without the save question, as after OK.
  void CloseAfterRun();
  void ExportSettings();
  void ImportSettings();
  void OnAbout();
  void ForwardTo(int page, int id);

  // Closing.
  bool MayClose();
  void FinishClosing();
  void LoadLayout();
  void SaveLayout() const;

  CBrunoxApp& app_;
  CAdvConnect connector_;  // keeps the last connection description between connects
  CColorizer colorizer_;
  CStrModes* tree_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QSplitter* splitter_ = nullptr;
  // Owned by stack_ through their Qt parent.
  std::array<CTitledPage*, PageIndex::kPageCount> pages_{};
  std::map<int, QAction*> actions_;
  QMenu* recentMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  int current_ = PageIndex::PagePackage;
  bool running_ = false;
  bool closed_ = false;  // the closing sequence has run; a second close event only closes
  // Kept for the window's life: the console page's report buttons open them.
  std::unique_ptr<RunReports> reports_;
  std::unique_ptr<RunEventRelay> relay_;  // the project's callback refers to it
  std::wstring temporaryFolder_;          // made on first need
  std::wstring connectFailure_;           // why the last connect failed; "" once connected
  int runStatus_;
};
