#pragma once
// The SourceSafe connection setup dialog: database file, user, password, project and local
// folder, with buttons to browse, fill the project list ("<<") and test the connection. Its
// logic lives in wexal::SetupDialogModel; this class only shows it.
#include <string>

#include "sompel/SmDialog.h"
#include "wexal/SetupDialogModel.h"
#include "wexal/WexalExport.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class wexalVSS;

class WEXAL_EXPORT vssSetupDlg : public CSmDialog {
  Q_OBJECT

 public:
  vssSetupDlg(QWidget* parent, wexalVSS* vss);

  // What the user chose; valid after the dialog ended with OK.
  const wexal::SetupFields& Fields() const { return model_.fields; }
  wexal::SetupDialogModel& Model() { return model_; }

  void accept() override;
  void reject() override;

 private:
  void ReadControls();
  void ShowFields();
  void OnBrowseDatabase();
  void OnBrowseLocalFolder();
  void OnFillProjects();
  void OnTest();

  wexal::SetupDialogModel model_;
  QLineEdit* databaseFile_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* localFolder_ = nullptr;
  QComboBox* project_ = nullptr;
};
