// The statistics table: the newest periods, one column per series, and Clear.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "brunox/ui/run/PageStat.h"
#include "testsupport/Screenshot.h"

namespace {

QString Cell(const QTableWidget& table, int row, int column) {
  const QTableWidgetItem* item = table.item(row, column);
  return item ? item->text() : QStringLiteral("<none>");
}

TEST(PageStatTest, HasThePeriodAndFiveItemColumns) {
  PageStat page;
  const QTableWidget& table = *page.Table();
  ASSERT_EQ(6, table.columnCount());
  EXPECT_EQ(QStringLiteral("Period#"), table.horizontalHeaderItem(0)->text());
  for (int column = 1; column <= 5; ++column)
    EXPECT_EQ(QStringLiteral("Item %1").arg(column), table.horizontalHeaderItem(column)->text());
  EXPECT_EQ(0, table.rowCount());
  EXPECT_EQ(QStringLiteral("     Execution Statistics"), page.Caption());
}

TEST(PageStatTest, GrowsToFiftyRowsThenKeepsTheNewestFifty) {
  PageStat page;
  const QTableWidget& table = *page.Table();
  for (int period = 1; period <= 50; ++period) page.AddPeriodRow(period, {period * 10});
  ASSERT_EQ(50, table.rowCount());
  EXPECT_EQ(QStringLiteral("1"), Cell(table, 0, 0));
  EXPECT_EQ(QStringLiteral("50"), Cell(table, 49, 0));

  page.AddPeriodRow(51, {510});
  ASSERT_EQ(50, table.rowCount());
  EXPECT_EQ(QStringLiteral("2"), Cell(table, 0, 0));
  EXPECT_EQ(QStringLiteral("20"), Cell(table, 0, 1));
  EXPECT_EQ(QStringLiteral("51"), Cell(table, 49, 0));
  EXPECT_EQ(QStringLiteral("510"), Cell(table, 49, 1));

  page.AddPeriodRow(52, {520});
  ASSERT_EQ(50, table.rowCount());
  EXPECT_EQ(QStringLiteral("3"), Cell(table, 0, 0));
  EXPECT_EQ(QStringLiteral("52"), Cell(table, 49, 0));
}

TEST(PageStatTest, ClearEmptiesTheTableAndTheNextRowStandsAlone) {
  PageStat page;
  for (int period = 0; period < 60; ++period) page.AddPeriodRow(period, {1, 2});
  page.OnClear();
  EXPECT_EQ(0, page.Table()->rowCount());
  page.AddPeriodRow(60, {3, 4});
  ASSERT_EQ(1, page.Table()->rowCount());
  EXPECT_EQ(QStringLiteral("60"), Cell(*page.Table(), 0, 0));
  EXPECT_EQ(QStringLiteral("3"), Cell(*page.Table(), 0, 1));

  // The button does the same.
  auto* clear = page.findChild<QPushButton*>(QStringLiteral("clear"));
  ASSERT_NE(nullptr, clear);
  EXPECT_EQ(QStringLiteral("Clear"), clear->text());
  QTest::mouseClick(clear, Qt::LeftButton);
  EXPECT_EQ(0, page.Table()->rowCount());
}

TEST(PageStatTest, ColumnsPastTheSeriesCountStayEmpty) {
  PageStat page;
  page.AddPeriodRow(0, {7, 0});
  const QTableWidget& table = *page.Table();
  EXPECT_EQ(QStringLiteral("0"), Cell(table, 0, 0));
  EXPECT_EQ(QStringLiteral("7"), Cell(table, 0, 1));
  EXPECT_EQ(QStringLiteral("0"), Cell(table, 0, 2));
  for (int column = 3; column <= 5; ++column) EXPECT_EQ(nullptr, table.item(0, column));

  page.AddPeriodRow(1, {});
  EXPECT_EQ(QStringLiteral("1"), Cell(table, 1, 0));
  for (int column = 1; column <= 5; ++column) EXPECT_EQ(nullptr, table.item(1, column));

  // More values than columns: the first five are shown, the rest dropped.
  page.AddPeriodRow(2, {1, 2, 3, 4, 5, 6, 7});
  ASSERT_EQ(6, table.columnCount());
  EXPECT_EQ(QStringLiteral("5"), Cell(table, 2, 5));
}

TEST(PageStatTest, CellsAreNotEditable) {
  PageStat page;
  page.AddPeriodRow(3, {42});
  EXPECT_FALSE(page.Table()->item(0, 1)->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(QAbstractItemView::NoEditTriggers, page.Table()->editTriggers());
}

TEST(PageStatTest, Screenshot) {
  PageStat page;
  page.resize(640, 520);
  for (int period = 0; period < 20; ++period)
    page.AddPeriodRow(period, {120 + period * 7 % 23, 95 + period * 11 % 31, 40 + period % 5});
  EXPECT_FALSE(testsupport::SaveScreenshot(page, QStringLiteral("PageStat")).isEmpty());
}

}  // namespace
