// Pictures of the window on every page and of its menus, for people to look at.
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidgetItemIterator>

#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "testsupport/Screenshot.h"

namespace {

using ScreenshotTest = WindowTest;

TEST_F(ScreenshotTest, WindowOnEveryPageAndItsMenus) {
  app->FileList = {apptest::WriteSqliteProject(L"pictured.bxp")};
  OpenWindow();
  window->resize(1000, 680);
  for (QTreeWidgetItemIterator it(window->Tree()); *it; ++it) {
    const int page = (*it)->data(0, Qt::UserRole).toInt();
    window->Tree()->SelectPage(page);
    ASSERT_EQ(page, window->CurrentPage());
    const QString name = QStringLiteral("MainWindow-%1-%2")
                             .arg(page, 2, 10, QLatin1Char('0'))
                             .arg((*it)->text(0).remove(QLatin1Char(' ')));
    EXPECT_FALSE(testsupport::SaveScreenshot(*window, name).isEmpty());
  }
  window->Tree()->SelectPage(PageIndex::PagePackage);
  for (QAction* top : window->menuBar()->actions()) {
    QMenu* menu = top->menu();
    menu->popup(window->mapToGlobal(QPoint(0, 0)));
    QTest::qWait(20);
    EXPECT_FALSE(testsupport::SaveScreenshot(*menu, QStringLiteral("MainWindow-Menu-") +
                                                        top->text().remove(QLatin1Char('&')))
                     .isEmpty());
    menu->hide();
  }
  window->FillRecentFiles();
  window->RecentFilesMenu()->popup(window->mapToGlobal(QPoint(0, 0)));
  QTest::qWait(20);
  EXPECT_FALSE(testsupport::SaveScreenshot(*window->RecentFilesMenu(),
                                           QStringLiteral("MainWindow-Menu-RecentFiles"))
                   .isEmpty());
  window->RecentFilesMenu()->hide();
}

}  // namespace
