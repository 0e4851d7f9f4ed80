#include "mervis/ReadString.h"

#include "platform/Text.h"

namespace {

enum class Outcome { kLine, kEnd, kTooLong };

Outcome ReadAnsiLine(std::FILE* file, std::wstring* line, std::size_t maxBytes) {
  std::string bytes;
  int c;
  bool any = false;
  while ((c = std::getc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    // One byte of slack for the CR of a CR LF end.
    if (bytes.size() > maxBytes) return Outcome::kTooLong;
    bytes += static_cast<char>(c);
  }
  if (!any) return Outcome::kEnd;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  if (bytes.size() > maxBytes) return Outcome::kTooLong;
  *line = platform::FromUnknown8Bit(bytes);
  return Outcome::kLine;
}

Outcome ReadUtf16Line(std::FILE* file, std::wstring* line, std::size_t maxBytes) {
  if (std::ftell(file) == 0) {
    const int b0 = std::getc(file);
    const int b1 = b0 == EOF ? EOF : std::getc(file);
    if (!(b0 == 0xFF && b1 == 0xFE)) {
      // Not a byte-order mark: give the bytes back to the line.
      if (std::fseek(file, 0, SEEK_SET) != 0) return Outcome::kEnd;
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
    // Two bytes of slack for the CR of a CR LF end.
    if (bytes.size() > maxBytes) return Outcome::kTooLong;
    bytes += static_cast<char>(lo);
    bytes += static_cast<char>(hi);
  }
  if (!any) return Outcome::kEnd;
  if (bytes.size() >= 2 && bytes[bytes.size() - 2] == '\r' && bytes.back() == 0)
    bytes.resize(bytes.size() - 2);
  if (bytes.size() > maxBytes) return Outcome::kTooLong;
  *line = platform::FromUtf16Le(bytes);
  return Outcome::kLine;
}

}  // namespace

bool ReadString(std::FILE* file, std::wstring* line, int ansi, std::size_t maxBytes,
                bool* tooLong) {
  line->clear();
  if (tooLong) *tooLong = false;
  if (!file) return false;
  const Outcome outcome =
      ansi ? ReadAnsiLine(file, line, maxBytes) : ReadUtf16Line(file, line, maxBytes);
  if (outcome == Outcome::kTooLong && tooLong) *tooLong = true;
  return outcome == Outcome::kLine;
}
