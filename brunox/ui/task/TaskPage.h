#pragma once
// The base of the task dialog's tabs. Each tab edits the task copy the dialog holds: Activate
// fills the controls from it when the tab is entered, Deactivate stores the controls into it when
// the tab is left or the dialog is confirmed, and CanSave may refuse both (the tab then says why).
#include <QWidget>
#include <string>

struct Task;
class CColorEditWnd;
class CColorizer;
class TaskPageHost;

class CTaskPage : public QWidget {
  Q_OBJECT

 public:
  // `dialog` outlives the page.
  explicit CTaskPage(TaskPageHost& dialog, QWidget* parent = nullptr);
  ~CTaskPage() override;

  void SetTask(Task* task) { task_ = task; }
  Task* GetTask() const { return task_; }

  // Task → controls.
  virtual void Activate() {}
  // Controls → task; only called after CanSave() allowed it.
  virtual void Deactivate() {}
  // Whether the tab may be left and stored; a page that refuses has told the user why.
  virtual bool CanSave() { return true; }
  // The help page F1 opens while the tab is shown.
  virtual std::wstring HelpTopic() const { return L"task.html"; }

 protected:
  TaskPageHost& Dialog() const { return dialog_; }
  // The colours of the program's SQL editors.
  const CColorizer& Colorizer() const;

  // The file filter of the SQL script dialogs.
  static constexpr const wchar_t* kScriptFilter = L"SQL scripts (*.sql)|*.sql|All Files(*.*)|*.*||";
  // The "Load..." buttons: a script file the user chooses becomes `editor`'s text; a file that
  // cannot be read leaves the text as it was and the user is told why.
  static void LoadScriptInto(CColorEditWnd& editor);

 private:
  TaskPageHost& dialog_;
  Task* task_ = nullptr;
};
