#include "platform/TextFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/Text.h"
#include "platform/UserFile.h"

namespace platform {

std::string NativePath(const std::wstring& path) { return ToUtf8(path); }

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// umask() can only be read by setting it, which races with other threads; the kernel reports it.
mode_t ReadUmask() {
  std::string status;
  if (ReadUserFileBytes(L"/proc/self/status", status)) {
    const size_t at = status.find("\nUmask:");
    if (at != std::string::npos)
      return static_cast<mode_t>(std::strtoul(status.c_str() + at + 7, nullptr, 8));
  }
  return 022;
}

// The program never changes its umask, so the kernel is asked once.
mode_t CurrentUmask() {
  static const mode_t mask = ReadUmask();
  return mask;
}

// The folder a temporary file for `path` goes into, so that the final rename stays on one file
// system.
std::string FolderForTemp(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  return ReadUserFileBytes(path, bytes);
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
  StagedFile file;
  return file.Stage(path, bytes) && file.Publish();
}

StagedFile::~StagedFile() { Drop(); }

void StagedFile::Drop() {
  // Callers read errno after a failure that ends here.
  const int error = errno;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
  target_.clear();
  errno = error;
}

bool StagedFile::Stage(const std::wstring& path, std::string_view bytes) {
  Drop();
  // A file reached through a link is written where the link leads, and the link stays: renaming
  // over the link would leave the file it names as it was.
  const std::string target = NativePath(LinkTarget(path));
  if (target.empty() || target.back() == '/') {
    errno = target.empty() ? ENOENT : EISDIR;
    return false;
  }
  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  std::string temp = FolderForTemp(target) + "/.brunox-write-XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;

  // mkstemp makes the file 0600; keep the mode of the file being replaced, or give a new file
  // the mode any other program would create it with.
  const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes);
  int error = errno;
  // A full disk may show only when the file is closed.
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    errno = error;
    return false;
  }
  target_ = target;
  temp_ = temp;
  return true;
}

bool StagedFile::Publish() {
  if (temp_.empty()) {
    errno = ENOENT;
    return false;
  }
  const bool ok = rename(temp_.c_str(), target_.c_str()) == 0;
  if (ok) temp_.clear();
  Drop();
  return ok;
}

ByteOrderMark FindByteOrderMark(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) return {3, TextEncoding::Utf8};
  if (head.starts_with("\xFF\xFE")) return {2, TextEncoding::Utf16Le};
  if (head.starts_with("\xFE\xFF")) return {2, TextEncoding::Utf16Be};
  return {};
}

std::wstring DecodeMarkedText(std::string_view bytes, const ByteOrderMark& mark) {
  if (mark.length == 0) return FromUnknown8Bit(bytes);
  switch (mark.encoding) {
    case TextEncoding::Utf16Le:
      return FromUtf16Le(bytes);
    case TextEncoding::Utf16Be:
      return FromUtf16Be(bytes);
    case TextEncoding::Latin1:
      return FromLatin1(bytes);
    case TextEncoding::Utf8:
      break;
  }
  return FromUtf8(bytes);
}

std::wstring DecodeText(std::string_view b, TextEncoding* encoding) {
  const ByteOrderMark mark = FindByteOrderMark(b);
  const std::string_view text = b.substr(mark.length);
  if (encoding) {
    *encoding = mark.length > 0     ? mark.encoding
                : IsValidUtf8(text) ? TextEncoding::Utf8
                                    : TextEncoding::Latin1;
  }
  return DecodeMarkedText(text, mark);
}

bool EncodeText(std::wstring_view text, TextEncoding encoding, bool withMark, std::string& bytes) {
  switch (encoding) {
    case TextEncoding::Latin1: {
      if (!ToLatin1(text, &bytes) || FindByteOrderMark(bytes).length > 0) return false;
      const bool plainAscii = std::all_of(
          bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
      return plainAscii || !IsValidUtf8(bytes);
    }
    case TextEncoding::Utf16Le:
      bytes = "\xFF\xFE" + ToUtf16Le(text);
      return true;
    case TextEncoding::Utf16Be:
      bytes = "\xFE\xFF" + ToUtf16Be(text);
      return true;
    case TextEncoding::Utf8:
      break;
  }
  // A reader would take a leading U+FEFF for the mark and drop it; behind a mark it stays.
  if (text.starts_with(L'\uFEFF')) withMark = true;
  bytes = withMark ? "\xEF\xBB\xBF" + ToUtf8(text) : ToUtf8(text);
  return true;
}

bool ReadTextFile(const std::wstring& path, std::wstring& text, TextEncoding* encoding) {
  return ReadUserTextFile(path, text, nullptr, kUserFileMaxBytes, encoding);
}

bool WriteTextFileUtf16Le(const std::wstring& path, std::wstring_view text) {
  return WriteFileBytes(path, "\xFF\xFE" + ToUtf16Le(text));
}

bool WriteTextFileUtf8(const std::wstring& path, std::wstring_view text) {
  return WriteFileBytes(path, ToUtf8(text));
}

bool FileExists(const std::wstring& path) {
  struct stat st {};
  return stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::wstring& path) {
  struct stat st {};
  return stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(const std::wstring& path) {
  const std::string native = NativePath(path);
  if (native.empty()) return false;
  // Create each ancestor in turn; one that exists already (or appears meanwhile) is fine.
  for (size_t slash = native.find('/', 1); slash != std::string::npos;
       slash = native.find('/', slash + 1)) {
    const std::string part = native.substr(0, slash);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) break;
  }
  mkdir(native.c_str(), 0777);
  return DirectoryExists(path);
}

bool RemoveFile(const std::wstring& path) { return unlink(NativePath(path).c_str()) == 0; }

bool RenameNoReplace(const std::wstring& from, const std::wstring& to) {
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // The file system cannot rename atomically without replacing: a hard link refuses an existing
  // target just the same.
  if (link(source.c_str(), target.c_str()) == 0) {
    unlink(source.c_str());
    return true;
  }
  if (errno != EPERM) return false;
  // No hard links either (a folder, or a file system without links): check, then rename.
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0 || errno != ENOENT) return false;
  return rename(source.c_str(), target.c_str()) == 0;
}

std::wstring FileNamePart(const std::wstring& path) {
  const size_t slash = path.rfind(L'/');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderPart(const std::wstring& path) {
  const size_t slash = path.rfind(L'/');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (folder.back() == L'/') return folder + name;
  return folder + L'/' + name;
}

std::wstring AbsolutePath(const std::wstring& path) {
  if (path.empty()) return path;
  std::error_code failed;
  const std::filesystem::path whole = std::filesystem::absolute(NativePath(path), failed);
  if (failed) return path;
  return FromUtf8(whole.lexically_normal().string());
}

std::wstring LinkTarget(const std::wstring& path) {
  const std::string native = NativePath(path);
  struct stat st {};
  if (lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = realpath(native.c_str(), nullptr);
  if (!resolved) return path;
  std::wstring target = FromUtf8(resolved);
  free(resolved);
  return target;
}

}  // namespace platform
