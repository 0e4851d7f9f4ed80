#include "wexal/WexalApi.h"

#include <QDialog>

#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "wexal/CheckDialogModel.h"
#include "wexal/vssCheckDlg.h"

namespace wexal {

namespace {

// Shows the check dialog itself.
class DialogRunner : public CheckDialogRunner {
 public:
  bool Run(CheckDialogModel& model, QWidget* parent) override {
    vssCheckDlg dialog(parent, model);
    return dialog.exec() == QDialog::Accepted;
  }
};

DialogRunner g_dialogRunner;
CheckDialogRunner* g_runner = nullptr;  // nullptr: g_dialogRunner

}  // namespace

CheckDialogRunner* SetCheckDialogRunner(CheckDialogRunner* runner) {
  CheckDialogRunner* previous = g_runner != nullptr ? g_runner : &g_dialogRunner;
  g_runner = runner;
  return previous;
}

CheckDialogRunner& CurrentCheckDialogRunner() {
  return g_runner != nullptr ? *g_runner : g_dialogRunner;
}

}  // namespace wexal

namespace {

const wchar_t* Text(const std::wstring* file) { return file != nullptr ? file->c_str() : L""; }

void ShowMessage(const std::wstring& text, const std::wstring& caption) {
  platform::Ui().MessageBox(text, caption, platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

// What check-in and undo do first: make sure the file is checked out, telling the user
// `notCheckedOut` under `caption` when it is not, then open the back end. True when the
// operation may go on (the back end is then open).
bool CheckedOutAndOpen(WEXAL_API& api, const std::wstring& name, const std::wstring& notCheckedOut,
                       const std::wstring& caption) {
  const int checkedOut = api.IsCheckedOut(name.c_str());
  if (checkedOut < 0) {
    ShowMessage(api.error, L"Error");
    return false;
  }
  if (checkedOut == 0) {
    ShowMessage(notCheckedOut, caption);
    return false;
  }
  if (api.Open() != 0) {
    ShowMessage(api.error, L"Error");
    return false;
  }
  return true;
}

}  // namespace

std::wstring WEXAL_API::LocalFile(const std::wstring& name) const {
  if (localFolder.empty() || (!name.empty() && name.front() == L'/')) return name;
  return platform::JoinPath(localFolder, name);
}

void WEXAL_API::GUI_AddItem(std::wstring* /*file*/, QWidget* /*parent*/,
                            const wexal::CheckDialogModel* dialog) {
  if (dialog == nullptr) return;
  if (Open() != 0) {
    ShowMessage(error, L"Error");
    return;
  }
  if (AddItem(dialog->chosenFile.c_str(), dialog->comment.c_str()) != 0)
    ShowMessage(error, L"Error");
  Close();
}

void WEXAL_API::GUI_CheckIn(std::wstring* file, QWidget* parent) {
  const std::wstring name = Text(file);
  if (!CheckedOutAndOpen(*this, name, L"File '" + name + L"' is not checked out.", L"Warning!"))
    return;
  wexal::CheckDialogModel model(this, VSS_CHECKIN);
  model.SetFile(name);
  model.Initialize();
  if (wexal::CurrentCheckDialogRunner().Run(model, parent) &&
      CheckIn(name.c_str(), model.comment.c_str()) != 0)
    ShowMessage(error, L"Error");
  Close();
}

int WEXAL_API::GUI_CheckOut(std::wstring* file, QWidget* parent) {
  wexal::CheckDialogModel model(this, VSS_CHECKOUT);
  model.Initialize();
  if (!wexal::CurrentCheckDialogRunner().Run(model, parent)) return 0;
  if (Open() != 0) {
    ShowMessage(error, L"Error");
    return 0;
  }
  int result = 0;
  if (CheckOutItem(model.chosenFile.c_str(), model.comment.c_str()) != 0) {
    ShowMessage(error, L"Error!");
  } else {
    if (file != nullptr) *file = model.chosenFile;
    result = 1;
  }
  Close();
  return result;
}

void WEXAL_API::GUI_EnableMenu(const wchar_t* file, wexal::HostMenu* menu) {
  if (menu == nullptr || Ready() == 0) return;
  menu->Enable(wexal::kCheckOutFileCommand, true);
  menu->Enable(wexal::kAddFileCommand, true);
  menu->Enable(wexal::kUndoCheckOutFileCommand, true);
  menu->Enable(wexal::kCheckInFileCommand, IsCheckedOut(file != nullptr ? file : L"") > 0);
}

void WEXAL_API::GUI_UndoCheckOut(std::wstring* file, QWidget* /*parent*/) {
  const std::wstring name = Text(file);
  if (!CheckedOutAndOpen(*this, name, L"File '" + name + L"' is not checked out", L"Error")) return;
  if (UndoCheckOut(name.c_str()) != 0) ShowMessage(error, L"Error");
  Close();
}
