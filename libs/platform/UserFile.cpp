#include "platform/UserFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/Text.h"

namespace platform {

namespace {

void SetError(std::wstring* error, const std::wstring& text) {
  if (error) *error = text;
}

std::wstring SystemError(int code) { return FromUnknown8Bit(std::strerror(code)); }

std::wstring MiB(std::size_t bytes) { return FromUInt(bytes / (1024u * 1024u)) + L" MiB"; }

// An open descriptor of a regular file, or -1 with the reason.
int OpenRegular(const std::wstring& path, std::wstring* error) {
  if (path.empty()) {
    SetError(error, L"No file name was given.");
    return -1;
  }
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int code = errno;
    if (code == ENOENT)
      SetError(error, L"The file '" + path + L"' does not exist.");
    else
      SetError(error, L"Could not open '" + path + L"': " + SystemError(code) + L".");
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    SetError(error, S_ISDIR(st.st_mode) ? L"'" + path + L"' is a folder, not a file."
                                        : L"'" + path + L"' is not a regular file.");
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

UniqueFile OpenUserFile(const std::wstring& path, std::wstring* error) {
  const int fd = OpenRegular(path, error);
  if (fd < 0) return nullptr;
  UniqueFile file(::fdopen(fd, "rb"));
  if (!file) {
    const int code = errno;
    ::close(fd);
    SetError(error, L"Could not open '" + path + L"': " + SystemError(code) + L".");
  }
  return file;
}

ByteOrderMark ReadByteOrderMark(std::FILE* file) {
  if (!file) return {};
  std::rewind(file);
  char head[3] = {0, 0, 0};
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  const ByteOrderMark mark = FindByteOrderMark(std::string_view(head, got));
  std::fseek(file, static_cast<long>(mark.length), SEEK_SET);
  return mark;
}

bool ReadUserFileBytes(const std::wstring& path, std::string& bytes, std::wstring* error,
                       std::size_t maxBytes) {
  const int fd = OpenRegular(path, error);
  if (fd < 0) return false;
  std::string data;
  bool ok = true;
  try {
    struct stat st {};
    std::size_t expected = 0;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
      if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        SetError(error, L"The file '" + path + L"' is larger than " + MiB(maxBytes) + L".");
        return false;
      }
      expected = static_cast<std::size_t>(st.st_size);
    }
    // Straight into the result (worker threads have small stacks): first the size the file
    // reports and one byte more to meet its end, then blocks for a file that grew or, like the
    // files of /proc, reports no size.
    std::size_t block = expected > 0 ? expected + 1 : 4096;
    for (;;) {
      const std::size_t have = data.size();
      if (have >= maxBytes + 1) break;
      data.resize(have + block);
      const ssize_t n = ::read(fd, data.data() + have, block);
      if (n < 0) {
        data.resize(have);
        if (errno == EINTR) continue;
        SetError(error, L"Could not read '" + path + L"': " + SystemError(errno) + L".");
        ok = false;
        break;
      }
      data.resize(have + static_cast<std::size_t>(n));
      if (n == 0) break;
      block = 65536;
    }
  } catch (const std::bad_alloc&) {
    SetError(error, L"Not enough memory to read '" + path + L"'.");
    ok = false;
  }
  ::close(fd);
  if (ok && data.size() > maxBytes) {
    SetError(error, L"The file '" + path + L"' is larger than " + MiB(maxBytes) + L".");
    ok = false;
  }
  if (ok) bytes = std::move(data);
  return ok;
}

bool ReadUserTextFile(const std::wstring& path, std::wstring& text, std::wstring* error,
                      std::size_t maxBytes, TextEncoding* encoding) {
  std::string bytes;
  if (!ReadUserFileBytes(path, bytes, error, maxBytes)) return false;
  try {
    text = DecodeText(bytes, encoding);
  } catch (const std::bad_alloc&) {
    SetError(error, L"Not enough memory to read '" + path + L"'.");
    return false;
  }
  return true;
}

}  // namespace platform
