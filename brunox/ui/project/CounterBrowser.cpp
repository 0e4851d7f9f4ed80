#include "brunox/ui/project/CounterBrowser.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

constexpr int kPathRole = Qt::UserRole;

// "\object(instance)\counter" split at its last backslash into the object part and the counter;
// a path without that shape is a counter of no object.
std::pair<QString, QString> SplitPath(const QString& path) {
  const int split = path.lastIndexOf(QLatin1Char('\\'));
  if (split <= 0) return {QString(), path};
  return {path.mid(1, split - 1), path.mid(split + 1)};
}

}  // namespace

CounterBrowser::CounterBrowser(const std::vector<std::wstring>& paths, const QString& current,
                               QWidget* parent)
    : CSmDialog(parent, QStringLiteral("CounterBrowser")),
      tree_(new QTreeWidget(this)),
      path_(new QLabel(this)) {
  setObjectName(QStringLiteral("CounterBrowser"));
  setWindowTitle(tr("Performance Counters"));
  tree_->setObjectName(QStringLiteral("counters"));
  tree_->setHeaderLabels({tr("Counters this computer can sample")});
  tree_->setUniformRowHeights(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (const std::wstring& wide : paths) {
    const QString path = QString::fromStdWString(wide);
    const auto [object, counter] = SplitPath(path);
    QTreeWidgetItem* group = nullptr;
    for (int i = 0; i < tree_->topLevelItemCount() && !group; ++i)
      if (tree_->topLevelItem(i)->text(0) == object) group = tree_->topLevelItem(i);
    if (!group) {
      group = new QTreeWidgetItem(tree_, QStringList{object});
      group->setFlags(Qt::ItemIsEnabled);
      group->setExpanded(true);
    }
    auto* item = new QTreeWidgetItem(group, QStringList{counter});
    item->setData(0, kPathRole, path);
    item->setToolTip(0, path);
  }

  path_->setObjectName(QStringLiteral("path"));
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CounterBrowser::OnSelectionChanged);
  connect(tree_, &QTreeWidget::itemActivated, this, &CounterBrowser::OnActivated);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_, 1);
  layout->addWidget(path_);
  layout->addWidget(buttons);

  // Wide enough for the longest path, tall enough for every counter without scrolling.
  int widest = fontMetrics().averageCharWidth() * 40;
  for (const std::wstring& wide : paths)
    widest = std::max(widest, fontMetrics().horizontalAdvance(QString::fromStdWString(wide)));
  const int rows = static_cast<int>(paths.size()) + tree_->topLevelItemCount() + 2;
  const int line = fontMetrics().height();
  resize(widest + 8 * fontMetrics().averageCharWidth(), rows * (line + line / 2) + 6 * line);
  LoadLayout();

  if (!Select(current)) OnSelectionChanged();
}

CounterBrowser::~CounterBrowser() = default;

QString CounterBrowser::ChosenPath() const {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->data(0, kPathRole).toString();
}

bool CounterBrowser::Select(const QString& path) {
  if (path.isEmpty()) return false;
  for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = tree_->topLevelItem(g);
    for (int c = 0; c < group->childCount(); ++c) {
      QTreeWidgetItem* item = group->child(c);
      // Counter paths do not depend on case, as the counter query reads them.
      if (item->data(0, kPathRole).toString().compare(path, Qt::CaseInsensitive) != 0) continue;
      tree_->setCurrentItem(item);
      tree_->scrollToItem(item);
      return true;
    }
  }
  return false;
}

void CounterBrowser::OnSelectionChanged() {
  const QString path = ChosenPath();
  path_->setText(path.isEmpty() ? tr("Choose a counter.") : path);
  ok_->setEnabled(!path.isEmpty());
}

void CounterBrowser::OnActivated(QTreeWidgetItem* item) {
  if (item && !item->data(0, kPathRole).toString().isEmpty()) accept();
}
