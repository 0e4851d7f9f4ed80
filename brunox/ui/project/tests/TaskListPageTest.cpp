// The project page: the task list and its commands, the run mode with its limits, and the ways
// in (buttons, keys, double click, context menu), each checked on the project's tasks afterwards.
#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <Qsci/qsciscintilla.h>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/common/PageHost.h"
#include "brunox/ui/run/PageConsole.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/project/PagePackage.h"
#include "brunox/ui/common/StepSpinBox.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/task/TaskProps.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "platform/TextFile.h"
#include "sompel/Colorizer.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

using platform::MsgAnswer;

Task Named(const std::wstring& name, int threads = 1, int execCount = 0, int group = 0) {
  Task task;
  task.Name = name;
  task.SQL = L"select '" + name + L"'";
  task.Threads = threads;
  task.ExecCntr = execCount;
  task.TaskGroup = group;
  return task;
}

// Presses a button of the task dialog's button box.
void Press(QWidget* modal, QDialogButtonBox::StandardButton which) {
  auto* dialog = qobject_cast<TaskProps*>(modal);
  auto* box = dialog ? dialog->findChild<QDialogButtonBox*>() : nullptr;
  if (!box) {
    ADD_FAILURE() << "expected the task dialog, got " << modal->metaObject()->className();
    modal->close();
    return;
  }
  box->button(which)->click();
}

// Types a name, a statement when the task has none yet, and a thread count when `threads` > 0
// into the general tab, and saves. Without those controls, or when the dialog stays open, the
// test fails and the dialog is cancelled, so that nothing waits for it.
void SaveGeneralTab(QWidget* modal, const QString& name, int threads = 0) {
  auto* nameEdit = modal->findChild<QLineEdit*>(QStringLiteral("taskName"));
  auto* threadBox = modal->findChild<CStepSpinBox*>(QStringLiteral("threads"));
  auto* sql = modal->findChild<QsciScintilla*>(QStringLiteral("sqlEditor"));
  if (!nameEdit || !threadBox || !sql) {
    ADD_FAILURE() << "the general tab has no taskName, threads or sqlEditor control";
    Press(modal, QDialogButtonBox::Cancel);
    return;
  }
  nameEdit->setText(name);
  if (sql->text().isEmpty()) sql->setText(QStringLiteral("select 1"));
  if (threads > 0) threadBox->setValue(threads);
  Press(modal, QDialogButtonBox::Save);
  if (modal->isVisible()) {
    ADD_FAILURE() << "the task dialog refused to save";
    Press(modal, QDialogButtonBox::Cancel);
  }
}

template <typename T>
T* Control(QWidget* parent, const char* name) {
  T* control = parent->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(nullptr, control) << name;
  return control;
}

class TaskListPageTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenWindow();
  }

  PagePackage& Page() { return *window->ProjectPage(); }
  QTableWidget& List() { return *Page().List(); }

  // The tasks of a project that counts as saved, shown on the page.
  void UseTasks(std::vector<Task> tasks) {
    g_project.Tasks = std::move(tasks);
    g_project.Saved = 1;
    Page().LoadFromProject();
  }
  static std::vector<std::wstring> Names() {
    std::vector<std::wstring> names;
    for (const Task& task : g_project.Tasks) names.push_back(task.Name);
    return names;
  }
  QStringList Row(int row) {
    QStringList texts;
    for (int column = 0; column < List().columnCount(); ++column)
      texts << List().item(row, column)->text();
    return texts;
  }
  // Every row shows its task: the list and the project are in step.
  void ExpectListMirrorsProject() {
    ASSERT_EQ(static_cast<int>(g_project.Tasks.size()), List().rowCount());
    for (int row = 0; row < List().rowCount(); ++row) {
      const Task& task = g_project.Tasks[row];
      EXPECT_EQ((QStringList{QString::fromStdWString(task.Name),
                             QString::fromStdWString(task.ThreadsText()),
                             QString::fromStdWString(task.ActiveText())}),
                Row(row))
          << row;
    }
  }
  CStepSpinBox& Limit(const char* name) { return *Control<CStepSpinBox>(&Page(), name); }
  QRadioButton& Mode(int mode) {
    return *Control<QRadioButton>(&Page(), QStringLiteral("runMode%1").arg(mode).toLatin1());
  }
};

