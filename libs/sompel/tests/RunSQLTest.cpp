#include "sompel/RunSQL.h"

#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLabel>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <atomic>
#include <memory>

#include <gtest/gtest.h>

#include "kavra/CDB.h"
#include "sompel/Colorizer.h"
#include "sompel/ResultGrid.h"
#include "sompel/SqlScriptRun.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

enum class Server { Sqlite, Postgres };

std::unique_ptr<CDB> Connect(Server server) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  if (!db) return db;
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = server == Server::Sqlite
                        ? testsupport::SqliteConnString(testsupport::NewScratchPath(L"console.db"))
                        : testsupport::PostgresConnString();
  EXPECT_EQ(db->OpenConnection(&info), CDB::kOk) << QString::fromStdWString(db->ErrorText).toStdString();
  return db;
}

// Runs the console's text and waits for the end; the statements that failed (-1: nothing ran).
int RunAndWait(CRunSQL& console) {
  QSignalSpy finished(&console, &CRunSQL::RunFinished);
  if (!console.Run()) return -1;
  if (!finished.wait(30000)) {
    ADD_FAILURE() << "the console did not finish";
    return -1;
  }
  return finished.takeFirst().at(0).toInt();
}

QStringList Headers(const QTableWidget& grid) {
  QStringList headers;
  for (int c = 0; c < grid.columnCount(); ++c) headers << grid.horizontalHeaderItem(c)->text();
  return headers;
}

QString Cell(const QTableWidget& grid, int row, int column) {
  const QTableWidgetItem* item = grid.item(row, column);
  return item ? item->text() : QStringLiteral("<no item>");
}

bool IsNullCell(const QTableWidget& grid, int row, int column) {
  const QTableWidgetItem* item = grid.item(row, column);
  return item && item->data(sompel::kNullRole).toBool();
}

// The console on screen and active, its editor holding the keyboard focus, as for a person who
// types.
bool ShowForTyping(CRunSQL& console) {
  console.show();
  console.activateWindow();
  if (!QTest::qWaitForWindowActive(&console)) return false;
  console.Editor()->setFocus();
  return true;
}

// The console on SQLite and on the PostgreSQL test server. Tables are temporary, so runs that
// share the server do not see each other's.
class RunSQLConsole : public ::testing::TestWithParam<Server> {
 protected:
  void SetUp() override {
    if (GetParam() == Server::Postgres) REQUIRE_POSTGRES();
    db = Connect(GetParam());
    ASSERT_TRUE(db && db->IsConnected());
    console.Init(10, 4, QStringLiteral("Courier New"), 0, &colorizer);
    console.SetConnection(db.get());
  }

  QString Messages() const { return console.Messages()->toPlainText(); }

  CColorizer colorizer;
  std::unique_ptr<CDB> db;
  CRunSQL console;
};

TEST_P(RunSQLConsole, SelectFillsTheGridWithHeadersValuesAndNulls) {
  console.SetText(QStringLiteral(
      "create temp table people (id int, name varchar(20));\n"
      "insert into people values (1, 'Zoë'), (2, NULL), (3, '(null)');\n"
      "select id, name from people order by id;"));
  EXPECT_EQ(RunAndWait(console), 0) << Messages().toStdString();

  const QTableWidget& grid = *console.Grid();
  EXPECT_EQ(Headers(grid), (QStringList{"id", "name"}));
  ASSERT_EQ(grid.rowCount(), 3);
  EXPECT_EQ(Cell(grid, 0, 0), "1");
  EXPECT_EQ(Cell(grid, 0, 1), QStringLiteral("Zoë"));
  EXPECT_FALSE(IsNullCell(grid, 0, 1));
  EXPECT_EQ(Cell(grid, 1, 1), "(null)");
  EXPECT_TRUE(IsNullCell(grid, 1, 1));
  EXPECT_FALSE(IsNullCell(grid, 2, 1)) << "the text (null) is no NULL";

  EXPECT_TRUE(Messages().contains("3 rows affected.")) << Messages().toStdString();
  EXPECT_TRUE(Messages().contains("3 rows returned.")) << Messages().toStdString();
  EXPECT_TRUE(Messages().contains("3 statements run, 0 failed."));
}

