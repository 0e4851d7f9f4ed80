#include "ScratchFiles.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace fuzz {
namespace {

std::string& FolderToRemove() {
  static std::string folder;
  return folder;
}

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(FolderToRemove(), ignored);
}

std::string MakeFolderIn(const std::string& parent) {
  if (parent.empty() || access(parent.c_str(), W_OK | X_OK) != 0) return {};
  std::string pattern = parent + "/brunox-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

}  // namespace

const std::wstring& ScratchFolder() {
  static const std::wstring folder = [] {
    std::string made = MakeFolderIn("/dev/shm");
    if (made.empty()) made = MakeFolderIn(platform::NativePath(platform::TempFolder()));
    if (made.empty()) std::abort();
    FolderToRemove() = made;
    // A fuzzer ends through exit() when its time is up; a crash leaves the folder for a look.
    std::atexit(RemoveFolder);
    return platform::FromUtf8(made);
  }();
  return folder;
}

bool OverwriteFile(const std::wstring& path, std::string_view bytes) {
  const int fd = open(platform::NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                      0600);
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  return close(fd) == 0 && ok;
}

}  // namespace fuzz
