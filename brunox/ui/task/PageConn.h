#pragma once
// The connections tab of the task dialog: the task runs on the project's main connection, or on
// a connection of its own described by the task. Choosing the own connection opens the
// connection dialog at once; on OK the dialog's connection is (re)opened with the description.
#include <memory>

#include "brunox/ui/task/TaskPage.h"

class CAdvConnect;
class CAdvConnectDlg;
class QLabel;
class QPushButton;
class QRadioButton;

class PageConn : public CTaskPage {
  Q_OBJECT

 public:
  explicit PageConn(TaskPageHost& dialog, QWidget* parent = nullptr);
  ~PageConn() override;

  void Activate() override;
  void Deactivate() override;

  // The "..." button: edits the task's own connection in the connection dialog; true on OK.
  bool ChooseConnection();
  // The connection dialog (made on first use).
  CAdvConnectDlg& ConnectDialog();

 private:
  void SourceClicked();
  void EnableCustom();

  std::unique_ptr<CAdvConnect> connector_;  // what the connection dialog edits
  CAdvConnectDlg* connectDlg_ = nullptr;    // made on first use; a child of the page
  bool useDefault_ = true;                  // the radios' state as last handled
  // Handles into the page's widget tree.
  QRadioButton* default_ = nullptr;
  QRadioButton* custom_ = nullptr;
  QPushButton* choose_ = nullptr;
  QLabel* mainText_ = nullptr;
  QLabel* taskText_ = nullptr;
};
