#include "brunox/ui/RowListView.h"

#include <QHeaderView>
#include <QTableView>

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
}
