#include "sompel/ResultGrid.h"

#include <QHeaderView>
#include <QTableWidget>
#include <optional>
#include <string>

#include "sompel/SqlScriptRun.h"

namespace sompel {

namespace {

// Halfway between text and background, so NULL reads as "nothing" on light and dark themes.
QColor NullColour(const QTableWidget& grid) {
  const QColor text = grid.palette().color(QPalette::Text);
  const QColor base = grid.palette().color(QPalette::Base);
  return QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                (text.blue() + base.blue()) / 2);
}

QTableWidgetItem* NewItem(const std::optional<std::wstring>& cell, const QTableWidget& grid) {
  auto* item =
      new QTableWidgetItem(cell ? QString::fromStdWString(*cell) : QStringLiteral("(null)"));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (!cell) {
    item->setData(kNullRole, true);
    item->setForeground(NullColour(grid));
    QFont italic = grid.font();
    italic.setItalic(true);
    item->setFont(italic);
  }
  return item;
}

void SizeColumns(QTableWidget& grid) {
  // Sized from the first rows only: measuring ten thousand rows would stall the window.
  grid.horizontalHeader()->setResizeContentsPrecision(200);
  grid.resizeColumnsToContents();
  const int widest = grid.fontMetrics().horizontalAdvance(QLatin1Char('x')) * 60;
  for (int c = 0; c < grid.columnCount(); ++c)
    if (grid.columnWidth(c) > widest) grid.setColumnWidth(c, widest);
}

}  // namespace

void ClearResultGrid(QTableWidget& grid) {
  grid.clear();
  grid.setRowCount(0);
  grid.setColumnCount(0);
}

void ShowRowSet(const RowSet& set, QTableWidget& grid) {
  ClearResultGrid(grid);
  const int columns = static_cast<int>(set.headers.size());
  QStringList headers;
  for (const std::wstring& name : set.headers) headers << QString::fromStdWString(name);
  grid.setUpdatesEnabled(false);
  grid.setColumnCount(columns);
  grid.setHorizontalHeaderLabels(headers);
  grid.setRowCount(static_cast<int>(set.rows.size()));
  for (int r = 0; r < static_cast<int>(set.rows.size()); ++r) {
    const auto& row = set.rows[static_cast<size_t>(r)];
    for (int c = 0; c < columns && c < static_cast<int>(row.size()); ++c)
      grid.setItem(r, c, NewItem(row[static_cast<size_t>(c)], grid));
  }
  SizeColumns(grid);
  grid.setUpdatesEnabled(true);
}

}  // namespace sompel
