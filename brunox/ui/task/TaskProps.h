#pragma once
// The task properties dialog: edits one task copy on six tabs (general properties, options,
// parameters, connections, prologue and epilogue scripts). The task list page makes it once and
// shows it for each Add and Edit; each showing builds the tabs afresh over the copy it is given.
//
// The task's connection while the dialog is shown: the main connection when the task uses the
// default one, else a connection of the dialog's own, opened from the task's description. An own
// connection that cannot be opened leaves the task without a connection (the dialog says so); it
// never falls back to the main one. The own connection is closed when the dialog ends, and the
// task copy gets back the connection pointer it came with.
#include <array>
#include <memory>

#include "kavra/ConnInfo.h"
#include "brunox/ui/task/TaskPageHost.h"
#include "sompel/SmDialog.h"

class CColorizer;
class CDB;
class CTaskPage;
class QLabel;
class QTabWidget;
struct Task;

class TaskProps : public CSmDialog, public TaskPageHost {
  Q_OBJECT

 public:
  enum Tab { kTabGeneral, kTabOptions, kTabParams, kTabConnections, kTabPrologue, kTabEpilogue,
             kTabCount };

  // `colorizer` (the window's SQL colours) outlives the dialog.
  TaskProps(const CColorizer& colorizer, QWidget* parent = nullptr);
  ~TaskProps() override;

  // The copy to edit, before exec(); it outlives the showing.
  void SetTask(Task* task);
  Task* GetTask() const { return task_; }

  // Opens the task's connection, builds the tabs, shows the general tab, runs the dialog, then
  // closes the own connection. QDialog::Accepted when the tabs stored their controls.
  int exec() override;

  // The tab shown, and the tab page objects of the current showing (null before the first).
  int CurrentTab() const { return current_; }
  CTaskPage* Page(int tab) const;
  // Switches tabs as a click on a tab does: refused (false) when the shown tab may not be left.
  bool SelectTab(int tab);

  // The connection the task's statements are tested on: the main connection, the dialog's own,
  // or null when the own one could not be opened.
  CDB* Connection() const override;
  // (Re)connects the dialog's own connection with `info` and gives it to the task. A failure is
  // shown (the driver's text, captioned with the connection's description) and leaves the task
  // without a connection; false then.
  bool ConnectOwn(const CONN_INFO& info) override;
  // The connection line at the bottom: the description of the task's connection.
  void ShowConnection() override;
  QString ConnectionText() const;

  const CColorizer& Colorizer() const override { return colorizer_; }

 protected:
  void accept() override;

 private:
  void BuildTabs();
  void TabClicked(int tab);
  void OpenTaskConnection();
  void CloseOwnConnection();

  const CColorizer& colorizer_;
  Task* task_ = nullptr;
  CDB* taskDbBefore_ = nullptr;  // the copy's pointer when it was given; restored at the end
  std::unique_ptr<CDB> own_;
  QTabWidget* tabs_ = nullptr;
  QLabel* connection_ = nullptr;
  std::array<CTaskPage*, kTabCount> pages_{};  // owned by tabs_ through their Qt parent
  int current_ = kTabGeneral;
};