TEST_F(TaskListPageTest, OpeningAProjectShowsItsTasksAndRunMode) {
  Project saved;
  saved.Tasks = {Named(L"counted", 4, 3), Named(L"endless", 2), Named(L"off", 1)};
  saved.Tasks[2].isActive = 0;
  saved.DoType = kRunEachTimes;
  saved.EachTasks = L"25";
  saved.Seconds = L"";
  const std::wstring path = testsupport::NewScratchPath(L"shown.bxp");
  ASSERT_EQ(1, saved.Save(path));

  ASSERT_TRUE(window->OpenProject(path, false));
  ASSERT_EQ(3, List().rowCount());
  EXPECT_EQ((QStringList{"counted", "4 (3)", "Yes"}), Row(0));
  EXPECT_EQ((QStringList{"endless", "2", "Yes"}), Row(1));
  EXPECT_EQ((QStringList{"off", "1", "No"}), Row(2));
  EXPECT_TRUE(Mode(kRunEachTimes).isChecked());
  EXPECT_FALSE(Mode(kRunUntilStopped).isChecked());
  EXPECT_EQ(25, Limit("eachTasks").value());
  EXPECT_EQ(0, Limit("seconds").value());  // an empty limit counts as 0
  EXPECT_EQ(QString::fromStdWString(path),
            Control<QLabel>(&Page(), "projectPath")->text());

  // Leaving and saving the page changes nothing the user did not change.
  window->OnCommand(kCmdSave);
  EXPECT_EQ(1, g_project.Saved);
  EXPECT_EQ(L"", g_project.Seconds);
}

TEST_F(TaskListPageTest, AnUnloadedProjectStartsWithTheRememberedRunMode) {
  window.reset();
  g_project = Project();
  g_settings->setInt(kStoreMain, L"DoType", kRunAllAtLeast);
  g_settings->setStr(kStoreMain, L"DoAll", L"");
  g_settings->setStr(kStoreMain, L"DoSeconds", L"30");
  OpenWindow();
  EXPECT_TRUE(Mode(kRunAllAtLeast).isChecked());
  EXPECT_EQ(50, Limit("allTasks").value());  // an empty setting gives the usual value
  EXPECT_EQ(30, Limit("seconds").value());
  EXPECT_EQ(kRunAllAtLeast, g_project.DoType);
  EXPECT_EQ(L"30", g_project.Seconds);
  EXPECT_EQ(1, g_project.Saved);
}

TEST_F(TaskListPageTest, RemoveAsksThenDeletesTheSelectedTasks) {
  UseTasks({Named(L"a"), Named(L"b"), Named(L"c")});
  Page().SelectRows({0, 2});
  ui.answers = {MsgAnswer::No};
  window->OnCommand(kCmdTaskDelete);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"Delete 2 task(s) from the project?", ui.messages[0].text);
  EXPECT_EQ(L"Warning!", ui.messages[0].caption);
  EXPECT_EQ(platform::MsgButtons::YesNo, ui.messages[0].buttons);
  // Enter keeps the tasks.
  EXPECT_EQ(MsgAnswer::No, ui.messages[0].defaultAnswer);
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), Names());
  EXPECT_EQ(1, g_project.Saved);

  ui.answers = {MsgAnswer::Yes};
  window->OnCommand(kCmdTaskDelete);
  EXPECT_EQ((std::vector<std::wstring>{L"b"}), Names());
  ExpectListMirrorsProject();
  EXPECT_EQ(0, g_project.Saved);

  // The only task goes as well.
  g_project.Saved = 1;
  Page().SelectRows({0});
  ui.answers = {MsgAnswer::Yes};
  window->OnCommand(kCmdTaskDelete);
  EXPECT_TRUE(g_project.Tasks.empty());
  EXPECT_EQ(0, List().rowCount());
  EXPECT_EQ(0, g_project.Saved);
}

