#pragma once
// The project page, the first page of the main window: how long a run lasts (the run mode and its
// four limits), the project's task list with the commands that add, edit, copy, remove, move and
// enable tasks, the project report, Run, and the project file and connection lines.
//
// The list mirrors the project's task vector row for row; the project is the only store. Task
// commands arrive through the window's dispatcher (menus, shortcuts, the page's buttons, double
// click, the Delete key and the context menu alike), so the window's rule that refuses them while
// a run reads the tasks holds for every way in.
#include <array>
#include <memory>
#include <vector>

#include "brunox/ui/common/PageHost.h"
#include "brunox/ui/common/TitledPage.h"

class CColorizer;
class CStepSpinBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;
class TaskProps;
struct Task;

class PagePackage : public CTitledPage {
  Q_OBJECT

 public:
  static constexpr int kRunModeCount = 6;
  static constexpr int kLimitCount = 4;  // seconds, times of each task, of all tasks, at least

  // `window` and `colorizer` (the window's SQL colours, for the task dialog) outlive the page.
  // A project that has not been loaded yet takes the run mode remembered in the settings.
  PagePackage(PageHost& window, const CColorizer& colorizer, QWidget* parent = nullptr);
  ~PagePackage() override;

  // Project → page: run mode, limits, one row per task, the project file line.
  void LoadFromProject() override;
  // Page → project: the run mode and limits the user changed; the project is marked modified
  // when that changed it.
  void StoreToProject() override;
  // The task commands and the project report.
  bool HandleCommand(int id) override;

  // Offers to save an edited project, then empties it and the list. False when the user
  // cancelled.
  bool NewProject();
  // The project file line (after a save under a new name).
  void ShowProjectPath();
  // The connection line the window keeps up to date.
  void SetConnectionText(const QString& text);
  QString ConnectionText() const;
  // While a run reads the project the controls that change it are disabled.
  void ShowRunning(bool running);
  // What the page keeps for the next start: column widths, the connection state, the project
  // file and the four limits.
  void RememberInSettings() const;

  // The list's context menu: the window's task commands, Edit the default item.
  std::unique_ptr<QMenu> MakeContextMenu();

  QTableWidget* List() const { return list_; }
  // Selects exactly these rows (tests and the moves).
  void SelectRows(const std::vector<int>& rows);
  std::vector<int> SelectedRows() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct RunModeValues {
    int doType = 0;
    std::array<int, kLimitCount> limits{};
    bool operator==(const RunModeValues&) const = default;
  };

  void BuildRunMode();
  void BuildTaskList();
  QPushButton* AddButton(const char* name, const QString& text, int icon, int command);
  void BuildBottomLine();

  RunModeValues ShownValues() const;
  void ShowValues(const RunModeValues& values);
  static RunModeValues ProjectValues();
  // What a project that was not loaded starts with: the settings' run mode and limits, else
  // 10, 10, 50 and 5.
  static RunModeValues RememberedValues();
  static void PutIntoProject(const RunModeValues& values);
  // A radio click or an arrow click: into the project at once, and the project counts as edited.
  void RunModeEdited();

  void FillRow(int row, const Task& task);
  void ShowTasks();
  // The first selected row, or -1 after telling the user that none is selected.
  int FirstSelectedOrWarn();
  // The main connection, after offering the connect dialog when it is not connected.
  bool ConnectionStep();
  // Shows the task dialog over `task`; true when it was confirmed.
  bool ShowTaskDialog(Task& task);

  void AddTask();
  void EditTask();
  void RemoveTasks();
  void InsertCopies();
  void MoveTask(int by);
  void ToggleEnabled();
  void WriteProjectReport();
  void RunFromPage();
  void SendCommand(int id);

  PageHost& window_;
  TaskProps* taskDialog_;  // a child of the page
  QLabel* path_ = nullptr;
  QLabel* connection_ = nullptr;
  std::array<QRadioButton*, kRunModeCount> modes_{};
  std::array<CStepSpinBox*, kLimitCount> limits_{};
  QTableWidget* list_ = nullptr;
  std::vector<QWidget*> editingControls_;  // disabled while a run is under way
  // What the controls showed when they were last taken from or into the project; only what the
  // user changed since goes into the project.
  RunModeValues synced_;
};
