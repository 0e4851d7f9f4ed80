// The command table as the user meets it: every command reaches its handler or its page, is
// enabled only when it may run, and its keys do nothing while it is disabled.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <set>

#include "sompel/SmApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/CommandTable.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/project/PagePackage.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "platform/TextFile.h"
#include "sompel/QtUi.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/TestEnv.h"

namespace {

using Result = CBrunoxDlg::CommandResult;

const wchar_t* const kNoSelection = L"No task was selected.";

const std::set<int> kTaskCommands = {kCmdTaskAdd, kCmdTaskEdit, kCmdTaskDelete, kCmdTaskCopy,
                                     kCmdTaskUp,  kCmdTaskDown, kCmdTaskEnable};
const std::set<int> kConsoleCommands = {kCmdStop, kCmdPause, kCmdStopChecked, kCmdPauseChecked};
const std::set<int> kRunCommands = {kCmdRun, kCmdRunSequential, kCmdRunByGroup};
// What must not act while a run reads the project (the connection commands aside).
const std::set<int> kIdleOnly = {kCmdNewProject, kCmdOpen,       kCmdSaveAs,    kCmdTaskAdd,
                                 kCmdTaskEdit,   kCmdTaskDelete, kCmdTaskCopy,  kCmdTaskUp,
                                 kCmdTaskDown,   kCmdTaskEnable, kCmdRun,       kCmdRunSequential,
                                 kCmdRunByGroup, kCmdConnect,    kCmdDisconnect};

// What the Run commands meet in a window without a project: the runner refuses to start.
const wchar_t* const kRunRefused =
    L"Your test project is empty.\nPlease add at least one task before execution.";

// Records the runner's mode at the moment the run is refused.
class RunModeUi : public testsupport::RecordingUi {
 public:
  platform::MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                  platform::MsgButtons buttons, platform::MsgIcon icon,
                                  platform::MsgAnswer defaultAnswer) override {
    if (text == kRunRefused) modes.push_back(g_runner->RunMode);
    return RecordingUi::ShowMessage(text, caption, buttons, icon, defaultAnswer);
  }
  std::vector<int> modes;
};

using CommandTest = WindowTest;

TEST_F(CommandTest, EveryCommandReachesItsHandlerOrPage) {
  OpenWindow();
  RecordingPage& console = Instrument(PageIndex::PageConsole);
  auto* project = window->ProjectPage();
  ASSERT_NE(nullptr, project);

  for (const CommandSpec& spec : CommandTable()) {
    if (spec.id == kCmdExit) continue;  // the closing tests have it
    SCOPED_TRACE(spec.id);
    const size_t messages = ui.messages.size();
    const int dialogs = ui.fileDialogs;
    testsupport::ModalAnswerer answer;  // the Connect and About dialogs are Qt dialogs
    // Add offers the connect dialog first, as the window is not connected.
    if (spec.id == kCmdConnect || spec.id == kCmdAbout || spec.id == kCmdTaskAdd) {
      answer.Custom([](QWidget* dialog) { dialog->close(); });
    }
    const Result result = window->OnCommand(spec.id);

    if (kConsoleCommands.count(spec.id) || spec.id == kCmdDisconnect) {
      EXPECT_EQ(Result::Refused, result);  // idle and not connected
      continue;
    }
    EXPECT_EQ(Result::Done, result);
    if (spec.id == kCmdTaskAdd) {
      EXPECT_EQ(0, answer.Pending());
      EXPECT_TRUE(g_project.Tasks.empty());  // no connection, no task
    } else if (kTaskCommands.count(spec.id)) {
      // The page got it: on an empty list every other task command needs a selected row.
      ASSERT_EQ(messages + 1, ui.messages.size());
      EXPECT_EQ(kNoSelection, ui.messages.back().text);
    } else if (kRunCommands.count(spec.id)) {
      ASSERT_EQ(messages + 1, ui.messages.size());
      EXPECT_EQ(kRunRefused, ui.messages.back().text);
    } else if (spec.id == kCmdConnect || spec.id == kCmdAbout) {
      EXPECT_EQ(0, answer.Pending());
    } else if (spec.id == kCmdHelpIndex || spec.id == kCmdLogView || spec.id == kCmdLogTruncate) {
      // A message or the desktop, depending on what is there.
      EXPECT_TRUE(ui.messages.size() > messages || !ui.started.empty() ||
                  spec.id == kCmdLogTruncate);
    } else if (spec.id != kCmdNewProject) {
      // Open, Save (untitled), Save As, export, import and the project report ask for a file.
      EXPECT_EQ(dialogs + 1, ui.fileDialogs);
    }
  }
  EXPECT_TRUE(console.commands.empty());
  EXPECT_EQ(Result::Unknown, window->OnCommand(4242));
}