TEST_F(TaskListPageTest, CommandsThatNeedARowSayWhenNoneIsSelected) {
  UseTasks({Named(L"a"), Named(L"b")});
  for (int id : {kCmdTaskEdit, kCmdTaskDelete, kCmdTaskCopy, kCmdTaskUp, kCmdTaskDown,
                 kCmdTaskEnable}) {
    SCOPED_TRACE(id);
    ui.messages.clear();
    window->OnCommand(id);
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ(L"No task was selected.", ui.messages[0].text);
    EXPECT_EQ(L"Warning!", ui.messages[0].caption);
    EXPECT_EQ(platform::MsgIcon::Error, ui.messages[0].icon);
  }
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), Names());
  EXPECT_EQ(1, g_project.Tasks[0].isActive);
  EXPECT_EQ(1, g_project.Saved);
}

TEST_F(TaskListPageTest, MovesCarryTheSelectionAndStopAtTheEnds) {
  UseTasks({Named(L"a"), Named(L"b"), Named(L"c")});
  Page().SelectRows({0});
  window->OnCommand(kCmdTaskUp);
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), Names());
  EXPECT_EQ(1, g_project.Saved);

  window->OnCommand(kCmdTaskDown);
  window->OnCommand(kCmdTaskDown);
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"c", L"a"}), Names());
  EXPECT_EQ(std::vector<int>{2}, Page().SelectedRows());
  EXPECT_EQ(0, g_project.Saved);
  ExpectListMirrorsProject();

  g_project.Saved = 1;
  window->OnCommand(kCmdTaskDown);  // already last
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"c", L"a"}), Names());
  EXPECT_EQ(1, g_project.Saved);

  window->OnCommand(kCmdTaskUp);
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"a", L"c"}), Names());
  EXPECT_EQ(std::vector<int>{1}, Page().SelectedRows());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TaskListPageTest, InsertCopyAppendsCopiesOfTheSelectedTasksInOrder) {
  Task grouped = Named(L"grouped", 3, 7, 2);
  grouped.Params.resize(2);
  grouped.Params[1].PropTempl = L"{N:1-100}";
  grouped.DefConnect = 0;
  grouped.TaskCon.Kind = CONN_STRING;
  grouped.TaskCon.ConnString = L"Driver=SQLite3;Database=/tmp/own.sqlite";
  Task disabled = Named(L"disabled", 2, 0, 5);
  disabled.isActive = 0;
  UseTasks({grouped, Named(L"middle"), disabled});
  Page().SelectRows({0, 2});
  window->OnCommand(kCmdTaskCopy);

  EXPECT_EQ((std::vector<std::wstring>{L"grouped", L"middle", L"disabled", L"grouped",
                                       L"disabled"}),
            Names());
  EXPECT_FALSE(g_project.Tasks[3] != grouped);
  EXPECT_FALSE(g_project.Tasks[4] != disabled);
  EXPECT_EQ(2, g_project.Tasks[3].TaskGroup);
  EXPECT_EQ(5, g_project.Tasks[4].TaskGroup);
  EXPECT_EQ(0, g_project.Tasks[4].isActive);
  EXPECT_EQ(L"{N:1-100}", g_project.Tasks[3].Params[1].PropTempl);
  // The copies are not selected, so a second Insert Copy copies the same two again.
  EXPECT_EQ((std::vector<int>{0, 2}), Page().SelectedRows());
  ExpectListMirrorsProject();
  EXPECT_EQ(0, g_project.Saved);
}

