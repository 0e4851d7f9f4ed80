#include "parlemont/CharsetEncoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "platform/Text.h"

namespace parlemont {
namespace {

class Iconv {
 public:
  explicit Iconv(const std::string& to) : cd_(iconv_open(to.c_str(), "UTF-8")) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsUtf8Name(const std::string& name) {
  std::string n;
  for (char c : name)
    if (c != '-' && c != '_') n += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return n == "utf8";
}

// Converts `in` (UTF-8) in full; false on any failure, unconvertible characters included.
bool ConvertStrict(iconv_t cd, const std::string& in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[256];
  out.clear();
  for (;;) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = srcLeft ? iconv(cd, &src, &srcLeft, &dst, &dstLeft)
                             : iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
    if (r != static_cast<size_t>(-1) && srcLeft == 0) {
      if (dst == buffer) return true;  // the shift-state reset wrote nothing more
    }
  }
}

// Every character the page markup itself is made of must come out as its ASCII byte, or the
// browser cannot find the charset declaration, let alone the tags.
bool KeepsAscii(iconv_t cd) {
  static const std::string probe =
      "<!DOCTYPE html><meta charset=\"x\"> &#;/='%:.-_ "
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\t\r\n";
  std::string out;
  return ConvertStrict(cd, probe, out) && out == probe;
}

size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

CharsetEncoder::CharsetEncoder(std::wstring_view charset) {
  const std::wstring name = platform::Trim(charset);
  const std::string narrow = platform::ToUtf8(name);
  // '/' would let a name switch on iconv's transliteration or dropping, which loses text silently.
  bool usable = !name.empty() && narrow.find('/') == std::string::npos;
  for (const char c : narrow)
    if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E) usable = false;
  if (usable && !IsUtf8Name(narrow)) {
    Iconv cd(narrow);
    usable = cd.ok() && KeepsAscii(cd.get());
    if (usable) iconvName_ = narrow;
  }
  if (usable) {
    charset_ = name;
  } else {
    charset_ = L"UTF-8";
    fellBack_ = true;
  }
}

std::string CharsetEncoder::Encode(std::wstring_view text) const {
  const std::string utf8 = platform::ToUtf8(text);
  if (iconvName_.empty()) return utf8;
  Iconv cd(iconvName_);
  if (!cd.ok()) return utf8;  // cannot happen: the name was opened in the constructor

  std::string out;
  out.reserve(utf8.size() + utf8.size() / 8);
  char* src = const_cast<char*>(utf8.data());
  size_t srcLeft = utf8.size();
  char buffer[4096];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = iconv(cd.get(), &src, &srcLeft, &dst, &dstLeft);
    const int error = r == static_cast<size_t>(-1) ? errno : 0;
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (error == 0 || error == E2BIG) continue;
    // EILSEQ (the charset lacks the character) or EINVAL (cannot happen on complete UTF-8):
    // leave any shift state, then write the character as a reference.
    dst = buffer;
    dstLeft = sizeof buffer;
    iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    const size_t length = std::min(Utf8SequenceLength(static_cast<unsigned char>(*src)), srcLeft);
    const std::wstring one = platform::FromUtf8(std::string_view(src, length));
    for (const wchar_t c : one) out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    src += length;
    srcLeft -= length;
  }
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, static_cast<size_t>(dst - buffer));
  return out;
}

}  // namespace parlemont
