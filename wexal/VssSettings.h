#pragma once
// Where the library keeps its settings: the ini file "wexal.ini" in the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config), or the file that $WEXAL_SETTINGS names.
#include <string>

#include "wexal/WexalExport.h"

namespace wexal {

inline constexpr const wchar_t* kVssSettingsSection = L"SOFTWARE\\Microsoft\\SourceSafe";
inline constexpr const wchar_t* kVssCurrentDatabaseKey = L"API Current Database";

WEXAL_EXPORT std::wstring SettingsFile();

// The default database: the folder under "API Current Database" in the SourceSafe section,
// joined with "srcsafe.ini". Empty when the file or the key is missing or the key is empty.
// A settings file that exists but cannot be read is reported in a message box and gives "".
WEXAL_EXPORT std::wstring DefaultVssDatabase();

}  // namespace wexal