TEST_F(TaskListPageTest, EnableDisableTogglesEachSelectedTask) {
  UseTasks({Named(L"a"), Named(L"b"), Named(L"c"), Named(L"untouched")});
  g_project.Tasks[1].isActive = 0;
  Page().LoadFromProject();
  Page().SelectRows({0, 1, 2});
  window->OnCommand(kCmdTaskEnable);
  EXPECT_EQ(0, g_project.Tasks[0].isActive);
  EXPECT_EQ(1, g_project.Tasks[1].isActive);
  EXPECT_EQ(0, g_project.Tasks[2].isActive);
  EXPECT_EQ(1, g_project.Tasks[3].isActive);
  EXPECT_EQ(QStringLiteral("No"), Row(0)[2]);
  EXPECT_EQ(QStringLiteral("Yes"), Row(1)[2]);
  ExpectListMirrorsProject();
  EXPECT_EQ(0, g_project.Saved);
}

TEST_F(TaskListPageTest, LimitArrowsStepByTenAndMarkTheProjectAtOnce) {
  g_project.Seconds = L"5";
  g_project.AtLeast = L"";
  g_project.Saved = 1;
  Page().LoadFromProject();
  CStepSpinBox& seconds = Limit("seconds");
  seconds.stepBy(-1);
  EXPECT_EQ(5, seconds.value());
  EXPECT_EQ(0, g_project.Saved);  // the click counts as an edit
  seconds.stepBy(1);
  EXPECT_EQ(15, seconds.value());
  EXPECT_EQ(L"15", g_project.Seconds);

  CStepSpinBox& atLeast = Limit("atLeast");
  EXPECT_EQ(0, atLeast.value());
  atLeast.stepBy(1);
  EXPECT_EQ(L"10", g_project.AtLeast);
}

TEST_F(TaskListPageTest, RunModeAndTypedLimitsReachTheProject) {
  g_project.Saved = 1;
  Mode(kRunSeconds).click();
  EXPECT_EQ(kRunSeconds, g_project.DoType);
  EXPECT_EQ(0, g_project.Saved);

  // A typed value goes into the project when the page is stored (Save, Run, leaving the page).
  g_project.Saved = 1;
  Limit("eachTasks").setValue(33);
  window->Tree()->SelectPage(PageIndex::PageStat);
  EXPECT_EQ(L"33", g_project.EachTasks);
  EXPECT_EQ(0, g_project.Saved);

  // What changed in the project behind the page's back stays as it is.
  window->Tree()->SelectPage(PageIndex::PagePackage);
  g_project.DoType = kRunByTaskCounts;
  g_project.Saved = 1;
  Page().StoreToProject();
  EXPECT_EQ(kRunByTaskCounts, g_project.DoType);
  EXPECT_EQ(1, g_project.Saved);
}

TEST_F(TaskListPageTest, AddShowsTheTaskDialogAndAppendsWhatWasSaved) {
  ConnectSqlite();
  UseTasks({Named(L"first")});
  testsupport::ModalAnswerer answer;
  answer.Custom([](QWidget* dialog) { Press(dialog, QDialogButtonBox::Cancel); });
  window->OnCommand(kCmdTaskAdd);
  EXPECT_EQ(0, answer.Pending());
  EXPECT_EQ(std::vector<std::wstring>{L"first"}, Names());
  EXPECT_EQ(1, g_project.Saved);

  answer.Custom([](QWidget* dialog) { SaveGeneralTab(dialog, QStringLiteral("added"), 6); });
  window->OnCommand(kCmdTaskAdd);
  EXPECT_EQ(0, answer.Pending());
  ASSERT_EQ((std::vector<std::wstring>{L"first", L"added"}), Names());
  EXPECT_EQ(6, g_project.Tasks[1].Threads);
  EXPECT_EQ(nullptr, g_project.Tasks[1].DB);  // the dialog's connection stays with the dialog
  ExpectListMirrorsProject();
  EXPECT_EQ(0, g_project.Saved);
}

