#pragma once
// The prologue and epilogue tabs of the task dialog: the script a run executes before the task's
// threads start (prologue) or after they end (epilogue), with loading from a file and a test run
// on the task's connection.
#include "brunox/ui/task/TaskPage.h"

class CColorEditWnd;

class PageScripts : public CTaskPage {
  Q_OBJECT

 public:
  // `prologue`: the task's prologue script, else its epilogue.
  PageScripts(TaskPageHost& dialog, bool prologue, QWidget* parent = nullptr);
  ~PageScripts() override;

  void Activate() override;
  // Stores the editor's lines (each ended by CR LF) and trims both scripts of the task of
  // trailing blanks and line ends.
  void Deactivate() override;

  // Runs the editor's whole text once, statement by statement; true when all succeeded.
  bool TestScript();

 private:
  bool prologue_;
  CColorEditWnd* editor_ = nullptr;  // in the page's widget tree
};
