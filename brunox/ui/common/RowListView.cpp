#include "brunox/ui/common/RowListView.h"

#include <QHeaderView>
#include <QTableView>

#include "brunox/engine/settings/SettingsStores.h"

void SetUpRowList(QTableView& list) {
  list.setObjectName(QStringLiteral("list"));
  list.setSelectionBehavior(QAbstractItemView::SelectRows);
  list.setSelectionMode(QAbstractItemView::ExtendedSelection);
  list.setEditTriggers(QAbstractItemView::NoEditTriggers);
  list.setShowGrid(true);
  list.setWordWrap(false);
  QHeaderView* rowsHeader = list.verticalHeader();
  rowsHeader->hide();
  rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
  rowsHeader->setDefaultSectionSize(list.fontMetrics().height() + 6);
  QHeaderView* columns = list.horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The last column takes the rest of the width, so no grey strip is left at the right.
  columns->setStretchLastSection(true);
}

void LoadColumnWidths(QTableView& list, std::span<const wchar_t* const> keys,
                      std::span<const int> defaults) {
  for (std::size_t column = 0; column < keys.size(); ++column) {
    int width = g_settings ? g_settings->getInt(kStoreMain, keys[column]) : 0;
    if (width <= 0 && column < defaults.size()) width = defaults[column];
    if (width > 0) list.setColumnWidth(static_cast<int>(column), width);
  }
}

void StoreColumnWidths(const QTableView& list, std::span<const wchar_t* const> keys) {
  if (!g_settings) return;
  for (std::size_t column = 0; column < keys.size(); ++column)
    g_settings->setInt(kStoreMain, keys[column], list.columnWidth(static_cast<int>(column)));
}
