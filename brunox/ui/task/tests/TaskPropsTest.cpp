// The task properties dialog: tabs that refuse to be left, Save, the task's connection while the
// dialog is shown, and a confirmed showing that changes nothing.
#include "brunox/ui/task/TaskProps.h"

#include <QLineEdit>
#include <QTabWidget>

#include "brunox/ui/task/PageMain.h"
#include "brunox/ui/task/tests/TaskDialogFixture.h"
#include "platform/Text.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

CONN_INFO SqliteInfo(const std::wstring& name) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(testsupport::NewScratchPath(name));
  return info;
}

using TaskPropsTest = TaskDialogTest;

TEST_F(TaskPropsTest, ATabThatRefusesKeepsItsTabAndTheDialogOpen) {
  const int result = Show([&] {
    EXPECT_EQ(dialog->CurrentTab(), TaskProps::kTabGeneral);
    Find<QLineEdit>(*dialog, "taskName")->clear();
    EXPECT_FALSE(dialog->SelectTab(TaskProps::kTabOptions));
    EXPECT_EQ(dialog->CurrentTab(), TaskProps::kTabGeneral);
    EXPECT_EQ(Find<QTabWidget>(*dialog, "taskTabs")->currentIndex(), TaskProps::kTabGeneral);
    EXPECT_EQ(LastMessage().text, L"Please enter task name!");

    ui.messages.clear();
    Save();
    EXPECT_TRUE(dialog->isVisible()) << "Save on a refusing tab keeps the dialog open";
    EXPECT_EQ(LastMessage().text, L"Please enter task name!");
    Cancel();
  });
  EXPECT_EQ(result, QDialog::Rejected);
}

