#pragma once
// Help for the library's dialogs: a page in the host program's "help" folder, opened with the
// desktop's browser, as the program opens its own help.
#include <string>

#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace wexal {

inline void ShowHelp(const std::wstring& topic) {
  const std::wstring file =
      platform::JoinPath(platform::JoinPath(platform::ProgramFolder(), L"help"), topic);
  if (platform::FileExists(file)) {
    platform::Ui().OpenWithDesktop(file);
    return;
  }
  platform::Ui().MessageBox(L"No help is installed for this: " + file + L" was not found.", L"Help",
                            platform::MsgButtons::Ok, platform::MsgIcon::Information);
}

}  // namespace wexal