TEST_P(RunSQLConsole, FailingStatementShowsTheDriverTextAndTheRunGoesOn) {
  console.SetText(QStringLiteral(
      "select * from no_such_table;\n"
      "create temp table t (x int);\n"
      "insert into t values (5);\n"
      "update t set x = x + 1 where x > 100;\n"
      "select x from t"));
  EXPECT_EQ(RunAndWait(console), 1);
  const QString messages = Messages();
  EXPECT_TRUE(messages.contains(QRegularExpression(R"(Error: \[\w+\].*no_such_table)")))
      << messages.toStdString();
  EXPECT_TRUE(messages.contains("Statement: select * from no_such_table")) << messages.toStdString();
  EXPECT_TRUE(messages.contains("[3] 1 row affected.")) << messages.toStdString();
  EXPECT_TRUE(messages.contains("[4] 0 rows affected.")) << messages.toStdString();
  EXPECT_TRUE(messages.contains("5 statements run, 1 failed."));
  ASSERT_EQ(console.Grid()->rowCount(), 1);
  EXPECT_EQ(Cell(*console.Grid(), 0, 0), "5");
}

TEST_P(RunSQLConsole, RunsOnlyTheSelectionAndTheLastRowSetWins) {
  console.SetText(QStringLiteral("select 1 as a;\nselect 2 as b;\n"));
  console.Editor()->setSelection(0, 0, 0, 14);
  EXPECT_EQ(RunAndWait(console), 0);
  EXPECT_EQ(Headers(*console.Grid()), QStringList{"a"});
  EXPECT_EQ(Cell(*console.Grid(), 0, 0), "1");

  console.Editor()->setSelection(0, 0, 0, 0);
  EXPECT_EQ(RunAndWait(console), 0);
  EXPECT_EQ(Headers(*console.Grid()), QStringList{"b"});
  EXPECT_EQ(Cell(*console.Grid(), 0, 0), "2");
}

TEST_P(RunSQLConsole, ShowsOnlyTheFirstRowsOfABigRowSetAndClosesItsCursor) {
  console.SetMaxRows(3);
  console.SetText(QStringLiteral(
      "select 1 as n union all select 2 union all select 3 union all select 4 union all select 5"));
  EXPECT_EQ(RunAndWait(console), 0);
  EXPECT_EQ(console.Grid()->rowCount(), 3);
  EXPECT_TRUE(Messages().contains("First 3 rows shown")) << Messages().toStdString();

  console.SetMaxRows(5);
  EXPECT_EQ(RunAndWait(console), 0);
  EXPECT_EQ(console.Grid()->rowCount(), 5);
  EXPECT_TRUE(Messages().contains("5 rows returned.")) << Messages().toStdString();
}

TEST_P(RunSQLConsole, LongValuesAreCutInTheGrid) {
  ASSERT_EQ(db->Execute(L"select 'abcd' as four, 'abc' as three, '' as empty"), CDB::kOk);
  QTableWidget grid;
  const std::atomic<bool> running{false};
  const sompel::RowSet shown = sompel::ReadRowSet(*db, 10, 3, running);
  EXPECT_EQ(shown.rc, CDB::kOk);
  EXPECT_EQ(shown.rows.size(), 1u);
  EXPECT_FALSE(shown.truncated);
  sompel::ShowRowSet(shown, grid);
  EXPECT_EQ(Cell(grid, 0, 0), "abc...");
  EXPECT_EQ(Cell(grid, 0, 1), "abc");
  EXPECT_EQ(Cell(grid, 0, 2), "");
  EXPECT_FALSE(IsNullCell(grid, 0, 2));
}