TEST_F(TaskListPageTest, AddWithoutConnectionOffersTheConnectDialogFirst) {
  testsupport::ModalAnswerer answer;
  QString shown;
  answer.Custom([&shown](QWidget* dialog) {
    shown = QString::fromLatin1(dialog->metaObject()->className());
    dialog->close();
  });
  window->OnCommand(kCmdTaskAdd);
  EXPECT_EQ(0, answer.Pending());
  EXPECT_EQ(QStringLiteral("CAdvConnectDlg"), shown);
  EXPECT_TRUE(g_project.Tasks.empty());
  EXPECT_EQ(1, g_project.Saved);
}

TEST_F(TaskListPageTest, EditWithoutChangesLeavesTheProjectUnmodified) {
  ConnectSqlite();
  Task counted = Named(L"counted", 4, 3, 2);
  counted.SQLBefore = L"create table if not exists t(x)";
  UseTasks({Named(L"first"), counted});
  Page().SelectRows({1});
  testsupport::ModalAnswerer answer;
  answer.Custom([](QWidget* dialog) { Press(dialog, QDialogButtonBox::Save); });
  window->OnCommand(kCmdTaskEdit);
  EXPECT_EQ(0, answer.Pending());
  EXPECT_FALSE(g_project.Tasks[1] != counted);
  EXPECT_EQ(1, g_project.Saved);
}

TEST_F(TaskListPageTest, EditTakesTheChangedCopyAndShowsItsThreadsText) {
  ConnectSqlite();
  UseTasks({Named(L"first"), Named(L"counted", 4, 3, 2)});
  Page().SelectRows({1});
  testsupport::ModalAnswerer answer;
  answer.Custom([](QWidget* dialog) { SaveGeneralTab(dialog, QStringLiteral("renamed")); });
  window->OnCommand(kCmdTaskEdit);
  EXPECT_EQ(0, answer.Pending());
  EXPECT_EQ((std::vector<std::wstring>{L"first", L"renamed"}), Names());
  EXPECT_EQ(2, g_project.Tasks[1].TaskGroup);
  EXPECT_EQ((QStringList{"renamed", "4 (3)", "Yes"}), Row(1));
  EXPECT_EQ(0, g_project.Saved);

  // Cancel keeps the task as it is.
  g_project.Saved = 1;
  answer.Custom([](QWidget* dialog) {
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("taskName")))
      name->setText(QStringLiteral("dropped"));
    Press(dialog, QDialogButtonBox::Cancel);
  });
  window->OnCommand(kCmdTaskEdit);
  EXPECT_EQ(L"renamed", g_project.Tasks[1].Name);
  EXPECT_EQ(1, g_project.Saved);
}

TEST_F(TaskListPageTest, DeleteKeyRemovesTasksUnlessATextHasTheFocus) {
  UseTasks({Named(L"a"), Named(L"b")});
  Page().SelectRows({0});
  List().setFocus();
  ui.answers = {MsgAnswer::Yes};
  QTest::keyClick(&List(), Qt::Key_Delete);
  EXPECT_EQ(std::vector<std::wstring>{L"b"}, Names());
  ASSERT_EQ(1u, ui.messages.size());

  // In a value box the key edits the number.
  Page().SelectRows({0});
  auto* edit = Limit("seconds").findChild<QLineEdit*>();
  ASSERT_NE(nullptr, edit);
  Limit("seconds").setValue(40);
  edit->setFocus();
  edit->setCursorPosition(0);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(QStringLiteral("0"), edit->text());
  EXPECT_EQ(std::vector<std::wstring>{L"b"}, Names());
  EXPECT_EQ(1u, ui.messages.size());
}

