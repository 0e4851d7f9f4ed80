#pragma once
// The state and logic of the check dialog, without any widget: which file and comment the user
// chose, what the controls show and whether they are usable. vssCheckDlg binds widgets to it;
// hosts without a display and tests drive it directly (see wexal::CheckDialogRunner).
#include <string>
#include <vector>

#include "wexal/WexalApi.h"

namespace wexal {

class WEXAL_EXPORT CheckDialogModel {
 public:
  // `api` is not owned and may be null (then a check-out lists nothing).
  CheckDialogModel(WEXAL_API* api, VSS_OPER mode);

  VSS_OPER Mode() const { return mode_; }
  WEXAL_API* Api() const { return api_; }

  // The file a check-in shows; set before Initialize.
  void SetFile(const std::wstring& file) { file_ = file; }
  const std::wstring& File() const { return file_; }

  // Fills the state for the mode: title, combo entries, which controls are shown and enabled.
  // A check-out opens the back end to list the project's items and closes it again. Runs once;
  // later calls do nothing, so a dialog shown over an initialised model does not list twice.
  void Initialize();
  bool Initialized() const { return initialized_; }

  // The OK button: takes the chosen file from the file edit or the combo selection. True when
  // the dialog ends confirmed, false when it ends as cancelled (nothing chosen).
  bool Accept();

  // The file part of a combo entry "name [version]": the text before the blank that starts the
  // trailing "[number]"; an entry without such a version part is returned whole.
  static std::wstring FileOfEntry(const std::wstring& entry);

  // What the user typed and chose (the dialog writes these before Accept).
  std::wstring comment;
  std::wstring fileEditText;
  int selection = -1;  // index into Entries(), -1 none

  // The result of Accept; a host that runs an add dialog itself may also preset it.
  std::wstring chosenFile;

  const std::vector<std::wstring>& Entries() const { return entries_; }
  const std::wstring& Title() const { return title_; }
  bool ComboShown() const { return comboShown_; }
  bool ComboEnabled() const { return comboEnabled_; }
  bool FileEditShown() const { return fileEditShown_; }
  bool CommentEnabled() const { return commentEnabled_; }

 private:
  void ListProjectItems();

  WEXAL_API* api_;
  VSS_OPER mode_;
  std::wstring file_;
  bool initialized_ = false;
  std::vector<std::wstring> entries_;
  std::wstring title_;
  bool comboShown_ = true;
  bool comboEnabled_ = true;
  bool fileEditShown_ = false;
  bool commentEnabled_ = true;
};

}  // namespace wexal
