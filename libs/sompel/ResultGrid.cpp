#include "sompel/ResultGrid.h"

#include <QHeaderView>
#include <QTableWidget>
#include <optional>
#include <string>
#include <vector>

#include "kavra/CDB.h"

namespace sompel {

namespace {

using Cell = std::optional<QString>;  // nullopt: NULL

// Halfway between text and background, so NULL reads as "nothing" on light and dark themes.
QColor NullColour(const QTableWidget& grid) {
  const QColor text = grid.palette().color(QPalette::Text);
  const QColor base = grid.palette().color(QPalette::Base);
  return QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                (text.blue() + base.blue()) / 2);
}

QTableWidgetItem* NewItem(const Cell& cell, const QTableWidget& grid) {
  auto* item = new QTableWidgetItem(cell ? *cell : QStringLiteral("(null)"));
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

QStringList ReadHeaders(CDB& db, int columns) {
  QStringList headers;
  for (int c = 1; c <= columns; ++c) {
    std::wstring name;
    if (db.ColumnName(c, &name) == CDB::kOk && !name.empty())
      headers << QString::fromStdWString(name);
    else
      headers << QStringLiteral("Column %1").arg(c);
  }
  return headers;
}

// One row's values, or the failing result code.
int ReadRow(CDB& db, int columns, int maxCellChars, std::vector<Cell>* row) {
  row->clear();
  for (int c = 1; c <= columns; ++c) {
    std::wstring text;
    // One more than shown, so that a value that is exactly maxCellChars long is not marked as cut.
    int size = maxCellChars + 1;
    if (const int rc = db.GetColumnText(c, &text, &size); rc != CDB::kOk) return rc;
    if (size < 0) {
      row->emplace_back(std::nullopt);
      continue;
    }
    QString value = QString::fromStdWString(text);
    if (value.size() > maxCellChars) value = value.left(maxCellChars) + QStringLiteral("...");
    row->emplace_back(std::move(value));
  }
  return CDB::kOk;
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

GridFillResult FillResultGrid(CDB& db, QTableWidget& grid, int maxRows, int maxCellChars) {
  GridFillResult result;
  ClearResultGrid(grid);
  int columns = 0;
  result.rc = db.ColumnCount(&columns);
  std::vector<std::vector<Cell>> rows;
  if (result.rc == CDB::kOk) {
    const QStringList headers = ReadHeaders(db, columns);
    grid.setColumnCount(columns);
    grid.setHorizontalHeaderLabels(headers);
    std::vector<Cell> row;
    for (;;) {
      const int rc = db.Fetch();
      if (rc == CDB::kNoData) break;
      if (rc != CDB::kOk) {
        result.rc = rc;
        break;
      }
      if (static_cast<int>(rows.size()) == maxRows) {
        result.truncated = true;
        break;
      }
      if (const int readRc = ReadRow(db, columns, maxCellChars, &row); readRc != CDB::kOk) {
        result.rc = readRc;
        break;
      }
      rows.push_back(row);
    }
  }
  // A failed read keeps the error text; closing the cursor must not replace it.
  const std::wstring error = db.ErrorText;
  db.CloseCursor();
  db.ErrorText = error;

  grid.setUpdatesEnabled(false);
  grid.setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < columns; ++c) grid.setItem(r, c, NewItem(rows[r][c], grid));
  SizeColumns(grid);
  grid.setUpdatesEnabled(true);
  result.rows = static_cast<int>(rows.size());
  return result;
}

}  // namespace sompel