TEST_F(TaskListPageTest, EveryWayInIsRefusedWhileRunning) {
  ConnectSqlite();
  UseTasks({Named(L"a"), Named(L"b")});
  Page().SelectRows({0});
  const QPoint firstRow = List().visualItemRect(List().item(0, 0)).center();
  const auto doubleClick = [&] {
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, firstRow);
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, firstRow);
  };
  // Idle, a double click edits.
  testsupport::ModalAnswerer answer;
  answer.Custom([](QWidget* dialog) { Press(dialog, QDialogButtonBox::Cancel); });
  doubleClick();
  EXPECT_EQ(0, answer.Pending());

  window->ToolbarButtons(true);
  answer.Custom([](QWidget* dialog) { Press(dialog, QDialogButtonBox::Cancel); });
  doubleClick();
  List().setFocus();
  QTest::keyClick(&List(), Qt::Key_Delete);
  std::unique_ptr<QMenu> menu = Page().MakeContextMenu();
  for (QAction* item : menu->actions()) {
    if (item->isSeparator()) continue;
    EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
    item->trigger();
  }
  for (const char* name : {"taskNew", "taskEdit", "taskRemove", "taskUp", "taskDown",
                           "runProject", "runMode2", "seconds"})
    EXPECT_FALSE(Control<QWidget>(&Page(), name)->isEnabled()) << name;
  EXPECT_TRUE(Control<QWidget>(&Page(), "projectReport")->isEnabled());
  Settle(150);
  EXPECT_EQ(1, answer.Pending());  // no task dialog came up
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), Names());
  EXPECT_EQ(1, g_project.Tasks[0].isActive);
  EXPECT_EQ(1, g_project.Saved);
  window->ToolbarButtons(false);
}

TEST_F(TaskListPageTest, ContextMenuHoldsTheTaskCommandsWithEditAsDefault) {
  UseTasks({Named(L"a"), Named(L"b")});
  std::unique_ptr<QMenu> menu = Page().MakeContextMenu();
  QList<int> ids;
  for (QAction* item : menu->actions()) ids << (item->isSeparator() ? 0 : item->data().toInt());
  EXPECT_EQ((QList<int>{kCmdTaskAdd, kCmdTaskEdit, kCmdTaskDelete, kCmdTaskCopy, 0, kCmdTaskUp,
                        kCmdTaskDown, 0, kCmdTaskEnable}),
            ids);
  EXPECT_EQ(window->Action(kCmdTaskEdit), menu->defaultAction());

  Page().SelectRows({1});
  menu->actions().at(8)->trigger();
  EXPECT_EQ(0, g_project.Tasks[1].isActive);
}

TEST_F(TaskListPageTest, ProjectReportWritesTheChosenFile) {
  UseTasks({Named(L"reported", 3, 2)});
  const std::wstring path = testsupport::NewScratchPath(L"description.html");
  ui.fileChoices = {path};
  Control<QPushButton>(&Page(), "projectReport")->click();
  std::string html;
  ASSERT_TRUE(platform::ReadFileBytes(path, html));
  EXPECT_NE(std::string::npos, html.find("reported"));
  ASSERT_EQ(1u, ui.started.size());
  EXPECT_EQ(path, ui.started[0].second.at(0));

  ui.fileChoices = {L""};  // cancelled: nothing written, nothing opened
  window->OnCommand(kCmdProjectReport);
  EXPECT_EQ(1u, ui.started.size());
}

TEST_F(TaskListPageTest, RunButtonRunsInTheRunModeThePageShows) {
  ConnectSqlite();
  UseTasks({Named(L"counted", 2, 3)});
  g_project.DoType = kRunUntilStopped;
  Page().LoadFromProject();
  // Until stopped would never end; by the tasks' counts the run ends after 2 x 3 executions.
  Mode(kRunByTaskCounts).click();
  // A run that does not end by itself is stopped and fails the test.
  bool stopped = false;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&stopped] {
    stopped = true;
    g_runner->Stop = 1;
  });
  guard.start(20000);
  Control<QPushButton>(&Page(), "runProject")->click();
  // The page posts the run: it starts once the click has ended.
  EXPECT_TRUE(QTest::qWaitFor(
      [this] { return window->ConsolePage()->Rows().Count() == 2 && !window->Running(); }, 30000));
  EXPECT_FALSE(stopped);
  Settle();
  EXPECT_FALSE(window->Running());
  EXPECT_EQ(kRunByTaskCounts, g_project.DoType);
  EXPECT_EQ(PageIndex::PageConsole, window->CurrentPage());
}

