#pragma once
// The execution-plan page: whether a run captures the plan of each task's statement for the HTML
// report (the project's ShowPlan), and the plans the last run captured, task by task.
#include <functional>

#include "brunox/ui/common/TitledPage.h"

class QCheckBox;
class QLabel;
class QTreeWidget;

class PagePlugin : public CTitledPage {
  Q_OBJECT

 public:
  // `modified` is called when leaving the page changed ShowPlan; may be empty.
  explicit PagePlugin(std::function<void()> modified, QWidget* parent = nullptr);
  ~PagePlugin() override;

  // The check from ShowPlan, and the plans the project's tasks hold now.
  void LoadFromProject() override;
  void StoreToProject() override;

  // Shows the plans of the project's tasks: one branch per task with a plan, its rows under
  // it, in the columns of the run connection's plan dialect; "No plan was captured." when no
  // task has one.
  void ShowPlans();

  QCheckBox* ShowPlanCheck() const { return showPlan_; }
  QTreeWidget* PlanTree() const { return plans_; }
  QLabel* NoPlanNote() const { return noPlan_; }

 private:
  std::function<void()> modified_;
  int shown_ = 0;  // the check as last loaded or stored: only a change by the user is stored
  QCheckBox* showPlan_;
  QTreeWidget* plans_;
  QLabel* noPlan_;
};