TEST_F(TaskPropsTest, SaveStoresTheShownTabAndTheTabsLeftBefore) {
  const int result = Show([&] {
    Find<QLineEdit>(*dialog, "taskName")->setText(QStringLiteral("renamed"));
    ASSERT_TRUE(dialog->SelectTab(TaskProps::kTabConnections));
    EXPECT_EQ(task.Name, L"renamed") << "stored when the tab was left";
    Save();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(task.Name, L"renamed");
  EXPECT_EQ(task.DefConnect, 1);
}

TEST_F(TaskPropsTest, ConfirmedWithoutChangesTheTaskStaysAsItWas) {
  ConnectSqlite();
  task.SQL = L"insert into t values ('?1', ?2)";
  task.sqlFile = L"/tmp/not-used.sql";
  task.File = L"$HOME$/values.txt";
  task.ResultsDirectory = L"/tmp/results";
  task.Separator = L";";
  task.ExecCntr = 3;
  task.Threads = 7;
  task.Rows = 20;
  task.AllRows = 0;
  task.Delay = 10;
  task.DelayMax = 30;
  task.SQLDelay = 5;
  task.iStmtDelay = 1;
  task.iStmtDelayMax = 2;
  task.AsTransaction = 1;
  task.isActive = 0;
  task.UseParser = 1;
  task.bSaveThreadResults = 1;
  task.ParamType = kParamsFromFile;
  task.SQLBefore = L"create table t(a int)";
  task.SQLAfter = L"drop table t;\r\nvacuum";
  task.TaskCon = SqliteInfo(L"own.db");
  task.TaskGroup = 2;
  task.TDU = kThreadsShareReader;
  task.Priority = kPriorityHigh;
  for (const wchar_t* pattern : {L"NNN", L"AAA"}) {  // one for each marker of the statement
    TaskParam param;
    param.PropMethod = kParamPattern;
    param.PropTempl = pattern;
    task.Params.push_back(param);
  }
  const Task before = task;

  const int result = Show([&] {
    for (int tab = 0; tab < TaskProps::kTabCount; ++tab)
      EXPECT_TRUE(dialog->SelectTab(tab)) << "tab " << tab;
    EXPECT_TRUE(dialog->SelectTab(TaskProps::kTabGeneral));
    Save();
  });
  ASSERT_EQ(result, QDialog::Accepted);
  EXPECT_FALSE(task != before);
#define EXPECT_SAME(field) EXPECT_EQ(task.field, before.field) << #field
  EXPECT_SAME(Name);
  EXPECT_SAME(SQL);
  EXPECT_SAME(sqlFile);
  EXPECT_SAME(File);
  EXPECT_SAME(ResultsDirectory);
  EXPECT_SAME(Separator);
  EXPECT_SAME(ExecCntr);
  EXPECT_SAME(Threads);
  EXPECT_SAME(Rows);
  EXPECT_SAME(Delay);
  EXPECT_SAME(SQLDelay);
  EXPECT_SAME(DelayMax);
  EXPECT_SAME(iStmtDelay);
  EXPECT_SAME(iStmtDelayMax);
  EXPECT_SAME(AllRows);
  EXPECT_SAME(AsTransaction);
  EXPECT_SAME(isActive);
  EXPECT_SAME(UseParser);
  EXPECT_SAME(UseFileSQL);
  EXPECT_SAME(bSaveThreadResults);
  EXPECT_SAME(DefConnect);
  EXPECT_SAME(ParamType);
  EXPECT_SAME(SQLBefore);
  EXPECT_SAME(SQLAfter);
  EXPECT_TRUE(task.TaskCon == before.TaskCon);
  EXPECT_SAME(TaskGroup);
  EXPECT_SAME(TDU);
  EXPECT_SAME(Priority);
  EXPECT_SAME(DB);
  ASSERT_EQ(task.Params.size(), before.Params.size());
  for (size_t i = 0; i < task.Params.size(); ++i) EXPECT_FALSE(task.Params[i].Differs(before.Params[i])) << i;
#undef EXPECT_SAME
}

class TaskPropsOwnConnection : public TaskDialogTest,
                               public ::testing::WithParamInterface<bool /*postgres*/> {};

TEST_P(TaskPropsOwnConnection, TheTaskRunsOnItsOwnConnectionWhileShown) {
  if (GetParam()) REQUIRE_POSTGRES();
  ConnectSqlite();
  task.DefConnect = 0;
  if (GetParam()) {
    task.TaskCon.Kind = CONN_STRING;
    task.TaskCon.ConnString = testsupport::PostgresConnString();
  } else {
    task.TaskCon = SqliteInfo(L"own.db");
  }
  task.DB = g_mainDB;  // what the task list hands over
  const int result = Show([&] {
    CDB* own = dialog->Connection();
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, g_mainDB);
    EXPECT_TRUE(own->IsConnected());
    EXPECT_EQ(own->DbmsName, GetParam() ? L"PostgreSQL" : L"SQLite");
    EXPECT_EQ(dialog->ConnectionText(), QString::fromStdWString(own->ConInfo(1, 1)));
    Cancel();
  });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_TRUE(ui.messages.empty()) << platform::ToUtf8(LastMessage().text);
  EXPECT_EQ(task.DB, g_mainDB) << "the pointer the task came with";
  EXPECT_TRUE(g_mainDB->IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Servers, TaskPropsOwnConnection, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Postgres" : "Sqlite"; });

TEST_F(TaskPropsTest, AnOwnConnectionThatFailsLeavesTheTaskWithout) {
  ConnectSqlite();
  task.DefConnect = 0;
  task.TaskCon.Kind = CONN_STRING;
  task.TaskCon.ConnString = L"Driver={No Such Driver};Database=x";
  const int result = Show([&] {
    EXPECT_EQ(dialog->Connection(), nullptr) << "never the main connection instead";
    EXPECT_TRUE(dialog->ConnectionText().contains(QStringLiteral("not connected")))
        << dialog->ConnectionText().toStdString();
    Save();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, task.TaskCon.ConInfo());
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Error);
  EXPECT_FALSE(ui.messages[0].text.empty());
  EXPECT_EQ(task.DB, nullptr);
  EXPECT_EQ(task.DefConnect, 0);
  EXPECT_TRUE(g_mainDB->IsConnected()) << "the main connection is not touched";
  EXPECT_EQ(g_mainDB->DbmsName, L"SQLite");
}

TEST_F(TaskPropsTest, Screenshots) {
  ConnectSqlite();
  task.SQL = L"select o.id, o.total\n  from orders o\n where o.customer = '?1'\n order by o.id;";
  task.SQLBefore = L"create table if not exists orders(id int, customer varchar(20), total int);";
  Show([&] {
    EXPECT_FALSE(testsupport::SaveScreenshot(*dialog, QStringLiteral("task_general")).isEmpty());
    ASSERT_TRUE(dialog->SelectTab(TaskProps::kTabConnections));
    EXPECT_FALSE(testsupport::SaveScreenshot(*dialog, QStringLiteral("task_connections")).isEmpty());
    ASSERT_TRUE(dialog->SelectTab(TaskProps::kTabPrologue));
    EXPECT_FALSE(testsupport::SaveScreenshot(*dialog, QStringLiteral("task_prologue")).isEmpty());
    Cancel();
  });
}

}  // namespace
