// The general tab of the task dialog: what may be stored, the thread count, the script source,
// the statement test and the SQL library.
#include "brunox/ui/task/PageMain.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/common/StepSpinBox.h"
#include "brunox/ui/task/tests/TaskDialogFixture.h"
#include "kavra/DbmsCodes.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/ColorEditWnd.h"
#include "brunox/ui/task/SqlImportDlg.h"
#include "sompel/SqlLibraryDlg.h"
#include "testsupport/TestEnv.h"

namespace {

class PageMainTest : public TaskDialogTest {
 protected:
  void Open() {
    page = OpenPage<PageMain>();
    editor = Find<CColorEditWnd>(*page, "sqlEditor");
  }
  void SetName(const QString& name) { Find<QLineEdit>(*page, "taskName")->setText(name); }
  void UseFile(const std::wstring& path) {
    Find<QRadioButton>(*page, "scriptFromFile")->setChecked(true);
    Find<QLineEdit>(*page, "scriptFile")->setText(QString::fromStdWString(path));
  }
  // The test's outcome: the text of its box, which must be captioned "Test" with `icon`.
  std::wstring Tested(platform::MsgIcon icon) {
    ui.messages.clear();
    page->TestStatement();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(LastMessage().caption, L"Test");
    EXPECT_EQ(LastMessage().icon, icon);
    return LastMessage().text;
  }
  std::wstring ValueFile(const std::string& bytes) {
    const std::wstring path = testsupport::NewScratchPath(L"values.txt");
    EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
    return path;
  }

