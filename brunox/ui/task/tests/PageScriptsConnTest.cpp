// The prologue and epilogue tabs, and the connections tab of the task dialog.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "brunox/ui/task/PageConn.h"
#include "brunox/ui/task/PageScripts.h"
#include "brunox/ui/task/tests/TaskDialogFixture.h"
#include "platform/Text.h"
#include "sompel/AdvConnectDlg.h"
#include "sompel/ColorEditWnd.h"
#include "testsupport/TestEnv.h"

namespace {

using PageScriptsTest = TaskDialogTest;

TEST_F(PageScriptsTest, LeavingATabStoresItsLinesAndTrimsBothScripts) {
  const struct {
    const char* editor;
    const wchar_t* stored;
  } cases[] = {{"a", L"a"},
               {"a\nb", L"a\r\nb"},
               {"a\r\nb\r\n\r\n", L"a\r\nb"},
               {"select 1 \t", L"select 1 \t"},  // tabs stay
               {"", L""}};
  for (bool prologue : {true, false}) {
    for (const auto& c : cases) {
      task.SQLBefore = L"before \r\n";
      task.SQLAfter = L"after\r\n\r\n ";
      auto page = OpenPage<PageScripts>(prologue);
      Find<CColorEditWnd>(*page, "scriptEditor")->LoadText(QString::fromUtf8(c.editor));
      page->Deactivate();
      EXPECT_EQ(prologue ? task.SQLBefore : task.SQLAfter, c.stored) << c.editor;
      EXPECT_EQ(prologue ? task.SQLAfter : task.SQLBefore, prologue ? L"after" : L"before")
          << "the other script is trimmed too";
    }
  }
}

TEST_F(PageScriptsTest, EachTabShowsItsOwnScript) {
  task.SQLBefore = L"create table t(a int)";
  task.SQLAfter = L"drop table t";
  auto prologue = OpenPage<PageScripts>(true);
  auto epilogue = OpenPage<PageScripts>(false);
  EXPECT_EQ(Find<CColorEditWnd>(*prologue, "scriptEditor")->Text(), "create table t(a int)");
  EXPECT_EQ(Find<CColorEditWnd>(*epilogue, "scriptEditor")->Text(), "drop table t");
  EXPECT_EQ(Find<CColorEditWnd>(*epilogue, "scriptEditor")->Connection(), g_mainDB);
}

TEST_F(PageScriptsTest, TestStopsAtTheFirstFailingStatement) {
  ConnectSqlite();
  ASSERT_TRUE(Exec(L"create table ran(n int)"));
  task.UseParser = 1;
  task.SQLBefore = L"insert into ran values (1);\nselect * from missing_table;\ninsert into ran values (3);";
  auto page = OpenPage<PageScripts>(true);
  EXPECT_FALSE(page->TestScript());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(LastMessage().caption, L"Test");
  EXPECT_EQ(LastMessage().icon, platform::MsgIcon::Error);
  EXPECT_TRUE(platform::StartsWith(LastMessage().text, L"select * from missing_table\r\n\r\n"))
      << platform::ToUtf8(LastMessage().text);
  EXPECT_NE(LastMessage().text.find(L"missing_table"), std::wstring::npos);
  EXPECT_EQ(Column(L"select n from ran"), std::vector<std::wstring>{L"1"}) << "the third never ran";

  ui.messages.clear();
  Find<CColorEditWnd>(*page, "scriptEditor")->LoadText(QStringLiteral("insert into ran values (2);\n"));
  EXPECT_TRUE(page->TestScript());
  EXPECT_EQ(LastMessage().text, L"insert into ran values (2);\n\r\n\r\nSUCCESS!")
      << "the whole text, untrimmed";
  EXPECT_EQ(LastMessage().icon, platform::MsgIcon::Information);

  Find<CColorEditWnd>(*page, "scriptEditor")->LoadText(QStringLiteral(";;\n"));
  EXPECT_TRUE(page->TestScript());
  EXPECT_EQ(LastMessage().text, L";;\n\r\n\r\nNo statements found!");
  EXPECT_EQ(Column(L"select count(*) from ran"), std::vector<std::wstring>{L"2"});
}

TEST_F(PageScriptsTest, WithoutTheParserTheScriptIsOneStatement) {
  ConnectSqlite();
  task.UseParser = 0;
  task.SQLAfter = L"select 1;\r\nselect 2";
  auto page = OpenPage<PageScripts>(false);
  EXPECT_FALSE(page->TestScript()) << "the driver takes one statement at a time";
  EXPECT_TRUE(platform::StartsWith(LastMessage().text, L"select 1;\r\nselect 2\r\n\r\n["))
      << platform::ToUtf8(LastMessage().text);
}

class PageConnTest : public TaskDialogTest {
 protected:
  void Open() {
    page = OpenPage<PageConn>();
    defaultRadio = Find<QRadioButton>(*page, "defaultConnection");
    customRadio = Find<QRadioButton>(*page, "customConnection");
    choose = Find<QPushButton>(*page, "chooseConnection");
    taskText = Find<QLabel>(*page, "taskConnectionText");
  }
  // The next connection dialog gets `connString` and OK, or Cancel when it is empty.
  void AnswerConnection(const std::wstring& connString) {
    answer.Custom([this, connString](QWidget* shown) {
      auto* dialog = qobject_cast<CAdvConnectDlg*>(shown);
      ASSERT_NE(dialog, nullptr);
      ++dialogsShown;
      if (connString.empty()) return dialog->reject();
      Find<QRadioButton>(*dialog, "byString")->setChecked(true);
      Find<QLineEdit>(*dialog, "connString")->setText(QString::fromStdWString(connString));
      static_cast<QDialog*>(dialog)->accept();
    });
  }