TEST_P(RunSQLConsole, F5AndCtrlReturnRunTheScript) {
  console.SetText(QStringLiteral("select 7 as seven"));
  ASSERT_TRUE(ShowForTyping(console));
  QSignalSpy finished(&console, &CRunSQL::RunFinished);
  QTest::keyClick(console.Editor(), Qt::Key_F5);
  ASSERT_TRUE(finished.wait(30000));
  EXPECT_EQ(Cell(*console.Grid(), 0, 0), "7");

  console.SetText(QStringLiteral("select 8 as eight"));
  QTest::keyClick(console.Editor(), Qt::Key_Return, Qt::ControlModifier);
  ASSERT_TRUE(finished.wait(30000));
  EXPECT_EQ(Cell(*console.Grid(), 0, 0), "8");
  EXPECT_EQ(console.Text(), "select 8 as eight") << "the key reached the editor as well";
}

TEST_P(RunSQLConsole, F5AfterTypingOverTheWholeTextRunsWhatWasTypedAndEmptiesTheGridAtOnce) {
  console.SetText(QStringLiteral("select 1 as one"));
  ASSERT_TRUE(ShowForTyping(console));
  QSignalSpy finished(&console, &CRunSQL::RunFinished);
  QTest::keyClick(console.Editor(), Qt::Key_F5);
  ASSERT_TRUE(finished.wait(30000));
  ASSERT_EQ(Cell(*console.Grid(), 0, 0), "1");

  QTest::keyClick(console.Editor(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(console.Editor(), QStringLiteral("select 2 as two"));
  ASSERT_EQ(console.Text(), "select 2 as two");
  QTest::keyClick(console.Editor(), Qt::Key_F5);
  EXPECT_EQ(console.Grid()->columnCount(), 0) << "the last run's rows pass for this run's answer";
  ASSERT_TRUE(finished.wait(30000)) << Messages().toStdString();
  EXPECT_EQ(Headers(*console.Grid()), QStringList{"two"});
  EXPECT_EQ(Cell(*console.Grid(), 0, 0), "2");
}

INSTANTIATE_TEST_SUITE_P(RunSQL, RunSQLConsole, ::testing::Values(Server::Sqlite, Server::Postgres),
                         [](const ::testing::TestParamInfo<Server>& info) {
                           return info.param == Server::Sqlite ? "Sqlite" : "Postgres";
                         });

TEST(RunSQL, WithoutAConnectionNothingRuns) {
  CRunSQL console;
  console.SetText(QStringLiteral("select 1"));
  EXPECT_FALSE(console.Run());
  EXPECT_FALSE(console.IsBusy());
  EXPECT_TRUE(console.Messages()->toPlainText().contains("No connection"));

  std::unique_ptr<CDB> closed(CDB::newDB(0));
  ASSERT_TRUE(closed);
  console.SetConnection(closed.get());
  EXPECT_FALSE(console.Run());
  EXPECT_TRUE(console.Messages()->toPlainText().contains("No connection"));
  EXPECT_EQ(console.Grid()->columnCount(), 0);
}

// A long statement on the test server: it runs off the window's thread, the console shows that
// it is busy, and Cancel (the driver's cancel) stops it long before it would end.
class RunSQLLongStatement : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_POSTGRES();
    db = Connect(Server::Postgres);
    ASSERT_TRUE(db && db->IsConnected());
    console.SetConnection(db.get());
    console.SetText(QStringLiteral("select pg_sleep(10);\nselect 'after' as next;"));
  }
  QAction* Action(const char* name) const {
    return console.findChild<QAction*>(QString::fromLatin1(name));
  }

  std::unique_ptr<CDB> db;
  CRunSQL console;
};