TEST_F(CommandTest, CommandsTriggeredFromTheirActionsReachTheDispatcher) {
  OpenWindow();
  window->Action(kCmdTaskUp)->trigger();
  window->Action(kCmdProjectReport)->trigger();
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(kNoSelection, ui.messages[0].text);  // the project page's answer to Up
  EXPECT_EQ(1, ui.fileDialogs);  // the report's file dialog
}

TEST_F(CommandTest, RunCommandsSetTheRunModeForThatRunOnly) {
  RunModeUi modes;
  OpenWindow();
  window->OnCommand(kCmdRunSequential);
  window->OnCommand(kCmdRunByGroup);
  window->OnCommand(kCmdRun);
  EXPECT_EQ((std::vector<int>{1, -1, 0}), modes.modes);
  EXPECT_EQ(0, g_runner->RunMode);
}

TEST_F(CommandTest, WhileRunningOnlyTheRunsOwnCommandsAndTheHarmlessOnesAct) {
  OpenWindow();
  RecordingPage& console = Instrument(PageIndex::PageConsole);
  window->ToolbarButtons(true);
  for (int id : kIdleOnly) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Result::Refused, window->OnCommand(id));
    EXPECT_FALSE(window->Action(id)->isEnabled());
  }
  EXPECT_EQ(Result::Refused, window->OnCommand(kCmdRecentFirst));
  EXPECT_EQ(0, ui.fileDialogs);
  EXPECT_TRUE(ui.messages.empty());

  for (int id : kConsoleCommands) {
    EXPECT_TRUE(window->Action(id)->isEnabled());
    EXPECT_EQ(Result::Done, window->OnCommand(id));
  }
  EXPECT_EQ((std::vector<int>{kCmdStop, kCmdStopChecked, kCmdPause, kCmdPauseChecked}),
            console.commands);
  for (int id : {kCmdSave, kCmdExit, kCmdAbout, kCmdHelpIndex, kCmdLogView, kCmdProjectReport,
                 kCmdExportSettings, kCmdImportSettings})
    EXPECT_TRUE(window->Action(id)->isEnabled()) << id;
  EXPECT_FALSE(window->RecentFilesMenu()->isEnabled());

  window->ToolbarButtons(false);
  for (int id : kConsoleCommands) EXPECT_FALSE(window->Action(id)->isEnabled()) << id;
}

TEST_F(CommandTest, ConnectionCommandsFollowTheConnection) {
  OpenWindow();
  EXPECT_TRUE(window->Action(kCmdConnect)->isEnabled());
  EXPECT_FALSE(window->Action(kCmdDisconnect)->isEnabled());
  EXPECT_TRUE(window->Action(kCmdRun)->isEnabled());

  ConnectSqlite();
  EXPECT_FALSE(window->Action(kCmdConnect)->isEnabled());
  EXPECT_TRUE(window->Action(kCmdDisconnect)->isEnabled());
  EXPECT_EQ(Result::Refused, window->OnCommand(kCmdConnect));

  EXPECT_EQ(Result::Done, window->OnCommand(kCmdDisconnect));
  EXPECT_FALSE(g_mainDB->IsConnected());
  EXPECT_TRUE(window->Action(kCmdConnect)->isEnabled());
  EXPECT_EQ(QStringLiteral("Not connected"), window->ProjectPage()->ConnectionText());
}

TEST_F(CommandTest, MenusHoldEveryCommandOnce) {
  OpenWindow();
  std::multiset<int> seen;
  std::function<void(QMenu*)> walk = [&](QMenu* menu) {
    for (QAction* action : menu->actions()) {
      if (action->menu())
        walk(action->menu());
      else if (!action->isSeparator())
        seen.insert(action->data().toInt());
    }
  };
  QStringList titles;
  for (QAction* top : window->menuBar()->actions()) {
    titles << top->text();
    walk(top->menu());
  }
  EXPECT_EQ((QStringList{"&File", "&Task", "&Project", "T&ools", "&Help"}), titles);
  for (const CommandSpec& spec : CommandTable()) EXPECT_EQ(1u, seen.count(spec.id)) << spec.id;
}

