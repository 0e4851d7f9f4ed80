#include "brunox/ui/LogFileCommands.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "mervis/Log.h"
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

}  // namespace

void ViewLogFile() {
  const std::wstring path = ExistingLog();
  if (!path.empty()) platform::Ui().OpenWithDesktop(path);
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
