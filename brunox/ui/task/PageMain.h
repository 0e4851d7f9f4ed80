#pragma once
// The general tab of the task dialog: the task's name and thread count, where its SQL comes from
// (typed into the editor, or a script file), the parser and single-transaction switches, loading
// a script file or a library script into the editor, and a test run of the task's statements on
// the task's connection. The tab may not be left without a name and a script.
#include <memory>
#include <string>

#include "brunox/ui/task/TaskPage.h"

class CColorEditWnd;
class CSqlLibraryDlg;
class CStepSpinBox;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class PageMain : public CTaskPage {
  Q_OBJECT

 public:
  explicit PageMain(TaskPageHost& dialog, QWidget* parent = nullptr);
  ~PageMain() override;

  void Activate() override;
  void Deactivate() override;
  // Takes the name and the script (or the script file's path) into the task, then checks them.
  bool CanSave() override;

  // The buttons' work.
  void ChooseScriptFile();
  void InsertFromLibrary();
  void ImportTrace();
  // Runs the task's statements once, with the values of one execution put in; true on success.
  bool TestStatement();

  // Puts a library script into the editor as `mode` (CSqlLibraryDlg::InsertMode) says.
  void InsertScript(const std::wstring& script, int mode);
  // The library dialog (made on first use).
  CSqlLibraryDlg& Library();

 private:
  void BuildControls();
  void EnableSource();
  bool FileMode() const;
  // The script a test runs: the file's text in file mode, else the editor's; trailing blanks,
  // tabs and line ends trimmed.
  std::wstring ScriptToTest();

  // Handles into the page's widget tree.
  QLineEdit* name_ = nullptr;
  CStepSpinBox* threads_ = nullptr;
  QRadioButton* immediate_ = nullptr;
  QRadioButton* fromFile_ = nullptr;
  CColorEditWnd* editor_ = nullptr;
  QLineEdit* scriptFile_ = nullptr;
  QPushButton* chooseFile_ = nullptr;
  QCheckBox* useParser_ = nullptr;
  QCheckBox* asTransaction_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* library_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* test_ = nullptr;
  CSqlLibraryDlg* libraryDlg_ = nullptr;  // made on first use; a child of the page
};