  std::unique_ptr<PageConn> page;
  QRadioButton* defaultRadio = nullptr;
  QRadioButton* customRadio = nullptr;
  QPushButton* choose = nullptr;
  QLabel* taskText = nullptr;
  int dialogsShown = 0;
};

TEST_F(PageConnTest, ShowsBothDescriptionsAndTheChoice) {
  ConnectSqlite();
  task.TaskCon.Kind = CONN_DSN;
  task.TaskCon.Dsn = L"Sales";
  task.TaskCon.User = L"märta";
  task.TaskCon.Password = L"secret";
  Open();
  EXPECT_TRUE(defaultRadio->isChecked());
  EXPECT_EQ(Find<QLabel>(*page, "mainConnectionText")->text(),
            QString::fromStdWString(g_mainDB->Info.ConInfo()));
  EXPECT_EQ(taskText->text(), QString::fromStdWString(task.TaskCon.ConInfo()));
  EXPECT_FALSE(taskText->text().contains(QStringLiteral("secret")));
  EXPECT_FALSE(choose->isEnabled());
  EXPECT_FALSE(taskText->isEnabled());
}

TEST_F(PageConnTest, CancelInTheConnectionDialogKeepsCustomAndTheOldDescription) {
  ConnectSqlite();
  const CONN_INFO before = task.TaskCon;
  Open();
  AnswerConnection(L"");
  customRadio->click();
  EXPECT_EQ(dialogsShown, 1) << "choosing custom opens the connection dialog at once";
  EXPECT_TRUE(customRadio->isChecked());
  EXPECT_TRUE(choose->isEnabled());
  EXPECT_EQ(taskText->text(), "(none)");
  EXPECT_TRUE(task.TaskCon == before);
  page->Deactivate();
  EXPECT_EQ(task.DefConnect, 0);
}

TEST_F(PageConnTest, OkOpensTheTaskConnectionAndDefaultGoesBackToTheMainOne) {
  ConnectSqlite();
  const std::wstring own = testsupport::SqliteConnString(testsupport::NewScratchPath(L"own.db"));
  Open();
  AnswerConnection(own);
  customRadio->click();
  EXPECT_EQ(task.TaskCon.Kind, CONN_STRING);
  EXPECT_EQ(task.TaskCon.ConnString, own);
  EXPECT_EQ(taskText->text(), QString::fromStdWString(task.TaskCon.ConInfo()));
  CDB* taskDb = dialog->Connection();
  ASSERT_NE(taskDb, nullptr);
  EXPECT_NE(taskDb, g_mainDB);
  EXPECT_TRUE(taskDb->IsConnected());
  EXPECT_EQ(dialog->ConnectionText(), QString::fromStdWString(taskDb->ConInfo(1, 1)));

  // A failing description: said, and the task is left without a connection.
  AnswerConnection(L"Driver={No Such Driver};Database=x");
  choose->click();
  EXPECT_EQ(dialog->Connection(), nullptr);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Error);

  defaultRadio->click();
  EXPECT_EQ(dialogsShown, 2);
  EXPECT_FALSE(choose->isEnabled());
  EXPECT_FALSE(taskText->isEnabled());
  EXPECT_EQ(task.TaskCon.ConnString, L"Driver={No Such Driver};Database=x") << "kept for later";
  EXPECT_EQ(dialog->Connection(), g_mainDB);
  page->Deactivate();
  EXPECT_EQ(task.DefConnect, 1);
}

}  // namespace
