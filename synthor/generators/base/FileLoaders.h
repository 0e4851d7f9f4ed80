#pragma once
// The loaders the file-based generators share: byte-order-mark detection, reading a file into
// memory with a size cap, and cutting lines out of that memory in a given encoding. Files are
// opened through platform::OpenUserFile: patterns name files freely, and a FIFO, a terminal or a
// device would block or never end.
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"

class SYNTHOR_API FileLoaders {
 public:
  // A parameter like "99999999999" or a huge file must not turn into a huge allocation.
  static constexpr std::size_t kMaxFileBytes = 16u * 1024u * 1024u;
  // Enough lines for a syntax check to see what a file holds, without reading it all.
  static constexpr int kCheckModeLines = 502;

  // The file's byte-order mark as every user file is read (platform::ReadByteOrderMark): FF FE
  // little-endian, FE FF big-endian; anything else (also a file shorter than two bytes) is 8-bit
  // text. The file is left after the mark, a UTF-8 one included, or at its start.
  static IGenerator::F_ENCODING CheckUnicode(std::FILE* file);
  // Reads from the current position, at most `limit` bytes; empty when nothing could be read.
  static std::string LoadFile(std::FILE* file, std::size_t limit = kMaxFileBytes);
  // Takes the next line out of `data` from `*position` up to a line feed or the end, advancing
  // past every byte consumed. Trailing CR and LF are dropped. 8-bit lines are UTF-8 when valid,
  // else one character per byte. 1 when the line is not empty, else 0 (an empty line and the end
  // of the data look the same, which is what ends a list).
  static int ReadString(std::string_view data, std::size_t* position, std::wstring* line,
                        IGenerator::F_ENCODING encoding);
  // Opens `path` (already expanded), detects its encoding and hands each line to `take` until the
  // first empty line, or after kCheckModeLines lines in check-syntax mode. False when the file
  // cannot be opened or read; `take` may throw std::bad_alloc, which the caller handles.
  static bool ForEachLine(const std::wstring& path,
                          const std::function<void(const std::wstring&)>& take);
};
