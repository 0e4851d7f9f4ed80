#pragma once
// Where the program and its files live on Linux.
#include <string>

namespace platform {

std::wstring ProgramFolder();  // folder of /proc/self/exe, no trailing '/'
std::wstring HomeFolder();     // $HOME, else the password database entry
std::wstring TempFolder();     // $TMPDIR, else /tmp
// $BRUNOX_CONFIG_DIR when set, else ConfigHome()/brunox.
std::wstring ConfigFolder();
std::wstring ConfigHome();     // $XDG_CONFIG_HOME (default ~/.config)
std::wstring StateFolder();    // $XDG_STATE_HOME/brunox (default ~/.local/state/brunox)
std::wstring DataHome();       // $XDG_DATA_HOME (default ~/.local/share)
// A new private folder (mode 0700) under TempFolder(); "" when it cannot be made.
std::wstring MakePrivateTempFolder(const std::wstring& prefix);

}  // namespace platform
