#include "brunox/ui/project/PagePlugin.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Project.h"
#include "kavra/CDB.h"
#include "kavra/DbmsCodes.h"

namespace {

// The plan columns of a dialect, as the HTML report heads them.
QStringList PlanHeadings(int dbms) {
  switch (dbms) {
    case DBMS_MSSQL:
      return {QStringLiteral("Statement Text"),    QStringLiteral("Physical Operation"),
              QStringLiteral("Logical Operation"), QStringLiteral("Estimate Rows"),
              QStringLiteral("Estimate IO"),       QStringLiteral("Estimate CPU"),
              QStringLiteral("Average Row Size"),  QStringLiteral("Subtree Cost")};
    case DBMS_ORACLE:
      return {QStringLiteral("Operation"), QStringLiteral("Option"), QStringLiteral("Object")};
    default: {
      QStringList generic;
      for (int column = 1; column <= PlanRow::kColumns; ++column)
        generic << QStringLiteral("Column %1").arg(column);
      return generic;
    }
  }
}

// The cells of a plan row as its dialect shows them: the plan-table dialect joins owner, name
// and type into one object column.
QStringList PlanCells(int dbms, const PlanRow& row) {
  const auto& c = row.Columns;
  QStringList cells;
  if (dbms == DBMS_ORACLE) {
    cells << QString::fromStdWString(c[0]) << QString::fromStdWString(c[1]);
    cells << (c[3].empty() ? QString()
                           : QStringLiteral("%1.%2 [%3]")
                                 .arg(QString::fromStdWString(c[2]), QString::fromStdWString(c[3]),
                                      QString::fromStdWString(c[4])));
    return cells;
  }
  for (const std::wstring& column : c) cells << QString::fromStdWString(column);
  return cells;
}

}  // namespace

PagePlugin::PagePlugin(std::function<void()> modified, QWidget* parent)
    : CTitledPage(tr("Show Execution Plan Settings"), parent),
      modified_(std::move(modified)),
      showPlan_(new QCheckBox(tr("Include execution plan to the HTML report."), this)),
      plans_(new QTreeWidget(this)),
      noPlan_(new QLabel(tr("No plan was captured."), this)) {
  setObjectName(QStringLiteral("PagePlugin"));
  showPlan_->setObjectName(QStringLiteral("showPlan"));
  auto* supported =
      new QLabel(tr("The feature is supported for MS SQL Server and Oracle only."), this);
  supported->setWordWrap(true);
  Body()->addWidget(showPlan_);
  Body()->addWidget(supported);

  auto* lastRun = new QGroupBox(tr("Execution plans captured by the last run"), this);
  auto* box = new QVBoxLayout(lastRun);
  plans_->setObjectName(QStringLiteral("plans"));
  plans_->setRootIsDecorated(true);
  plans_->setUniformRowHeights(true);
  plans_->setSelectionBehavior(QAbstractItemView::SelectRows);
  plans_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  plans_->header()->setStretchLastSection(true);
  noPlan_->setObjectName(QStringLiteral("noPlan"));
  box->addWidget(noPlan_);
  box->addWidget(plans_, 1);
  Body()->addWidget(lastRun, 1);
  ShowPlans();
}

PagePlugin::~PagePlugin() = default;

void PagePlugin::LoadFromProject() {
  showPlan_->setChecked(g_project.ShowPlan != 0);
  shown_ = g_project.ShowPlan != 0 ? 1 : 0;
  ShowPlans();
}

void PagePlugin::StoreToProject() {
  const int wanted = showPlan_->isChecked() ? 1 : 0;
  const bool edited = wanted != shown_;
  shown_ = wanted;
  if (!edited || wanted == g_project.ShowPlan) return;
  g_project.ShowPlan = wanted;
  if (modified_) modified_();
}

void PagePlugin::ShowPlans() {
  // The plans came from the run's main connection, whose dialect names their columns.
  const int dbms = g_project.MainDB ? g_project.MainDB->DBMS : DBMS_UNKNOWN;
  const QStringList headings = PlanHeadings(dbms);
  plans_->clear();
  plans_->setColumnCount(headings.size());
  plans_->setHeaderLabels(headings);
  for (size_t index = 0; index < g_project.Tasks.size(); ++index) {
    const Task& task = g_project.Tasks[index];
    if (task.Plan.empty()) continue;
    QString title = tr("Task #%1").arg(index + 1);
    if (!task.Name.empty())
      title += QStringLiteral(" \"%1\"").arg(QString::fromStdWString(task.Name));
    auto* branch = new QTreeWidgetItem(plans_, QStringList{title});
    branch->setFirstColumnSpanned(true);
    for (const PlanRow& row : task.Plan) new QTreeWidgetItem(branch, PlanCells(dbms, row));
    branch->setExpanded(true);
  }
  const bool any = plans_->topLevelItemCount() > 0;
  plans_->setVisible(any);
  noPlan_->setVisible(!any);
  if (any)
    for (int column = 0; column + 1 < headings.size(); ++column)
      plans_->resizeColumnToContents(column);
}
