#include "mervis/ReadString.h"

#include "platform/Text.h"

namespace {

bool ReadAnsiLine(std::FILE* file, std::wstring* line) {
  std::string bytes;
  int c;
  bool any = false;
  while ((c = std::getc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    bytes += static_cast<char>(c);
  }
  if (!any) return false;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  *line = platform::FromUnknown8Bit(bytes);
  return true;
}

bool ReadUtf16Line(std::FILE* file, std::wstring* line) {
  if (std::ftell(file) == 0) {
    const int b0 = std::getc(file);
    const int b1 = b0 == EOF ? EOF : std::getc(file);
    if (!(b0 == 0xFF && b1 == 0xFE)) {
      // Not a byte-order mark: give the bytes back to the line.
      if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    }
  }
  std::string bytes;  // UTF-16LE code units, decoded at once so surrogate pairs join
  bool any = false;
  for (;;) {
    const int lo = std::getc(file);
    if (lo == EOF) break;
    any = true;
    const int hi = std::getc(file);
    if (hi == EOF) break;  // a lone last byte is no character
    if (lo == '\n' && hi == 0) break;
    bytes += static_cast<char>(lo);
    bytes += static_cast<char>(hi);
  }
  if (!any) return false;
  if (bytes.size() >= 2 && bytes[bytes.size() - 2] == '\r' && bytes.back() == 0)
    bytes.resize(bytes.size() - 2);
  *line = platform::FromUtf16Le(bytes);
  return true;
}

}  // namespace

bool ReadString(std::FILE* file, std::wstring* line, int ansi) {
  line->clear();
  if (!file) return false;
  return ansi ? ReadAnsiLine(file, line) : ReadUtf16Line(file, line);
}
