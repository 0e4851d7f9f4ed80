#include "platform/Text.h"
#include "platform/Utf16Append.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <limits>
#include <utility>

#include "platform/CLocale.h"

namespace platform {

namespace internal {

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

}  // namespace internal

// ---------------------------------------------------------------------------------------------
// Substrings

std::wstring Mid(std::wstring_view s, long long start, long long count) {
  const long long length = static_cast<long long>(s.size());
  if (start < 0) start = 0;
  if (start >= length) return {};
  const long long available = length - start;
  if (count < 0 || count > available) count = available;
  return std::wstring(s.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

std::wstring Left(std::wstring_view s, long long count) {
  if (count <= 0) return {};
  if (count >= static_cast<long long>(s.size())) return std::wstring(s);
  return std::wstring(s.substr(0, static_cast<size_t>(count)));
}

std::wstring Right(std::wstring_view s, long long count) {
  if (count <= 0) return {};
  if (count >= static_cast<long long>(s.size())) return std::wstring(s);
  return std::wstring(s.substr(s.size() - static_cast<size_t>(count)));
}

// ---------------------------------------------------------------------------------------------
// Number parsing

namespace {

// The C "isspace" set in the C locale; iswspace would follow the process locale.
bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

size_t SkipBlanks(std::wstring_view s, size_t i = 0) {
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

// Reads blanks, sign and digits from s[i]; saturates at the limits of long long.
// `end` receives the position after the last digit (i unchanged when there is no digit).
long long ParseLeadingInteger(std::wstring_view s, size_t i, size_t& end, bool& overflow) {
  i = SkipBlanks(s, i);
  bool negative = false;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) {
    negative = s[i] == L'-';
    ++i;
  }
  overflow = false;
  // Accumulate as a negative number so that LLONG_MIN fits.
  long long value = 0;
  const size_t firstDigit = i;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    const int digit = s[i] - L'0';
    if (overflow) continue;
    if (value < (LLONG_MIN + digit) / 10) {
      overflow = true;
      value = LLONG_MIN;
      continue;
    }
    value = value * 10 - digit;
  }
  if (i == firstDigit) {
    end = 0;
    return 0;
  }
  end = i;
  if (negative) return value;
  if (overflow || value == LLONG_MIN) {
    overflow = true;
    return LLONG_MAX;
  }
  return -value;
}

// Length of the longest decimal-number prefix of s from `start` (sign, digits with one '.',
// optional exponent); 0 when there is none.
size_t NumberPrefixLength(std::wstring_view s, size_t start) {
  size_t i = start;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ++i;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == L'.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == L'e' || s[i] == L'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == L'+' || s[j] == L'-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i - start;
}

// Converts an ASCII number prefix already checked by NumberPrefixLength.
double ConvertNumber(std::wstring_view number) {
  std::string narrow(number.begin(), number.end());
  return strtod_l(narrow.c_str(), nullptr, internal::CLocale());
}

}  // namespace

int ToInt(std::wstring_view s) {
  const long long v = ToInt64(s);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

long long ToInt64(std::wstring_view s) {
  size_t end = 0;
  bool overflow = false;
  return ParseLeadingInteger(s, 0, end, overflow);
}

double ToDouble(std::wstring_view s) {
  const size_t start = SkipBlanks(s);
  const size_t length = NumberPrefixLength(s, start);
  if (length == 0) return 0.0;
  return ConvertNumber(s.substr(start, length));
}

bool ParseInt64(std::wstring_view s, long long& out) {
  size_t end = 0;
  bool overflow = false;
  const long long v = ParseLeadingInteger(s, 0, end, overflow);
  if (end == 0 || overflow || SkipBlanks(s, end) != s.size()) return false;
  out = v;
  return true;
}

bool ParseDouble(std::wstring_view s, double& out) {
  const size_t start = SkipBlanks(s);
  const size_t length = NumberPrefixLength(s, start);
  if (length == 0 || SkipBlanks(s, start + length) != s.size()) return false;
  const double v = ConvertNumber(s.substr(start, length));
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Number formatting

namespace {

std::wstring Widen(const char* first, const char* last) { return std::wstring(first, last); }

}  // namespace

std::wstring FromInt(long long v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return Widen(buffer, result.ptr);
}

std::wstring FromUInt(unsigned long long v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return Widen(buffer, result.ptr);
}

std::wstring FormatFixed(double v, int decimals) {
  // A negative precision means the printf default; a huge one is only padding with zeros.
  if (decimals < 0) decimals = 6;
  if (decimals > 1074) decimals = 1074;
  std::string buffer(static_cast<size_t>(decimals) + 330, '\0');
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return {};
  return Widen(buffer.data(), result.ptr);
}

std::wstring FormatGeneral(double v) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
  if (result.ec != std::errc()) return {};
  return Widen(buffer, result.ptr);
}

std::wstring Format(const wchar_t* format, ...) {
  if (format == nullptr) return {};
  // vswprintf cannot say how long the result would be, so grow until it fits; an encoding error
  // is told apart from a short buffer by errno.
  constexpr size_t kMaxLength = size_t(1) << 24;
  internal::CLocaleScope cLocale;
  std::wstring buffer(256, L'\0');
  for (;;) {
    va_list args;
    va_start(args, format);
    errno = 0;
    const int n = vswprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    if (n >= 0) {
      buffer.resize(static_cast<size_t>(n));
      return buffer;
    }
    if (errno == EILSEQ || errno == EINVAL || buffer.size() >= kMaxLength) return {};
    buffer.assign(buffer.size() * 4, L'\0');
  }
}

// ---------------------------------------------------------------------------------------------
// Case mapping

namespace {

// Ranges whose upper- and lower-case letters form pairs. `delta` > 0: lower = upper + delta for
// every upper in [first, last]. `delta` == 0: alternating pairs starting at `first` (upper, lower,
// upper, ...) up to `last`.
struct CaseRange {
  wchar_t first;
  wchar_t last;
  int delta;
};

constexpr CaseRange kCaseRanges[] = {
    {L'A', L'Z', 32},
    {0x00C0, 0x00D6, 32},  // Latin-1 letters; 0x00D7 is the multiplication sign
    {0x00D8, 0x00DE, 32},
    {0x0100, 0x012F, 0},  // Latin Extended-A (dotted/dotless i and others without a pair skipped)
    {0x0132, 0x0137, 0},
    {0x0139, 0x0148, 0},
    {0x014A, 0x0177, 0},
    {0x0179, 0x017E, 0},
    {0x0370, 0x0373, 0},  // Greek
    {0x0376, 0x0377, 0},
    {0x0388, 0x038A, 37},
    {0x038E, 0x038F, 63},
    {0x0391, 0x03A1, 32},
    {0x03A3, 0x03AB, 32},
    {0x03D8, 0x03EF, 0},
    {0x0400, 0x040F, 80},  // Cyrillic
    {0x0410, 0x042F, 32},
    {0x0460, 0x0481, 0},
    {0x048A, 0x04BF, 0},
    {0x04C1, 0x04CE, 0},
    {0x04D0, 0x052F, 0},
};

// Single pairs that fit no range.
struct CasePair {
  wchar_t upper;
  wchar_t lower;
};

constexpr CasePair kCasePairs[] = {
    {0x0178, 0x00FF},  // Y with diaeresis
    {0x0386, 0x03AC},  // Greek Alpha with tonos
    {0x038C, 0x03CC},  // Greek Omicron with tonos
    {0x04C0, 0x04CF},  // Cyrillic palochka
};

}  // namespace

wchar_t ToLowerChar(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  for (const CaseRange& r : kCaseRanges) {
    if (c < r.first || c > r.last) continue;
    if (r.delta > 0) return static_cast<wchar_t>(c + r.delta);
    return ((c - r.first) % 2 == 0) ? static_cast<wchar_t>(c + 1) : c;
  }
  for (const CasePair& p : kCasePairs) {
    if (c == p.upper) return p.lower;
  }
  return c;
}

wchar_t ToUpperChar(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
  if (c == 0x03C2) return 0x03A3;  // final sigma: upper case only, lower case stays the plain one
  for (const CaseRange& r : kCaseRanges) {
    if (r.delta > 0) {
      if (c >= r.first + r.delta && c <= r.last + r.delta) return static_cast<wchar_t>(c - r.delta);
      continue;
    }
    if (c < r.first || c > r.last) continue;
    return ((c - r.first) % 2 == 1) ? static_cast<wchar_t>(c - 1) : c;
  }
  for (const CasePair& p : kCasePairs) {
    if (c == p.lower) return p.upper;
  }
  return c;
}

std::wstring ToLower(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = ToLowerChar(c);
  return out;
}

std::wstring ToUpper(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = ToUpperChar(c);
  return out;
}

namespace {

// Through upper case first so that letters with two lower-case forms (final sigma) compare equal.
wchar_t FoldCase(wchar_t c) { return ToLowerChar(ToUpperChar(c)); }

}  // namespace

int CompareNoCase(std::wstring_view a, std::wstring_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const wchar_t x = FoldCase(a[i]);
    const wchar_t y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

// ---------------------------------------------------------------------------------------------
// Trimming, replacing, splitting

std::wstring Trim(std::wstring_view s, std::wstring_view chars) {
  return TrimLeft(TrimRight(s, chars), chars);
}

std::wstring TrimLeft(std::wstring_view s, std::wstring_view chars) {
  const size_t first = s.find_first_not_of(chars);
  if (first == std::wstring_view::npos) return {};
  return std::wstring(s.substr(first));
}

std::wstring TrimRight(std::wstring_view s, std::wstring_view chars) {
  const size_t last = s.find_last_not_of(chars);
  if (last == std::wstring_view::npos) return {};
  return std::wstring(s.substr(0, last + 1));
}

std::wstring ReplaceAll(std::wstring_view s, std::wstring_view from, std::wstring_view to) {
  if (from.empty()) return std::wstring(s);
  std::wstring out;
  out.reserve(s.size());
  size_t pos = 0;
  for (;;) {
    const size_t hit = s.find(from, pos);
    if (hit == std::wstring_view::npos) break;
    out.append(s.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::vector<std::wstring> Split(std::wstring_view s, wchar_t separator) {
  std::vector<std::wstring> fields;
  size_t pos = 0;
  for (;;) {
    const size_t hit = s.find(separator, pos);
    if (hit == std::wstring_view::npos) break;
    fields.emplace_back(s.substr(pos, hit - pos));
    pos = hit + 1;
  }
  fields.emplace_back(s.substr(pos));
  return fields;
}

bool StartsWith(std::wstring_view s, std::wstring_view prefix) { return s.starts_with(prefix); }
bool EndsWith(std::wstring_view s, std::wstring_view suffix) { return s.ends_with(suffix); }

// ---------------------------------------------------------------------------------------------
// Encodings

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalarValue(long cp) { return cp >= 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

// Decodes one UTF-8 sequence at s[i]. Returns the code point, or kReplacement with `valid` false
// for an invalid sequence; `length` is the number of bytes consumed (the maximal invalid
// subpart, so that one bad sequence becomes one U+FFFD).
char32_t DecodeUtf8(std::string_view s, size_t i, size_t& length, bool& valid) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  valid = true;
  length = 1;
  if (lead < 0x80) return lead;

  size_t needed;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  char32_t cp;
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    valid = false;
    return kReplacement;
  }
  for (size_t k = 1; k <= needed; ++k) {
    if (i + k >= s.size()) {
      valid = false;
      length = k;
      return kReplacement;
    }
    const unsigned char b = byte(i + k);
    const unsigned char lo = (k == 1) ? low : 0x80;
    const unsigned char hi = (k == 1) ? high : 0xBF;
    if (b < lo || b > hi) {
      valid = false;
      length = k;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  length = needed + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t ScalarOrReplacement(wchar_t c) {
  const long cp = static_cast<long>(c);
  return IsScalarValue(cp) ? static_cast<char32_t>(cp) : kReplacement;
}

// Appends one code point as UTF-16 code units through `put`.
template <typename Put>
void EncodeUtf16(char32_t cp, Put put) {
  if (cp < 0x10000) {
    put(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    put(static_cast<char16_t>(0xD800 + (cp >> 10)));
    put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Decodes `count` UTF-16 code units read through `unit(k)`; lone surrogates become U+FFFD.
template <typename Unit>
void DecodeUtf16(size_t count, Unit unit, std::wstring& out) {
  out.clear();
  out.reserve(count);
  for (size_t k = 0; k < count; ++k) {
    const char16_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < count) {
      const char16_t next = unit(k + 1);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
        ++k;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      out += static_cast<wchar_t>(kReplacement);
    } else {
      out += static_cast<wchar_t>(u);
    }
  }
}

std::wstring FromUtf16Bytes(std::string_view bytes, bool littleEndian) {
  const auto unit = [&](size_t k) {
    const auto b0 = static_cast<unsigned char>(bytes[2 * k]);
    const auto b1 = static_cast<unsigned char>(bytes[2 * k + 1]);
    return static_cast<char16_t>(littleEndian ? (b0 | (b1 << 8)) : ((b0 << 8) | b1));
  };
  std::wstring out;
  DecodeUtf16(bytes.size() / 2, unit, out);
  if (bytes.size() % 2 != 0) out += static_cast<wchar_t>(kReplacement);  // cut-off last unit
  return out;
}

}  // namespace

std::string ToUtf8(std::wstring_view s) {
  std::string out;
  ToUtf8(s, &out);
  return out;
}

void ToUtf8(std::wstring_view s, std::string* out) {
  out->clear();
  out->reserve(s.size());
  for (wchar_t c : s) AppendUtf8(*out, ScalarOrReplacement(c));
}

std::wstring FromUtf8(std::string_view s) {
  std::wstring out;
  FromUtf8(s, &out);
  return out;
}

void FromUtf8(std::string_view s, std::wstring* out) {
  out->clear();
  out->reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    size_t length;
    bool valid;
    *out += static_cast<wchar_t>(DecodeUtf8(s, i, length, valid));
    i += length;
  }
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    size_t length;
    bool valid;
    DecodeUtf8(s, i, length, valid);
    if (!valid) return false;
    i += length;
  }
  return true;
}

std::wstring FromLatin1(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  for (char c : s) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

bool ToLatin1(std::wstring_view s, std::string* out) {
  out->clear();
  out->reserve(s.size());
  for (wchar_t c : s) {
    if (c < 0 || c > 0xFF) return false;
    *out += static_cast<char>(c);
  }
  return true;
}

std::wstring FromUnknown8Bit(std::string_view s) {
  return IsValidUtf8(s) ? FromUtf8(s) : FromLatin1(s);
}

void AppendUtf16Le(std::string& out, std::wstring_view s) {
  const size_t start = out.size();
  out.resize(start + s.size() * 2);
  char* at = out.data() + start;
  for (wchar_t c : s) {
    // Below the surrogates every character is one unit: no call, no growing.
    if (c >= 0 && c < 0xD800) {
      at[0] = static_cast<char>(c & 0xFF);
      at[1] = static_cast<char>(c >> 8);
      at += 2;
      continue;
    }
    const size_t used = static_cast<size_t>(at - out.data());
    out.resize(out.size() + 2);  // room for a second unit; the unused tail is cut below
    at = out.data() + used;
    EncodeUtf16(ScalarOrReplacement(c), [&](char16_t u) {
      at[0] = static_cast<char>(u & 0xFF);
      at[1] = static_cast<char>(u >> 8);
      at += 2;
    });
  }
  out.resize(static_cast<size_t>(at - out.data()));
}

std::string ToUtf16Le(std::wstring_view s) {
  std::string out;
  AppendUtf16Le(out, s);
  return out;
}

std::string ToUtf16Be(std::wstring_view s) {
  std::string out = ToUtf16Le(s);
  for (size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
  return out;
}

std::wstring FromUtf16Le(std::string_view bytes) { return FromUtf16Bytes(bytes, true); }
std::wstring FromUtf16Be(std::string_view bytes) { return FromUtf16Bytes(bytes, false); }

std::u16string ToUtf16(std::wstring_view s) {
  std::u16string out;
  ToUtf16(s, &out);
  return out;
}

void ToUtf16(std::wstring_view s, std::u16string* out) {
  out->clear();
  out->reserve(s.size());
  for (wchar_t c : s) EncodeUtf16(ScalarOrReplacement(c), [&](char16_t u) { *out += u; });
}

std::wstring FromUtf16(std::u16string_view s) {
  std::wstring out;
  FromUtf16(s, &out);
  return out;
}

void FromUtf16(std::u16string_view s, std::wstring* out) {
  DecodeUtf16(s.size(), [&](size_t k) { return s[k]; }, *out);
}

}  // namespace platform