TEST_F(CommandTest, ShortcutsOfDisabledCommandsDoNothing) {
  OpenWindow();
  Task first;
  first.Name = L"first";
  Task second;
  second.Name = L"second";
  g_project.Tasks = {first, second};
  window->ProjectPage()->LoadFromProject();
  window->ProjectPage()->SelectRows({0});
  testsupport::ModalAnswerer answer;
  window->ToolbarButtons(true);
  QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_F8, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_F2);
  Settle();
  EXPECT_EQ(0, ui.fileDialogs);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(L"first", g_project.Tasks[0].Name);
  EXPECT_EQ(1, g_project.Tasks[0].isActive);
  EXPECT_EQ(1, g_project.Saved);

  // The same keys act once the run is over; Add offers the connect dialog, which is closed.
  window->ToolbarButtons(false);
  answer.Custom([](QWidget* dialog) { dialog->close(); });
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_F8, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
  Settle();
  EXPECT_EQ(0, answer.Pending());
  ASSERT_EQ(2u, g_project.Tasks.size());
  EXPECT_EQ(0, g_project.Tasks[0].isActive);
  EXPECT_EQ(1, ui.fileDialogs);
}

TEST_F(CommandTest, F2DoesNothingWhileConnectedAndF3Disconnects) {
  OpenWindow();
  ConnectSqlite();
  testsupport::ModalAnswerer answer;
  answer.Custom([](QWidget* dialog) { dialog->close(); });
  QTest::keyClick(window.get(), Qt::Key_F2);
  Settle(150);
  EXPECT_EQ(1, answer.Pending());  // no connection dialog came up
  EXPECT_TRUE(g_mainDB->IsConnected());
  QTest::keyClick(window.get(), Qt::Key_F3, Qt::ControlModifier);
  EXPECT_FALSE(g_mainDB->IsConnected());
}

TEST_F(CommandTest, F4AndF8AloneAreSwallowedButCtrlF4WritesTheReport) {
  OpenWindow();
  RecordingPage& page = Instrument(PageIndex::PageStat);
  window->Tree()->SelectPage(PageIndex::PageStat);
  page.setFocus();
  QTest::keyClick(&page, Qt::Key_F4);
  QTest::keyClick(&page, Qt::Key_F8);
  QTest::keyClick(&page, Qt::Key_X);
  EXPECT_EQ((std::vector<int>{Qt::Key_X}), page.keys);  // only what no shortcut claims
  EXPECT_TRUE(page.commands.empty());
  EXPECT_EQ(0, ui.fileDialogs);
  QTest::keyClick(&page, Qt::Key_F4, Qt::ControlModifier);
  EXPECT_EQ(1, ui.fileDialogs);  // the project report asks where to write
}

TEST_F(CommandTest, HelpOpensThePagesTopicOrSaysWhereItLooked) {
  OpenWindow();
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"help"));
  CSmApp::SetHelpFolder(folder);
  window->Tree()->SelectPage(PageIndex::PageStat);
  QTest::keyClick(window.get(), Qt::Key_F1);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(folder + L"/stat.html"));

  ASSERT_TRUE(platform::WriteTextFileUtf8(folder + L"/stat.html", L"<p>statistics</p>"));
  ASSERT_TRUE(platform::WriteTextFileUtf8(folder + L"/index.html", L"<p>index</p>"));
  QTest::keyClick(window.get(), Qt::Key_F1);
  window->OnCommand(kCmdHelpIndex);
  ASSERT_EQ(2u, ui.started.size());
  EXPECT_EQ(folder + L"/stat.html", ui.started[0].second.at(0));
  EXPECT_EQ(folder + L"/index.html", ui.started[1].second.at(0));
  CSmApp::SetHelpFolder(L"");
  // The menu names the key, as it does for the other commands.
  EXPECT_TRUE(window->Action(kCmdHelpIndex)->text().endsWith(QStringLiteral("\tF1")))
      << window->Action(kCmdHelpIndex)->text().toStdString();
}

TEST_F(CommandTest, ToolbarFollowsTheTableWithTheRecentFilesDropDown) {
  OpenWindow();
  QList<int> ids;
  for (QAction* action : window->ToolBar()->actions())
    ids << (action->isSeparator() ? 0 : action->data().toInt());
  EXPECT_EQ((QList<int>{kCmdNewProject, kCmdOpen, kCmdSave, 0, kCmdConnect, kCmdDisconnect, 0,
                        kCmdRun, kCmdRunSequential, kCmdRunByGroup, 0, kCmdStop, kCmdPause,
                        kCmdStopChecked, kCmdPauseChecked, kCmdLogView, 0, kCmdAbout, 0}),
            ids);
  auto* open =
      qobject_cast<QToolButton*>(window->ToolBar()->widgetForAction(window->Action(kCmdOpen)));
  ASSERT_NE(nullptr, open);
  EXPECT_EQ(window->RecentFilesMenu(), open->menu());
}

}  // namespace
