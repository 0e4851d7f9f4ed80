#include "wexal/VssSettings.h"

#include <cstdlib>

#include "mervis/SysReg.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace wexal {

namespace {

std::wstring FromEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? platform::FromUtf8(value) : std::wstring();
}

}  // namespace

std::wstring SettingsFile() {
  const std::wstring named = FromEnv("WEXAL_SETTINGS");
  if (!named.empty()) return named;
  return platform::JoinPath(platform::ConfigHome(), L"wexal.ini");
}

std::wstring DefaultVssDatabase() {
  CSysReg settings(SettingsFile());  // only read: nothing changes, so nothing is written
  if (!settings.LoadError().empty()) {
    platform::Ui().MessageBox(settings.LoadError(), L"Error", platform::MsgButtons::Ok,
                              platform::MsgIcon::Error);
    return {};
  }
  settings.Section(kVssSettingsSection);
  const std::wstring folder = settings.Read(kVssCurrentDatabaseKey, std::wstring());
  if (folder.empty()) return {};
  return platform::EndsWith(folder, L"/") ? folder + L"srcsafe.ini" : folder + L"/srcsafe.ini";
}

}  // namespace wexal
