#pragma once
// The one interface a host window uses for version control, whatever the back end: pure
// operations that the back ends implement, and ready-made GUI operations on top of them that
// show their own dialogs and messages.
//
// Messages reach the user through platform::Ui() (the host installs its own UiServices), the
// host's menu through wexal::HostMenu, and the check dialog through wexal::CheckDialogRunner, so
// the library runs under a window and in tests alike. An object is used from one thread.
#include <string>

#include "wexal/WexalExport.h"

class QWidget;

// The mode of the check dialog.
enum VSS_OPER { VSS_CHECKIN = 0, VSS_CHECKOUT = 1, VSS_ADD = 2 };

namespace wexal {

class CheckDialogModel;

// The host's version-control commands, by their command identifiers.
enum MenuCommand {
  kCheckOutFileCommand = 30807,
  kUndoCheckOutFileCommand = 30808,
  kCheckInFileCommand = 30809,
  kAddFileCommand = 30810,
};

// The host's menu as GUI_EnableMenu sees it.
class WEXAL_EXPORT HostMenu {
 public:
  virtual ~HostMenu() = default;
  virtual void Enable(int commandId, bool enabled) = 0;
};

// Runs a check dialog modally for the GUI operations. The default runner shows vssCheckDlg;
// a host without a display, or a test, installs its own and answers the model itself.
class WEXAL_EXPORT CheckDialogRunner {
 public:
  virtual ~CheckDialogRunner() = default;
  // True when the user confirmed; the model then holds the chosen file and the comment.
  virtual bool Run(CheckDialogModel& model, QWidget* parent) = 0;
};

// Installs `runner` (not owned); nullptr restores the default. Returns the previous one.
WEXAL_EXPORT CheckDialogRunner* SetCheckDialogRunner(CheckDialogRunner* runner);
WEXAL_EXPORT CheckDialogRunner& CurrentCheckDialogRunner();

}  // namespace wexal

class WEXAL_EXPORT WEXAL_API {
 public:
  WEXAL_API() = default;
  WEXAL_API(const WEXAL_API&) = default;
  WEXAL_API& operator=(const WEXAL_API&) = default;
  virtual ~WEXAL_API() = default;

  // 0 on success unless said otherwise; a failure sets `error`.
  virtual int Init() = 0;
  virtual int Items() = 0;
  // 1 when the file is checked out, 0 when not, -1 on error (with `error` set).
  virtual int IsCheckedOut(const wchar_t* file) = 0;
  // 1 when the back end can be used, else 0.
  virtual int Ready() = 0;
  virtual int Open() = 0;
  virtual void Close() = 0;
  virtual int AddItem(const wchar_t* file, const wchar_t* comment) = 0;
  virtual int CheckIn(const wchar_t* file, const wchar_t* comment) = 0;
  virtual int CheckOutItem(const wchar_t* file, const wchar_t* comment) = 0;
  // Item i (0-based) of the opened project; fills the outputs that are non-null.
  virtual int GetItemInfo(int i, std::wstring* name, int* deleted, int* type, int* version) = 0;
  virtual int UndoCheckOut(const wchar_t* file) = 0;

  // The local folder, a separator and the name when a local folder is set and the name is
  // relative; else the name alone.
  std::wstring LocalFile(const std::wstring& name) const;

  // The GUI operations: each shows the back end's error text when an operation fails.
  // `dialog` is the add dialog the host has run already (mode VSS_ADD).
  void GUI_AddItem(std::wstring* file, QWidget* parent, const wexal::CheckDialogModel* dialog);
  void GUI_CheckIn(std::wstring* file, QWidget* parent);
  // 1 with `*file` set to the chosen file when the file was checked out, else 0.
  int GUI_CheckOut(std::wstring* file, QWidget* parent);
  void GUI_EnableMenu(const wchar_t* file, wexal::HostMenu* menu);
  void GUI_UndoCheckOut(std::wstring* file, QWidget* parent);

  const std::wstring& ErrorText() const { return error; }

  std::wstring error;        // the last error
  std::wstring localFolder;  // empty: none
  std::wstring user;
  std::wstring password;
};
