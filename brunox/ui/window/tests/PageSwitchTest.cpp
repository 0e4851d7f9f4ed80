// The navigation tree and the pages: every item shows its page, leaving a page stores it, and the
// SQL console needs a connection.
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/project/SqlConsolePage.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "sompel/RunSQL.h"
#include "testsupport/TestEnv.h"

namespace {

using PageSwitchTest = WindowTest;

TEST_F(PageSwitchTest, TreeHoldsEveryPageOnceWithTheMainGroupsOpen) {
  OpenWindow();
  CStrModes* tree = window->Tree();
  std::vector<int> pages;
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    pages.push_back((*it)->data(0, Qt::UserRole).toInt());
  EXPECT_EQ((std::vector<int>{0, 1, 12, 13, 8, 2, 9, 10, 11, 4, 5, 7, 14, 3, 16, 15, 6}), pages);
  QStringList groups;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* group = tree->topLevelItem(i);
    groups << group->text(0) + (group->isExpanded() ? QStringLiteral("+") : QString());
  }
  EXPECT_EQ((QStringList{"Project+", "Execution Console+", "Report Comparison", "Settings+",
                         "SQL Console"}),
            groups);
  EXPECT_EQ(PageIndex::PagePackage, tree->SelectedPage());
}

TEST_F(PageSwitchTest, EveryItemShowsItsPage) {
  OpenWindow();
  ConnectSqlite();
  auto* stack = window->findChild<QStackedWidget*>();
  ASSERT_NE(nullptr, stack);
  for (int page = 0; page < PageIndex::kPageCount; ++page) {
    window->Tree()->SelectPage(page);
    EXPECT_EQ(page, window->CurrentPage());
    EXPECT_EQ(window->Page(page), stack->currentWidget()) << page;
  }
  window->Tree()->SelectConsole();
  EXPECT_EQ(PageIndex::PageConsole, window->CurrentPage());
}

TEST_F(PageSwitchTest, LeavingAPageStoresItAndEnteringLoadsIt) {
  OpenWindow();
  RecordingPage& stat = Instrument(PageIndex::PageStat);
  RecordingPage& graph = Instrument(PageIndex::PageGraph);
  window->Tree()->SelectPage(PageIndex::PageStat);
  EXPECT_EQ(1, stat.loads);
  EXPECT_TRUE(stat.isVisible());
  window->Tree()->SelectPage(PageIndex::PageGraph);
  EXPECT_EQ(1, stat.stores);
  EXPECT_FALSE(stat.isVisible());
  EXPECT_EQ(1, graph.loads);
  window->Tree()->SelectPage(PageIndex::PageGraph);  // the page shown: nothing happens
  EXPECT_EQ(1, graph.loads);
  EXPECT_EQ(0, graph.stores);
}

TEST_F(PageSwitchTest, SqlConsoleWithoutConnectionLandsOnTheProjectPage) {
  OpenWindow();
  window->Tree()->SelectPage(PageIndex::PageStat);
  window->Tree()->SelectPage(PageIndex::PageRunSQL);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"No active connection present!", ui.messages[0].text);
  EXPECT_EQ(L"Warning!", ui.messages[0].caption);
  EXPECT_EQ(PageIndex::PagePackage, window->CurrentPage());
  // The tree shows the page that is shown, so choosing the console again asks again.
  EXPECT_EQ(PageIndex::PagePackage, window->Tree()->SelectedPage());
  window->Tree()->SelectPage(PageIndex::PageRunSQL);
  EXPECT_EQ(2u, ui.messages.size());
  EXPECT_EQ(PageIndex::PagePackage, window->CurrentPage());
}

TEST_F(PageSwitchTest, SqlConsoleGetsTheConnectionAndTheKeptText) {
  g_settings->setStr(kStoreMain, L"ConsoleSQL", L"select 42");
  OpenWindow();
  ConnectSqlite();
  window->Tree()->SelectPage(PageIndex::PageRunSQL);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(PageIndex::PageRunSQL, window->CurrentPage());
  CRunSQL* console = window->SqlConsolePage()->Console();
  EXPECT_EQ(QStringLiteral("select 42"), console->Text());
  console->SetText(QStringLiteral("select 43"));
  window->Tree()->SelectPage(PageIndex::PagePackage);
  EXPECT_EQ(L"select 43", g_settings->getStr(kStoreMain, L"ConsoleSQL"));
}