TEST_F(RunSQLLongStatement, RunsOffTheWindowThreadAndCancelStopsIt) {
  QSignalSpy finished(&console, &CRunSQL::RunFinished);
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(console.Run());
  EXPECT_LT(clock.elapsed(), 2000) << "Run waited for the statement";
  EXPECT_TRUE(console.IsBusy());
  ASSERT_NE(Action("run"), nullptr);
  ASSERT_NE(Action("cancel"), nullptr);
  EXPECT_FALSE(Action("run")->isEnabled());
  EXPECT_TRUE(Action("cancel")->isEnabled());
  EXPECT_TRUE(console.findChild<QLabel*>(QStringLiteral("busy"))->text().startsWith("Running"));
  EXPECT_FALSE(console.Run()) << "a second run started while one is under way";

  // The window's thread is free: its events are handled while the statement runs.
  bool timerFired = false;
  QTimer::singleShot(200, [&] { timerFired = true; });
  QTRY_VERIFY_WITH_TIMEOUT(timerFired, 1000);
  EXPECT_TRUE(console.IsBusy());

  QTest::qWait(300);  // the statement has reached the server
  Action("cancel")->trigger();
  ASSERT_TRUE(finished.wait(8000)) << "Cancel did not stop the statement";
  EXPECT_LT(clock.elapsed(), 8000);
  const QList<QVariant> end = finished.takeFirst();
  EXPECT_EQ(end.at(0).toInt(), 1) << "the cancelled statement counts as failed";
  EXPECT_TRUE(end.at(1).toBool());
  EXPECT_FALSE(console.IsBusy());
  EXPECT_TRUE(Action("run")->isEnabled());
  EXPECT_FALSE(Action("cancel")->isEnabled());
  const QString messages = console.Messages()->toPlainText();
  EXPECT_TRUE(messages.contains("Cancelled: 1 of 2 statements run.")) << messages.toStdString();
  EXPECT_TRUE(messages.contains(QRegularExpression(R"(\[1\] Error: \[\w+\])")))
      << messages.toStdString();
  EXPECT_FALSE(messages.contains("[2]")) << "the statement after the cancelled one ran";

  // The console's connection goes on working.
  console.SetText(QStringLiteral("select 5 as five"));
  EXPECT_EQ(RunAndWait(console), 0);
  EXPECT_EQ(Cell(*console.Grid(), 0, 0), "5");
}

TEST_F(RunSQLLongStatement, EscInTheEditorCancelsTheRunningStatement) {
  ASSERT_TRUE(ShowForTyping(console));
  QSignalSpy finished(&console, &CRunSQL::RunFinished);
  ASSERT_TRUE(console.Run());
  QTest::qWait(300);  // the statement has reached the server
  QTest::keyClick(console.Editor(), Qt::Key_Escape);
  ASSERT_TRUE(finished.wait(8000)) << "Esc in the editor did not stop the statement";
  EXPECT_TRUE(finished.takeFirst().at(1).toBool());
}

TEST_F(RunSQLLongStatement, ClosingTheConsoleCancelsAndWaits) {
  QSignalSpy finished(&console, &CRunSQL::RunFinished);
  ASSERT_TRUE(console.Run());
  QTest::qWait(300);
  QElapsedTimer clock;
  clock.start();
  console.close();
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_FALSE(console.IsBusy());
  ASSERT_EQ(finished.count(), 1);
  EXPECT_TRUE(finished.at(0).at(1).toBool());
  // What the ended run still had on its way is not shown twice.
  QTest::qWait(200);
  EXPECT_EQ(finished.count(), 1);
}

TEST_F(RunSQLLongStatement, DestroyingTheConsoleCancelsAndWaits) {
  auto running = std::make_unique<CRunSQL>();
  running->SetConnection(db.get());
  running->SetText(QStringLiteral("select pg_sleep(10)"));
  ASSERT_TRUE(running->Run());
  QTest::qWait(300);
  QElapsedTimer clock;
  clock.start();
  running.reset();
  EXPECT_LT(clock.elapsed(), 5000);
  QTest::qWait(100);  // nothing queued for the destroyed console may run now
}

