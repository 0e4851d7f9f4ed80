#pragma once
// The check dialog: a file (typed, or chosen from the project's items as "name [version]") and a
// comment, for checking a file in, out, or adding it. The logic lives in wexal::CheckDialogModel;
// this dialog only shows the model and writes the user's input back into it.
#include <memory>

#include "sompel/SmDialog.h"
#include "wexal/CheckDialogModel.h"
#include "wexal/WexalApi.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class WEXAL_EXPORT vssCheckDlg : public CSmDialog {
  Q_OBJECT

 public:
  // A dialog with its own model over `api` (not owned).
  vssCheckDlg(QWidget* parent, WEXAL_API* api, VSS_OPER mode);
  // A dialog over the caller's model, which must outlive the dialog.
  vssCheckDlg(QWidget* parent, wexal::CheckDialogModel& model);
  ~vssCheckDlg() override;

  void SetFile(const std::wstring& file) { model_.SetFile(file); }
  wexal::CheckDialogModel& Model() { return model_; }
  const wexal::CheckDialogModel& Model() const { return model_; }

  // Initialises the model (once) and shows its state; exec() and show() do it themselves.
  void Prepare();

  QLineEdit* FileEdit() const { return fileEdit_; }
  QComboBox* ItemCombo() const { return itemCombo_; }
  QLineEdit* CommentEdit() const { return commentEdit_; }
  QPushButton* OkButton() const { return okButton_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void ShowModel();
  void ReadControls();

  std::unique_ptr<wexal::CheckDialogModel> ownModel_;
  wexal::CheckDialogModel& model_;
  QLineEdit* fileEdit_ = nullptr;
  QComboBox* itemCombo_ = nullptr;
  QLineEdit* commentEdit_ = nullptr;
  QPushButton* okButton_ = nullptr;
  bool shown_ = false;
};