TEST_F(PageSwitchTest, SqlConsoleConnectionTextFollowsTheMainConnection) {
  OpenWindow();
  ConnectSqlite();
  window->Tree()->SelectPage(PageIndex::PageRunSQL);
  ASSERT_EQ(PageIndex::PageRunSQL, window->CurrentPage());
  auto* shown =
      window->SqlConsolePage()->Console()->findChild<QLabel*>(QStringLiteral("connection"));
  ASSERT_NE(nullptr, shown);
  const QString connected = shown->text();
  EXPECT_TRUE(connected.startsWith(QStringLiteral("Connected to SQLite")))
      << connected.toStdString();

  window->OnCommand(kCmdDisconnect);
  EXPECT_EQ(QStringLiteral("Not connected"), shown->text());
  ConnectSqlite();
  EXPECT_EQ(connected, shown->text());
  window->OnCommand(kCmdNewProject);
  EXPECT_FALSE(g_mainDB->IsConnected());
  EXPECT_EQ(QStringLiteral("Not connected"), shown->text());
}

TEST_F(PageSwitchTest, ConsoleStatementsLeaveTheWindowFreeAndClosingItStopsThem) {
  REQUIRE_POSTGRES();
  OpenWindow();
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::PostgresConnString();
  ASSERT_EQ(CDB::kOk, g_mainDB->OpenConnection(&info)) << platform::ToUtf8(g_mainDB->ErrorText);
  window->Tree()->SelectPage(PageIndex::PageRunSQL);
  ASSERT_EQ(PageIndex::PageRunSQL, window->CurrentPage());
  CRunSQL* console = window->SqlConsolePage()->Console();
  console->SetText(QStringLiteral("select pg_sleep(10)"));
  ASSERT_TRUE(console->Run());
  QTest::qWait(300);
  // The window goes on: pages switch, and its own connection is free for other work.
  window->Tree()->SelectPage(PageIndex::PageStat);
  EXPECT_EQ(PageIndex::PageStat, window->CurrentPage());
  EXPECT_EQ(CDB::kOk, g_mainDB->Execute(L"select 1")) << platform::ToUtf8(g_mainDB->ErrorText);
  g_mainDB->CloseCursor();
  EXPECT_TRUE(console->IsBusy());

  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(window->close());
  EXPECT_LT(clock.elapsed(), 5000) << "closing waited for the whole statement";
  EXPECT_FALSE(console->IsBusy());
}

}  // namespace

namespace {

TEST_F(PageSwitchTest, GridsFillTheirWidthWithTheLastColumn) {
  OpenWindow();
  window->resize(1200, 700);
  for (int index : {PageIndex::PagePackage, PageIndex::PageConsole, PageIndex::PageSQLLog}) {
    SCOPED_TRACE(index);
    window->Tree()->SelectPage(index);
    Settle();
    auto* grid = window->Page(index)->findChild<QTableView*>();
    ASSERT_NE(nullptr, grid);
    QHeaderView* columns = grid->horizontalHeader();
    const int last = columns->count() - 1;
    ASSERT_GE(last, 0);
    EXPECT_EQ(grid->viewport()->width(),
              columns->sectionViewportPosition(last) + columns->sectionSize(last));
  }
}

}  // namespace

namespace {

// A click goes on selecting the item it pressed after the page switch has refused it.
TEST_F(PageSwitchTest, ClickOnTheRefusedConsoleLeavesOnlyTheShownPageSelected) {
  OpenWindow();
  window->Tree()->SelectPage(PageIndex::PageStat);
  CStrModes* tree = window->Tree();
  QTreeWidgetItem* console = tree->ItemOf(PageIndex::PageRunSQL);
  ASSERT_NE(nullptr, console);
  tree->scrollToItem(console);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(console).center());
  Settle();
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(PageIndex::PagePackage, window->CurrentPage());
  const QList<QTreeWidgetItem*> selected = tree->selectedItems();
  ASSERT_EQ(1, selected.size());
  EXPECT_EQ(PageIndex::PagePackage, selected[0]->data(0, Qt::UserRole).toInt());
  EXPECT_EQ(PageIndex::PagePackage, tree->SelectedPage());
}

}  // namespace
