#pragma once
// For tests of code that keeps a file open: finds the descriptor this process holds on a path, so
// that a test can check how it was opened (close-on-exec above all: a program the suite starts
// must not inherit logs, reports or value files).
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace platform_test {

// The first descriptor open on `path` (compared after resolving links), or -1.
inline int DescriptorOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path wanted = std::filesystem::weakly_canonical(path, error);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(entry.path().c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    if (std::filesystem::path(std::string(target, static_cast<std::size_t>(n))) == wanted)
      return std::stoi(entry.path().filename().string());
  }
  return -1;
}

// True when a descriptor is open on `path` and it has FD_CLOEXEC.
inline bool OpenCloseOnExec(const std::string& path) {
  const int fd = DescriptorOf(path);
  return fd >= 0 && (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}

}  // namespace platform_test
