#include "brunox/ui/window/LogFileCommands.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "brunox/engine/settings/SettingsStores.h"
#include "mervis/Log.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

void Tell(const std::wstring& text) {
  platform::Ui().MessageBox(text, L"Log file", platform::MsgButtons::Ok,
                            platform::MsgIcon::Information);
}

// The log file, or "" after telling the user why there is none.
std::wstring ExistingLog() {
  const std::wstring path = CLog::FilePath();
  if (CLog::Level() >= 2 || path.empty()) {
    Tell(L"The program log is off (setting LogLevel=2).");
    return {};
  }
  if (!platform::FileExists(path)) {
    Tell(L"The log file " + path + L" has not been written yet.");
    return {};
  }
  return path;
}

// The desktop's opener; the setting LogViewer names it unless the user chose another program.
const wchar_t* const kDesktopOpener = L"xdg-open";

// Where the program that shows the log is set: no settings page has the field.
std::wstring WhereToSetTheViewer() {
  return L"Set the program as LogViewer= in the [General] section of " +
         platform::JoinPath(platform::ConfigFolder(), L"settings.ini") +
         L" while brunox is not running";
}

// Whether `program` can be started by name: an executable file in one of the PATH folders.
bool InPath(const std::wstring& program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  for (const std::wstring& folder : platform::Split(platform::FromUtf8(path), L':')) {
    if (folder.empty()) continue;
    const std::string file = platform::NativePath(platform::JoinPath(folder, program));
    if (::access(file.c_str(), X_OK) == 0) return true;
  }
  return false;
}

}  // namespace

void ViewLogFile() {
  const std::wstring path = ExistingLog();
  if (path.empty()) return;
  const std::wstring viewer =
      g_settings ? platform::Trim(g_settings->getStr(kStoreMain, L"LogViewer"), L" \t") : L"";
  if (!viewer.empty() && viewer != kDesktopOpener) {
    if (!platform::Ui().StartProgram(viewer, {path}))
      Tell(L"The log viewer '" + viewer + L"' could not be started to show " + path + L".\n" +
           WhereToSetTheViewer() + L", or empty it to use the desktop's.");
    return;
  }
  const std::wstring advice =
      WhereToSetTheViewer() + L", for example LogViewer=gedit, kate or mousepad.";
  if (!InPath(kDesktopOpener)) {
    Tell(L"No desktop program is there to open " + path + L" (" + kDesktopOpener +
         L" is not installed).\n" + advice);
    return;
  }
  platform::Ui().OpenWithDesktop(path, advice);
}

void TruncateLogFile() {
  const std::wstring path = ExistingLog();
  if (path.empty()) return;
  // The log appends, so its next line lands at the new end of the file.
  if (::truncate(platform::NativePath(path).c_str(), 0) != 0) {
    std::wstring reason;
    CLog::FormatLastError(&reason, errno);
    Tell(L"The log file " + path + L" could not be emptied: " + reason);
  }
}
