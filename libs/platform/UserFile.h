#pragma once
// Every file a user names (a project, a script, a value file, a report template, a file a value
// pattern reads) is opened here. Only regular files are read: a FIFO without a writer, a terminal
// or /dev/zero named by mistake would otherwise block a run or fill the memory. The open never
// waits (O_NONBLOCK, dropped once the file is known to be regular), the descriptor is
// close-on-exec, whole-file reads stop at a size cap and line readers at a line cap, and every
// refusal comes with a text that names the file and the cause.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/TextFile.h"

namespace platform {

// Whole-file reads: larger files are refused rather than half read.
inline constexpr std::size_t kUserFileMaxBytes = 256u * 1024u * 1024u;
// Line readers: a longer line is refused (a file without line ends is not a value file).
inline constexpr std::size_t kUserLineMaxBytes = 64u * 1024u * 1024u;

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for reading in binary mode when it is a regular file; null otherwise, with the
// reason in `*error` (when given).
UniqueFile OpenUserFile(const std::wstring& path, std::wstring* error = nullptr);

// Reads the byte-order mark at the start of an open file and leaves the file after it, or at its
// start when there is none (FindByteOrderMark).
ByteOrderMark ReadByteOrderMark(std::FILE* file);

// Reads a whole regular file of at most `maxBytes` bytes.
bool ReadUserFileBytes(const std::wstring& path, std::string& bytes, std::wstring* error = nullptr,
                       std::size_t maxBytes = kUserFileMaxBytes);

// Reads a whole regular text file decoded by its byte-order mark (DecodeText).
bool ReadUserTextFile(const std::wstring& path, std::wstring& text, std::wstring* error = nullptr,
                      std::size_t maxBytes = kUserFileMaxBytes, TextEncoding* encoding = nullptr);

}  // namespace platform