TEST_F(TaskListPageTest, ClosingRemembersWidthsAndLimitsButNotTheRunMode) {
  List().setColumnWidth(0, 123);
  Limit("seconds").setValue(40);
  Mode(kRunEachAtLeast).click();
  ui.answers = {MsgAnswer::No};  // the edited project is not saved
  window->close();
  EXPECT_EQ(L"123", StoredSetting(L"PP_W1"));
  EXPECT_EQ(L"40", StoredSetting(L"DoSeconds"));
  EXPECT_EQ(L"", StoredSetting(L"DoType"));
}

TEST_F(TaskListPageTest, NewProjectEmptiesTheList) {
  UseTasks({Named(L"a"), Named(L"b")});
  g_project.Saved = 0;
  ui.answers = {MsgAnswer::No};
  window->OnCommand(kCmdNewProject);
  EXPECT_TRUE(g_project.Tasks.empty());
  EXPECT_EQ(0, List().rowCount());
}

TEST_F(TaskListPageTest, Screenshot) {
  Task off = Named(L"Update stock levels", 8);
  off.isActive = 0;
  UseTasks({Named(L"Select customers by region", 20, 100), off,
            Named(L"Insert order lines", 4, 50, 1)});
  window->resize(1000, 680);
  Page().SelectRows({0});
  window->UpdateStatus();
  Settle();
  EXPECT_FALSE(testsupport::SaveScreenshot(*window, QStringLiteral("task_list")).isEmpty());
}

// The page on its own, over a host that records what the page asks of it: no main window exists.
class RecordingHost : public PageHost {
 public:
  CommandResult OnCommand(int id) override {
    commands.push_back(id);
    if (id == kCmdConnect) connected = connectsWhenAsked;
    return CommandResult::Done;
  }
  QAction* Action(int) const override { return nullptr; }
  bool Running() const override { return running; }
  bool Connected() const override { return connected; }
  void SetModified() override { ++modified; }
  void UpdateStatus() override { ++statusUpdates; }

  std::vector<int> commands;
  bool running = false;
  bool connected = false;
  bool connectsWhenAsked = false;
  int modified = 0;
  int statusUpdates = 0;
};

class ProjectPageAloneTest : public WindowTest {
 protected:
  RecordingHost host;
  CColorizer colorizer;
};

TEST_F(ProjectPageAloneTest, EditsAndTheRunButtonGoToTheHost) {
  PagePackage page(host, colorizer);
  page.LoadFromProject();
  Control<QRadioButton>(&page, QStringLiteral("runMode%1").arg(kRunSeconds).toLatin1())->click();
  EXPECT_EQ(kRunSeconds, g_project.DoType);
  EXPECT_GT(host.modified, 0);

  QPushButton* run = Control<QPushButton>(&page, "runProject");
  // Not connected: the page offers the connect command first and runs nothing when that fails.
  run->click();
  QTest::qWait(20);
  EXPECT_EQ(std::vector<int>{kCmdConnect}, host.commands);

  // While a run is under way the button does nothing at all.
  host.commands.clear();
  host.connected = true;
  host.running = true;
  run->click();
  QTest::qWait(20);
  EXPECT_TRUE(host.commands.empty());

  // Connected and idle: the status is brought up to date and the run is posted, not called.
  host.running = false;
  run->click();
  EXPECT_TRUE(host.commands.empty());
  EXPECT_EQ(1, host.statusUpdates);
  EXPECT_TRUE(QTest::qWaitFor([this] { return !host.commands.empty(); }, 1000));
  EXPECT_EQ(std::vector<int>{kCmdRun}, host.commands);
}

}  // namespace
