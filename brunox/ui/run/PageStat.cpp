#include "brunox/ui/run/PageStat.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QTableWidgetItem* NumberItem(int value) {
  auto* item = new QTableWidgetItem(QString::number(value));
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

PageStat::PageStat(QWidget* parent)
    : CTitledPage(QStringLiteral("     Execution Statistics"), parent),
      table_(new QTableWidget(0, 1 + kMaxSeries, this)) {
  setObjectName(QStringLiteral("PageStat"));
  QStringList headers{tr("Period#")};
  for (int series = 1; series <= kMaxSeries; ++series) headers << tr("Item %1").arg(series);
  table_->setHorizontalHeaderLabels(headers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setShowGrid(true);
  table_->verticalHeader()->hide();
  // Rows as high as a line of text, so that many periods fit on the page.
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
  // The columns share the width; below that they keep room for their titles and a seven-digit
  // count, and the table scrolls sideways instead.
  QHeaderView* columns = table_->horizontalHeader();
  columns->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  int narrowest = table_->fontMetrics().horizontalAdvance(QStringLiteral("0000000"));
  for (const QString& title : headers)
    narrowest = std::max(narrowest, columns->fontMetrics().horizontalAdvance(title) + 16);
  columns->setMinimumSectionSize(narrowest);
  columns->setSectionResizeMode(QHeaderView::Stretch);

  auto* clear = new QPushButton(tr("Clear"), this);
  clear->setObjectName(QStringLiteral("clear"));
  connect(clear, &QPushButton::clicked, this, &PageStat::OnClear);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(clear);
  Body()->addWidget(table_, 1);
  Body()->addLayout(buttons);
}

PageStat::~PageStat() = default;

void PageStat::AddPeriodRow(int period, const std::vector<int>& values) {
  if (table_->rowCount() >= kMaxRows) table_->removeRow(0);
  const int row = table_->rowCount();
  table_->insertRow(row);
  table_->setItem(row, 0, NumberItem(period));
  const int shown = std::min(static_cast<int>(values.size()), kMaxSeries);
  for (int series = 0; series < shown; ++series)
    table_->setItem(row, 1 + series, NumberItem(values[series]));
  table_->scrollToBottom();
}

void PageStat::OnClear() { table_->setRowCount(0); }
