#include "brunox/ui/window/StrModes.h"

#include <QHeaderView>
#include <QStyle>

#include "brunox/ui/window/PageIndex.h"

namespace {

struct TreeItem {
  const char* text;
  QStyle::StandardPixmap icon;
  int page;
  bool child;
};

const TreeItem kItems[] = {
    {"Project", QStyle::SP_DirHomeIcon, PageIndex::PagePackage, false},
    {"Properties", QStyle::SP_FileDialogInfoView, PageIndex::PageProps, true},
    {"SQL Plan", QStyle::SP_FileDialogContentsView, PageIndex::PagePlugin, true},
    {"Counters", QStyle::SP_ComputerIcon, PageIndex::PagePlugin2, true},
    {"Report", QStyle::SP_FileIcon, PageIndex::PgReportViewProject, true},
    {"Execution Console", QStyle::SP_MediaPlay, PageIndex::PageConsole, false},
    {"Report", QStyle::SP_FileIcon, PageIndex::PgReportViewExecution, true},
    {"SQL Report", QStyle::SP_FileDialogDetailedView, PageIndex::PageSQLLog, true},
    {"Counters", QStyle::SP_ComputerIcon, PageIndex::PgReportViewCounters, true},
    {"Statistics", QStyle::SP_FileDialogListView, PageIndex::PageStat, true},
    {"Graphics", QStyle::SP_DesktopIcon, PageIndex::PageGraph, true},
    {"Log File", QStyle::SP_FileLinkIcon, PageIndex::PgLogView, true},
    {"Report Comparison", QStyle::SP_BrowserReload, PageIndex::PageCompare, false},
    {"Settings", QStyle::SP_FileDialogDetailedView, PageIndex::PageSettingsMain, false},
    {"Task Options", QStyle::SP_FileDialogInfoView, PageIndex::PageSettingsTask, true},
    {"Report Options", QStyle::SP_FileDialogListView, PageIndex::PageSettingsReport, true},
    {"SQL Console", QStyle::SP_CommandLink, PageIndex::PageRunSQL, false},
};

// The groups a user opens most; the others stay folded.
bool ExpandedGroup(int page) {
  return page == PageIndex::PagePackage || page == PageIndex::PageConsole ||
         page == PageIndex::PageSettingsMain;
}

}  // namespace

CStrModes::CStrModes(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);
  Build();
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
            if (item) emit PageChosen(item->data(0, Qt::UserRole).toInt());
          });
}

CStrModes::~CStrModes() = default;

void CStrModes::Build() {
  clear();
  QTreeWidgetItem* group = nullptr;
  for (const TreeItem& entry : kItems) {
    QTreeWidgetItem* item =
        entry.child && group ? new QTreeWidgetItem(group) : new QTreeWidgetItem(this);
    item->setText(0, tr(entry.text));
    item->setIcon(0, style()->standardIcon(entry.icon));
    item->setData(0, Qt::UserRole, entry.page);
    if (!entry.child) group = item;
  }
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* top = topLevelItem(i);
    top->setExpanded(ExpandedGroup(top->data(0, Qt::UserRole).toInt()));
  }
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

QTreeWidgetItem* CStrModes::ItemOf(int page) {
  for (QTreeWidgetItemIterator it(this); *it; ++it)
    if ((*it)->data(0, Qt::UserRole).toInt() == page) return *it;
  return nullptr;
}

void CStrModes::SelectPage(int page) {
  if (QTreeWidgetItem* item = ItemOf(page)) setCurrentItem(item);
}

void CStrModes::ShowAsSelected(int page) {
  QTreeWidgetItem* item = ItemOf(page);
  if (!item) return;
  clearSelection();
  setCurrentItem(item);
  item->setSelected(true);
}

void CStrModes::SelectConsole() { SelectPage(PageIndex::PageConsole); }

int CStrModes::SelectedPage() const {
  const QTreeWidgetItem* item = currentItem();
  return item ? item->data(0, Qt::UserRole).toInt() : -1;
}
