#include "mervis/ReadString.h"

#include "platform/Text.h"

namespace {

enum class Outcome { kLine, kEnd, kTooLong };

Outcome ReadAnsiLine(std::FILE* file, std::wstring* line, const platform::ByteOrderMark& mark,
                     std::size_t maxBytes) {
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
  *line = platform::DecodeMarkedText(bytes, mark);
  return Outcome::kLine;
}

Outcome ReadUtf16Line(std::FILE* file, std::wstring* line, const platform::ByteOrderMark& mark,
                      std::size_t maxBytes) {
  const bool little = mark.encoding == platform::TextEncoding::Utf16Le;
  if (std::ftell(file) == 0) {
    char head[2] = {0, 0};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    const platform::ByteOrderMark found = platform::FindByteOrderMark(std::string_view(head, got));
    if (!(found.Utf16() && found.encoding == mark.encoding)) {
      // Not the file's byte-order mark: give the bytes back to the line.
      if (std::fseek(file, 0, SEEK_SET) != 0) return Outcome::kEnd;
    }
  }
  std::string bytes;  // UTF-16 code units, decoded at once so surrogate pairs join
  bool any = false;
  for (;;) {
    const int first = std::getc(file);
    if (first == EOF) break;
    any = true;
    const int second = std::getc(file);
    if (second == EOF) break;  // a lone last byte is no character
    const int lo = little ? first : second;
    const int hi = little ? second : first;
    if (lo == '\n' && hi == 0) break;
    // Two bytes of slack for the CR of a CR LF end.
    if (bytes.size() > maxBytes) return Outcome::kTooLong;
    bytes += static_cast<char>(first);
    bytes += static_cast<char>(second);
  }
  if (!any) return Outcome::kEnd;
  if (bytes.size() >= 2) {
    const char lo = bytes[bytes.size() - (little ? 2 : 1)];
    const char hi = bytes[bytes.size() - (little ? 1 : 2)];
    if (lo == '\r' && hi == 0) bytes.resize(bytes.size() - 2);
  }
  if (bytes.size() > maxBytes) return Outcome::kTooLong;
  *line = platform::DecodeMarkedText(bytes, mark);
  return Outcome::kLine;
}

}  // namespace

bool ReadString(std::FILE* file, std::wstring* line, const platform::ByteOrderMark& mark,
                std::size_t maxBytes, bool* tooLong) {
  line->clear();
  if (tooLong) *tooLong = false;
  if (!file) return false;
  const Outcome outcome = mark.Utf16() ? ReadUtf16Line(file, line, mark, maxBytes)
                                       : ReadAnsiLine(file, line, mark, maxBytes);
  if (outcome == Outcome::kTooLong && tooLong) *tooLong = true;
  return outcome == Outcome::kLine;
}

bool ReadString(std::FILE* file, std::wstring* line, int ansi, std::size_t maxBytes,
                bool* tooLong) {
  const platform::ByteOrderMark mark =
      ansi ? platform::ByteOrderMark{}
           : platform::ByteOrderMark{2, platform::TextEncoding::Utf16Le};
  return ReadString(file, line, mark, maxBytes, tooLong);
}
