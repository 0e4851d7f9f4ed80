#include "platform/Folders.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace platform {

namespace {

std::wstring Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? FromUtf8(value) : std::wstring();
}

// The XDG rules ignore a variable that is unset, empty or not an absolute path.
std::wstring XdgFolder(const char* variable, const wchar_t* fallbackUnderHome) {
  const std::wstring value = Env(variable);
  if (!value.empty() && value.front() == L'/') return value;
  return JoinPath(HomeFolder(), fallbackUnderHome);
}

std::wstring WithoutTrailingSlash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'/') path.pop_back();
  return path;
}

}  // namespace

std::wstring ProgramFolder() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) {
      const std::wstring exe = FromUtf8(std::string_view(buffer.data(), static_cast<size_t>(n)));
      const std::wstring folder = FolderPart(exe);
      return folder.empty() ? L"/" : folder;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring HomeFolder() {
  const std::wstring home = Env("HOME");
  if (!home.empty()) return WithoutTrailingSlash(home);
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir) {
    return WithoutTrailingSlash(FromUtf8(result->pw_dir));
  }
  return L"/";
}

std::wstring TempFolder() {
  const std::wstring tmp = Env("TMPDIR");
  if (!tmp.empty()) return WithoutTrailingSlash(tmp);
  return L"/tmp";
}

std::wstring ConfigFolder() {
  const std::wstring own = Env("BRUNOX_CONFIG_DIR");
  if (!own.empty()) return WithoutTrailingSlash(own);
  return JoinPath(ConfigHome(), L"brunox");
}

std::wstring ConfigHome() { return WithoutTrailingSlash(XdgFolder("XDG_CONFIG_HOME", L".config")); }

std::wstring StateFolder() {
  return JoinPath(WithoutTrailingSlash(XdgFolder("XDG_STATE_HOME", L".local/state")), L"brunox");
}

std::wstring DataHome() {
  return WithoutTrailingSlash(XdgFolder("XDG_DATA_HOME", L".local/share"));
}

std::wstring MakePrivateTempFolder(const std::wstring& prefix) {
  // A '/' in the prefix would make mkdtemp look for a sub-folder.
  const std::wstring safePrefix = ReplaceAll(prefix, L"/", L"_");
  std::string pattern = NativePath(JoinPath(TempFolder(), safePrefix + L"XXXXXX"));
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return FromUtf8(pattern);
}

}  // namespace platform
