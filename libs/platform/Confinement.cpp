#include "platform/Confinement.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace platform {
namespace {

std::atomic<bool> g_confined{false};

struct FixtureFolders {
  std::mutex mutex;
  std::vector<std::filesystem::path> folders;  // canonical
};

FixtureFolders& Fixtures() {
  static FixtureFolders fixtures;
  return fixtures;
}

bool AllDigits(std::wstring_view s) {
  if (s.empty()) return false;
  for (wchar_t c : s)
    if (c < L'0' || c > L'9') return false;
  return true;
}

// 0 to 255 in plain decimal: the resolver would read a leading zero as octal and a larger
// number as a name to look up.
bool IsOctet(std::wstring_view s) {
  if (s.size() > 3 || !AllDigits(s) || (s.size() > 1 && s.front() == L'0')) return false;
  return ToInt(s) <= 255;
}

bool IsLoopbackIpv4(std::wstring_view host) {
  const std::vector<std::wstring> parts = Split(host, L'.');
  if (parts.size() != 4) return false;
  for (const std::wstring& part : parts)
    if (!IsOctet(part)) return false;
  return parts.front() == L"127";
}

bool IsWebScheme(std::wstring_view scheme) {
  return EqualsNoCase(scheme, L"http") || EqualsNoCase(scheme, L"https") ||
         EqualsNoCase(scheme, L"ftp");
}

bool IsInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
  const std::string& p = path.native();
  const std::string& f = folder.native();
  return p.size() > f.size() + 1 && p.compare(0, f.size(), f) == 0 && p[f.size()] == '/';
}

}  // namespace

Verdict Refuse(const std::wstring& why) {
  return Verdict{L"refused in a process confined to this machine: " + why};
}

bool IsLoopbackHost(std::wstring_view host) {
  return EqualsNoCase(host, L"localhost") || host == L"::1" || host == L"[::1]" ||
         IsLoopbackIpv4(host);
}

void ConfineToThisMachine() { g_confined.store(true); }

bool ConfinedToThisMachine() { return g_confined.load(); }

void AddFixtureFolder(const std::wstring& folder) {
  std::error_code failed;
  std::filesystem::path canonical = std::filesystem::canonical(NativePath(folder), failed);
  if (failed) return;
  FixtureFolders& fixtures = Fixtures();
  std::lock_guard lock(fixtures.mutex);
  for (const std::filesystem::path& known : fixtures.folders)
    if (known == canonical) return;
  fixtures.folders.push_back(std::move(canonical));
}

Verdict JudgeHost(std::wstring_view host) {
  if (!ConfinedToThisMachine() || IsLoopbackHost(host)) return Verdict();
  return Refuse(L"'" + std::wstring(host) +
                L"' is not a loopback host (127.0.0.0/8, ::1 or localhost)");
}

Verdict JudgeUrl(std::wstring_view url) {
  if (!ConfinedToThisMachine()) return Verdict();
  const std::wstring quoted = L"'" + std::wstring(url) + L"'";
  const std::size_t mark = url.find(L"://");
  if (mark == std::wstring_view::npos || !IsWebScheme(url.substr(0, mark)))
    return Refuse(quoted + L" is not an http, https or ftp address");
  // The authority ends where the path, the query or the fragment begins (RFC 3986), as for
  // the transfer library; what cannot be read for certain the same way is refused.
  std::wstring_view host = url.substr(mark + 3);
  host = host.substr(0, host.find_first_of(L"/?#"));
  if (host.find(L'@') != std::wstring_view::npos)
    return Refuse(quoted + L" names a user before its host");
  std::wstring_view port;
  if (!host.empty() && host.front() == L'[') {
    const std::size_t close = host.find(L']');
    if (close == std::wstring_view::npos)
      return Refuse(quoted + L" has a host that cannot be read");
    port = host.substr(close + 1);
    host = host.substr(0, close + 1);
  } else if (const std::size_t colon = host.find(L':'); colon != std::wstring_view::npos) {
    port = host.substr(colon);
    host = host.substr(0, colon);
  }
  if (!port.empty() && (port.front() != L':' || !AllDigits(port.substr(1))))
    return Refuse(quoted + L" has a port that cannot be read");
  return JudgeHost(host);
}

Verdict JudgeFixturePath(const std::wstring& path) {
  if (!ConfinedToThisMachine()) return Verdict();
  if (path.find(L'/') == std::wstring::npos)
    return Refuse(L"'" + path + L"' names no folder, and what a search finds is no fixture");
  std::error_code failed;
  const std::filesystem::path absolute = std::filesystem::absolute(NativePath(path), failed);
  std::filesystem::path resolved;
  if (!failed) resolved = std::filesystem::weakly_canonical(absolute, failed);
  if (failed) return Refuse(L"'" + path + L"' cannot be resolved");
  FixtureFolders& fixtures = Fixtures();
  std::lock_guard lock(fixtures.mutex);
  for (const std::filesystem::path& folder : fixtures.folders)
    if (IsInside(resolved, folder)) return Verdict();
  return Refuse(L"'" + path + L"' is not inside a fixture folder");
}

}  // namespace platform