TEST(RunSQL, InitSetsTabsIndentAndAnInstalledFont) {
  CRunSQL console;
  CColorizer colorizer;
  console.Init(10, 4, QStringLiteral("No Such Font Family"), 13, &colorizer);
  QsciScintilla& editor = *console.Editor();
  EXPECT_EQ(editor.tabWidth(), 10);
  EXPECT_EQ(editor.indentationWidth(), 4);
  ASSERT_NE(editor.lexer(), nullptr);
  const QFont font = editor.lexer()->font(QsciLexerSQL::Default);
  EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  EXPECT_EQ(font.pointSize(), 13);
}

TEST(RunSQL, Screenshot) {
  std::unique_ptr<CDB> db = Connect(Server::Sqlite);
  ASSERT_TRUE(db && db->IsConnected());
  CColorizer colorizer;
  CRunSQL console;
  console.Init(10, 4, QStringLiteral("Courier New"), 0, &colorizer);
  console.SetConnection(db.get());
  console.SetText(QStringLiteral(
      "-- Orders of the last week\n"
      "create temp table orders (id int, customer varchar(30), total numeric(10,2));\n"
      "insert into orders values (1, 'Ann Baker', 120.50), (2, NULL, 99.90),\n"
      "    (3, 'Carl Dunn', 15.00);\n"
      "select * from missing_table;\n"
      "select id, customer, total from orders where total > 10 order by id;\n"));
  EXPECT_EQ(RunAndWait(console), 1);
  console.resize(900, 650);
  EXPECT_FALSE(testsupport::SaveScreenshot(console, QStringLiteral("RunSQL")).isEmpty());
}

TEST(Colorizer, TheLexerIsInstalledWithTheChosenColoursAndFont) {
  QsciScintilla editor;
  CColorizer colorizer;
  colorizer.Keyword = QColor(0x12, 0x34, 0x56);
  colorizer.String = QColor(0x65, 0x43, 0x21);
  colorizer.Comment = QColor(0x00, 0x99, 0x00);
  colorizer.Number = QColor(0x99, 0x00, 0x99);
  colorizer.Background = QColor(0xfa, 0xf0, 0xe6);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(11);
  colorizer.Apply(editor, font);

  auto* lexer = qobject_cast<QsciLexerSQL*>(editor.lexer());
  ASSERT_NE(lexer, nullptr);
  EXPECT_EQ(lexer->color(QsciLexerSQL::Keyword), colorizer.Keyword);
  EXPECT_EQ(lexer->color(QsciLexerSQL::SingleQuotedString), colorizer.String);
  EXPECT_EQ(lexer->color(QsciLexerSQL::CommentLine), colorizer.Comment);
  EXPECT_EQ(lexer->color(QsciLexerSQL::Number), colorizer.Number);
  EXPECT_EQ(lexer->paper(QsciLexerSQL::Keyword), colorizer.Background);
  EXPECT_TRUE(lexer->font(QsciLexerSQL::Keyword).bold());
  EXPECT_EQ(lexer->font(QsciLexerSQL::Comment).family(), font.family());
  EXPECT_EQ(lexer->font(QsciLexerSQL::Comment).pointSize(), 11);

  // What the editing component itself draws with (colours are 0xBBGGRR there).
  const auto bgr = [](const QColor& c) { return c.red() | c.green() << 8 | c.blue() << 16; };
  EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, QsciLexerSQL::Keyword),
            bgr(colorizer.Keyword));
  EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETBACK, QsciLexerSQL::Default),
            bgr(colorizer.Background));
}

TEST(Colorizer, ApplyingAgainReplacesTheLexerAndHighlightOffGivesPlainText) {
  QsciScintilla editor;
  CColorizer colorizer;
  const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  colorizer.Apply(editor, font);
  QPointer<QsciLexer> first = editor.lexer();
  colorizer.Apply(editor, font);
  EXPECT_TRUE(first.isNull()) << "the replaced lexer was not deleted";
  QPointer<QsciLexer> second = editor.lexer();
  ASSERT_FALSE(second.isNull());

  colorizer.Highlight = false;
  colorizer.Apply(editor, font);
  EXPECT_EQ(editor.lexer(), nullptr);
  EXPECT_TRUE(second.isNull());
}

}  // namespace