  std::unique_ptr<PageMain> page;
  CColorEditWnd* editor = nullptr;
};

TEST_F(PageMainTest, ANameAndAScriptAreNeededToLeaveTheTab) {
  Open();
  EXPECT_EQ(Find<QLineEdit>(*page, "taskName")->text(), "orders");
  EXPECT_EQ(editor->Text(), "select 1");

  SetName(QString());
  EXPECT_FALSE(page->CanSave());
  EXPECT_EQ(LastMessage().text, L"Please enter task name!");
  EXPECT_EQ(LastMessage().caption, L"Warning!");
  EXPECT_EQ(LastMessage().icon, platform::MsgIcon::Error);

  SetName(QStringLiteral("  "));
  editor->LoadText(QStringLiteral(" \r\n\t\n"));
  EXPECT_FALSE(page->CanSave()) << "a name of blanks is a name; a script of blanks is none";
  EXPECT_EQ(LastMessage().text, L"Please enter SQL statement for the task!");
  EXPECT_EQ(task.Name, L"  ");

  editor->LoadText(QStringLiteral("select 2;\r\n\t "));
  ui.messages.clear();
  EXPECT_TRUE(page->CanSave());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(task.SQL, L"select 2;") << "stored without its trailing blanks";
}

TEST_F(PageMainTest, InFileModeTheFileMustExistAndTheEditorTextIsNotStored) {
  Open();
  editor->LoadText(QStringLiteral("select 'typed'"));
  UseFile(testsupport::NewScratchPath(L"missing.sql"));
  EXPECT_FALSE(page->CanSave());
  EXPECT_EQ(LastMessage().text, L"The SQL script with task definition does not exist or inaccessible.");
  UseFile(testsupport::ScratchFolder());
  EXPECT_FALSE(page->CanSave()) << "a folder is no script file";

  const std::wstring script = testsupport::NewScratchPath(L"task.sql");
  ASSERT_TRUE(platform::WriteTextFileUtf8(script, L"select 3"));
  UseFile(script);
  EXPECT_TRUE(page->CanSave());
  page->Deactivate();
  EXPECT_EQ(task.sqlFile, script);
  EXPECT_EQ(task.UseFileSQL, 1);
  EXPECT_EQ(task.SQL, L"select 1");
}

TEST_F(PageMainTest, DeactivateStoresTheSwitchesAndTheThreads) {
  task.UseParser = 1;
  task.AsTransaction = 0;
  Open();
  EXPECT_TRUE(Find<QCheckBox>(*page, "useParser")->isChecked());
  Find<QCheckBox>(*page, "useParser")->setChecked(false);
  Find<QCheckBox>(*page, "asTransaction")->setChecked(true);
  Find<CStepSpinBox>(*page, "threads")->setValue(12);
  ASSERT_TRUE(page->CanSave());
  page->Deactivate();
  EXPECT_EQ(task.UseParser, 0);
  EXPECT_EQ(task.AsTransaction, 1);
  EXPECT_EQ(task.Threads, 12);
  EXPECT_EQ(task.UseFileSQL, 0);
}

TEST_F(PageMainTest, TheThreadArrowsNeverGoBelowOne) {
  Open();
  auto* threads = Find<CStepSpinBox>(*page, "threads");
  EXPECT_EQ(threads->value(), 2);
  const int saved = g_project.Saved;
  for (const auto& [from, steps, to] : {std::tuple{1, -1, 1}, {5, -1, 4}, {5, 1, 6}, {2, -3, 1}}) {
    threads->setValue(from);
    threads->stepBy(steps);
    EXPECT_EQ(threads->value(), to) << from << " stepped " << steps;
  }
  EXPECT_EQ(g_project.Saved, saved) << "the arrows do not mark the project modified";
}

TEST_F(PageMainTest, TheSourceChoiceEnablesItsControls) {
  Open();
  auto* fromFile = Find<QRadioButton>(*page, "scriptFromFile");
  auto* import = Find<QPushButton>(*page, "importTrace");
  EXPECT_TRUE(editor->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>(*page, "scriptFile")->isEnabled());
  EXPECT_TRUE(import->isEnabled());

  fromFile->setChecked(true);
  EXPECT_FALSE(editor->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(*page, "loadScript")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(*page, "sqlLibrary")->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>(*page, "scriptFile")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>(*page, "testStatement")->isEnabled());
}

TEST_F(PageMainTest, TestPutsTheNextLineOfTheValueFileIntoTheStatement) {
  ConnectSqlite();
  ASSERT_TRUE(Exec(L"create table t(a varchar(10), b int)"));
  task.SQL = L"insert into t values ('?1', ?2)\r\n";
  task.File = ValueFile("x\t5\ny\t6\n");
  Open();
  EXPECT_EQ(Tested(platform::MsgIcon::Information), L"insert into t values ('x', 5)\r\n\r\nSUCCESS!");
  EXPECT_EQ(Column(L"select a || b from t"), std::vector<std::wstring>{L"x5"});

  task.Separator = L";";
  task.File = ValueFile("O'Brien;7\n");
  editor->LoadText(QStringLiteral("insert into t values ('?1', ?2)"));
  const std::wstring text = Tested(platform::MsgIcon::Error);
  EXPECT_TRUE(platform::StartsWith(text, L"insert into t values ('O'Brien', 7)\r\n\r\n[")) << platform::ToUtf8(text);
}

TEST_F(PageMainTest, AValueFileThatGivesNoValuesLeavesTheStatementAndSaysWhy) {
  ConnectSqlite();
  editor = nullptr;
  task.SQL = L"select '?1'";
  task.File = ValueFile("");
  Open();
  std::wstring text = Tested(platform::MsgIcon::Information);
  EXPECT_TRUE(platform::StartsWith(text, L"select '?1'\r\n\r\nSUCCESS!\r\n\r\n")) << platform::ToUtf8(text);
  EXPECT_NE(text.find(L"is empty"), std::wstring::npos) << platform::ToUtf8(text);

  task.File = ValueFile("a\tb\n");
  task.Separator = L"";
  text = Tested(platform::MsgIcon::Information);
  EXPECT_TRUE(platform::StartsWith(text, L"select '?1'\r\n\r\nSUCCESS!\r\n\r\n")) << platform::ToUtf8(text);
  EXPECT_NE(text.find(L"no separator"), std::wstring::npos) << platform::ToUtf8(text);

  task.File = testsupport::NewScratchPath(L"missing.txt");
  EXPECT_EQ(Tested(platform::MsgIcon::Information), L"select '?1'\r\n\r\nSUCCESS!")
      << "a missing value file is no mistake: the markers stay";
}

TEST_F(PageMainTest, TestWithGeneratedValuesShowsTheStatementThatRan) {
  ConnectSqlite();
  task.SQL = L"select '?1', '?2'";
  task.ParamType = kParamsGenerated;
  for (const wchar_t* pattern : {L"AAA-NN", L"\\x"}) {
    TaskParam param;
    param.PropTempl = pattern;
    task.Params.push_back(param);
  }
  Open();
  for (int i = 0; i < 2; ++i) {
    const QString text = QString::fromStdWString(Tested(platform::MsgIcon::Information));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^select '[A-Z]{3}-[0-9]{2}', 'x'\r\n\r\nSUCCESS!$"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
  }
}

TEST_F(PageMainTest, AFailingStatementShowsItselfWithTheDriversText) {
  ConnectSqlite();
  ASSERT_TRUE(Exec(L"create table seen(n int)"));
  task.UseParser = 1;
  task.SQL = L"insert into seen values (1);\nselect * from no_such_table;\ninsert into seen values (3);";
  Open();
  const std::wstring text = Tested(platform::MsgIcon::Error);
  EXPECT_TRUE(platform::StartsWith(text, L"select * from no_such_table")) << platform::ToUtf8(text);
  EXPECT_NE(text.find(L"\r\n\r\n["), std::wstring::npos);
  EXPECT_NE(text.find(L"no such table"), std::wstring::npos) << platform::ToUtf8(text);
  EXPECT_EQ(Column(L"select n from seen"), std::vector<std::wstring>{L"1"}) << "the third never ran";
}

TEST_F(PageMainTest, TestWithoutAConnectionRunsNothing) {
  Open();
  EXPECT_EQ(Tested(platform::MsgIcon::Warning),
            L"The task has no connection: choose one on the Connections tab.");
  editor->LoadText(QStringLiteral(" \r\n"));
  ui.messages.clear();
  EXPECT_FALSE(page->TestStatement());
  EXPECT_TRUE(ui.messages.empty()) << "an empty script ends the test silently";
}

// A server that takes no trailing ';' (the code of one that refuses it), played by SQLite.
class SemicolonFreeDB : public CDB {
 public:
  SemicolonFreeDB() : CDB(0) {}
  int Execute(const std::wstring& sql, HSTMT_K st) override {
    executed.push_back(sql);
    return CDB::Execute(sql, st);
  }
  std::vector<std::wstring> executed;
};

TEST_F(PageMainTest, TrailingSemicolonsGoOnlyWhereTheServerRefusesThem) {
  ConnectSqlite();
  task.SQL = L"select 1;";
  Open();
  EXPECT_EQ(Tested(platform::MsgIcon::Information), L"select 1;\r\n\r\nSUCCESS!");

  auto* strict = new SemicolonFreeDB;
  CONN_INFO info = g_mainDB->Info;
  ASSERT_EQ(strict->OpenConnection(&info), CDB::kOk);
  strict->DBMS = DBMS_ORACLE;
  delete g_mainDB;
  g_mainDB = strict;  // the fixture deletes it
  task.DB = strict;
  EXPECT_EQ(Tested(platform::MsgIcon::Information), L"select 1;\r\n\r\nSUCCESS!");
  EXPECT_EQ(strict->executed, std::vector<std::wstring>{L"select 1"});
}

TEST_F(PageMainTest, TestReadsTheScriptFileInFileMode) {
  ConnectSqlite();
  const std::wstring script = testsupport::NewScratchPath(L"task.sql");
  ASSERT_TRUE(platform::WriteTextFileUtf16Le(script, L"select 'from the file'\r\n"));
  Open();
  UseFile(script);
  EXPECT_EQ(Tested(platform::MsgIcon::Information), L"select 'from the file'\r\n\r\nSUCCESS!");
  EXPECT_EQ(task.sqlFile, script);
}

TEST_F(PageMainTest, LibraryScriptsGoWhereTheModeSays) {
  Open();
  const struct {
    int mode;
    int caret;
    const char* result;
  } cases[] = {{CSqlLibraryDlg::kInsertAtCaret, 0, "BA"},
               {CSqlLibraryDlg::kInsertAtCaret, 1, "AB"},
               {CSqlLibraryDlg::kReplaceText, 1, "B"},
               {CSqlLibraryDlg::kAppendText, 0, "AB "},
               {7, 0, "A"}};
  for (const auto& c : cases) {
    editor->LoadText(QStringLiteral("A"));
    editor->SetSelection(c.caret, c.caret);
    page->InsertScript(L"B", c.mode);
    EXPECT_EQ(editor->Text(), c.result) << "mode " << c.mode << ", caret " << c.caret;
  }
  editor->LoadText(QStringLiteral("select x from y"));
  editor->SetSelection(7, 8);
  page->InsertScript(L"count(*)", CSqlLibraryDlg::kInsertAtCaret);
  EXPECT_EQ(editor->Text(), "select xcount(*) from y") << "the selection collapses to the caret";
}

TEST_F(PageMainTest, TheLibraryButtonInsertsTheChosenScript) {
  const std::wstring library = platform::FolderPart(testsupport::NewScratchPath(L"x")) + L"/lib";
  ASSERT_TRUE(platform::MakeDirectories(library + L"/sales"));
  ASSERT_TRUE(platform::WriteTextFileUtf8(library + L"/sales/top.sql", L"select * from top"));
  g_settings->setStr(kStoreMain, L"Library", library);
  Open();
  editor->LoadText(QStringLiteral("-- before\n"));
  answer.Custom([&](QWidget* shown) {
    auto* dialog = qobject_cast<CSqlLibraryDlg*>(shown);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->RootFolder(), library);
    EXPECT_TRUE(dialog->SelectFile(library + L"/sales/top.sql"));
    dialog->SetInsertionMode(CSqlLibraryDlg::kAppendText);
    static_cast<QDialog*>(dialog)->accept();
  });
  Find<QPushButton>(*page, "sqlLibrary")->click();
  EXPECT_EQ(editor->Text(), "-- before\nselect * from top ");

  answer.Custom([](QWidget* shown) { qobject_cast<QDialog*>(shown)->reject(); });
  Find<QPushButton>(*page, "sqlLibrary")->click();
  EXPECT_EQ(editor->Text(), "-- before\nselect * from top ") << "Cancel inserts nothing";
}

TEST_F(PageMainTest, ImportReadsTheTraceOverTheMainConnection) {
  Open();
  editor->LoadText(QStringLiteral("select 1"));
  // SQLite reads no server traces: the import says so, stays open, and is then cancelled.
  answer.Custom([](QWidget* shown) {
    auto* dialog = qobject_cast<CSqlImport*>(shown);
    ASSERT_NE(dialog, nullptr);
    dialog->PathEdit()->setText(QStringLiteral("/traces/it's.trc"));
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible()) << "a failed import does not end the dialog";
    dialog->reject();
  });
  Find<QPushButton>(*page, "importTrace")->click();
  EXPECT_EQ(editor->Text(), "select 1") << "nothing imported";
}

}  // namespace
