#include "platform/UserFormat.h"

#include <cstdio>

#include "platform/CLocale.h"
#include "platform/Text.h"

namespace platform {

namespace {

// Enough for any sensible field; keeps hostile formats from asking for giant buffers.
constexpr int kMaxWidth = 4096;

enum class ValueKind { Integer, Number, Text };

struct Conversion {
  size_t start = 0;  // position of the '%'
  size_t end = 0;    // position after the conversion character
  std::string flags;
  int width = -1;
  int precision = -1;
  std::wstring length;  // as written: "", "h", "l", "ll", "I64"
  wchar_t type = 0;
  ValueKind kind = ValueKind::Integer;
};

std::wstring KindName(ValueKind kind) {
  switch (kind) {
    case ValueKind::Integer: return L"an integer value";
    case ValueKind::Number: return L"a number value";
    case ValueKind::Text: return L"a text value";
  }
  return {};
}

std::wstring Printable(wchar_t c) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
    return L"U+" + Format(L"%04X", static_cast<unsigned>(c));
  }
  return L"%" + std::wstring(1, c);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads digits at f[j] into `value`; false (with `error`) when it exceeds kMaxWidth.
bool ReadNumber(std::wstring_view f, size_t& j, int& value, const wchar_t* what,
                std::wstring& error) {
  value = 0;
  while (j < f.size() && IsDigit(f[j])) {
    value = value * 10 + (f[j] - L'0');
    if (value > kMaxWidth) {
      error = std::wstring(L"the ") + what + L" must be at most " + FromInt(kMaxWidth);
      return false;
    }
    ++j;
  }
  return true;
}

// Parses the conversion whose '%' is at f[i].
bool ParseConversion(std::wstring_view f, size_t i, Conversion& c, std::wstring& error) {
  c.start = i;
  size_t j = i + 1;
  for (; j < f.size(); ++j) {
    const wchar_t ch = f[j];
    if (ch != L'-' && ch != L'+' && ch != L' ' && ch != L'#' && ch != L'0') break;
    if (c.flags.find(static_cast<char>(ch)) == std::string::npos) c.flags += static_cast<char>(ch);
  }
  if (j < f.size() && f[j] == L'*') {
    error = L"a '*' width is not allowed";
    return false;
  }
  if (j < f.size() && IsDigit(f[j]) && !ReadNumber(f, j, c.width, L"width", error)) return false;
  if (j < f.size() && f[j] == L'.') {
    ++j;
    if (j < f.size() && f[j] == L'*') {
      error = L"a '*' precision is not allowed";
      return false;
    }
    if (!ReadNumber(f, j, c.precision, L"precision", error)) return false;
  }
  const std::wstring_view rest = f.substr(std::min(j, f.size()));
  for (const wchar_t* length : {L"I64", L"ll", L"l", L"h"}) {
    if (rest.starts_with(length)) {
      c.length = length;
      j += c.length.size();
      break;
    }
  }
  if (j >= f.size()) {
    error = L"the conversion at the end of the format is incomplete";
    return false;
  }
  c.type = f[j];
  c.end = j + 1;
  switch (c.type) {
    case L'd': case L'i': case L'u': case L'x': case L'X': case L'o':
      c.kind = ValueKind::Integer;
      return true;
    case L'f': case L'F': case L'e': case L'E': case L'g': case L'G':
      c.kind = ValueKind::Number;
      if (!c.length.empty() && c.length != L"l") break;
      return true;
    case L's':
      c.kind = ValueKind::Text;
      if (!c.length.empty() && c.length != L"l" && c.length != L"h") break;
      return true;
    default:
      error = L"conversion " + Printable(c.type) + L" is not allowed";
      return false;
  }
  error = L"the length " + c.length + L" does not fit %" + std::wstring(1, c.type);
  return false;
}

// Finds the one conversion in `f`.
bool ParseFormat(std::wstring_view f, Conversion& conversion, std::wstring& error) {
  int found = 0;
  size_t i = 0;
  while (i < f.size()) {
    if (f[i] != L'%') {
      ++i;
      continue;
    }
    if (i + 1 >= f.size()) {
      error = L"the format ends with a lone '%'";
      return false;
    }
    if (f[i + 1] == L'%') {
      i += 2;
      continue;
    }
    if (++found > 1) break;
    if (!ParseConversion(f, i, conversion, error)) return false;
    i = conversion.end;
  }
  if (found != 1) {
    error = L"the format must contain exactly one conversion";
    return false;
  }
  return true;
}

// Literal text with "%%" turned into '%'.
void AppendLiteral(std::wstring& out, std::wstring_view literal) {
  for (size_t i = 0; i < literal.size(); ++i) {
    out += literal[i];
    if (literal[i] == L'%' && i + 1 < literal.size() && literal[i + 1] == L'%') ++i;
  }
}

// The conversion as a narrow printf conversion with the given length modifier; flags that C leaves
// undefined for the conversion are dropped.
std::string NarrowSpec(const Conversion& c, const char* length) {
  std::string conversion = "%";
  const bool alternateAllowed = c.type != L'd' && c.type != L'i' && c.type != L'u';
  for (char flag : c.flags) {
    if (flag == '#' && !alternateAllowed) continue;
    conversion += flag;
  }
  if (c.width >= 0) conversion += std::to_string(c.width);
  if (c.precision >= 0) {
    conversion += '.';
    conversion += std::to_string(c.precision);
  }
  conversion += length;
  conversion += static_cast<char>(c.type);
  return conversion;
}

template <typename Value>
std::wstring PrintValue(const std::string& conversion, Value value) {
  internal::CLocaleScope cLocale;
  // Most values fit the stack buffer, so printf runs once; only a wider one is printed again.
  char small[128];
  const int n = std::snprintf(small, sizeof(small), conversion.c_str(), value);
  if (n <= 0) return {};
  if (static_cast<size_t>(n) < sizeof(small)) return std::wstring(small, small + n);  // ASCII
  std::string buffer(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(buffer.data(), buffer.size(), conversion.c_str(), value);
  buffer.resize(static_cast<size_t>(n));
  return std::wstring(buffer.begin(), buffer.end());  // printf output is ASCII here
}

std::wstring PrintText(const Conversion& c, std::wstring_view value) {
  // Width and precision count characters, which printf would count in bytes.
  if (c.precision >= 0 && value.size() > static_cast<size_t>(c.precision)) {
    value = value.substr(0, static_cast<size_t>(c.precision));
  }
  const bool left = c.flags.find('-') != std::string::npos;
  const size_t width = c.width > 0 ? static_cast<size_t>(c.width) : 0;
  if (value.size() >= width) return std::wstring(value);
  const std::wstring padding(width - value.size(),
                             (!left && c.flags.find('0') != std::string::npos) ? L'0' : L' ');
  return left ? std::wstring(value) + padding : padding + std::wstring(value);
}

// Parses `format`, checks that its conversion fits `kind`, and puts the converted value (made by
// `convert`) between the literal parts.
template <typename Convert>
std::optional<std::wstring> FormatUser(std::wstring_view format, ValueKind kind,
                                       std::wstring* error, Convert convert) {
  Conversion c;
  std::wstring problem;
  if (ParseFormat(format, c, problem) && c.kind != kind) {
    problem = L"the conversion does not fit " + KindName(kind);
  }
  if (!problem.empty()) {
    if (error) *error = problem;
    return std::nullopt;
  }
  std::wstring out;
  AppendLiteral(out, format.substr(0, c.start));
  out += convert(c);
  AppendLiteral(out, format.substr(c.end));
  return out;
}

}  // namespace

std::optional<std::wstring> FormatUserInteger(std::wstring_view format, long long value,
                                              std::wstring* error) {
  return FormatUser(format, ValueKind::Integer, error, [value](const Conversion& c) {
    // Every integer is printed at its full 64 bits whatever length the format names.
    const std::string conversion = NarrowSpec(c, "ll");
    if (c.type == L'd' || c.type == L'i') return PrintValue(conversion, value);
    return PrintValue(conversion, static_cast<unsigned long long>(value));
  });
}

std::optional<std::wstring> FormatUserNumber(std::wstring_view format, double value,
                                             std::wstring* error) {
  return FormatUser(format, ValueKind::Number, error,
                    [value](const Conversion& c) { return PrintValue(NarrowSpec(c, ""), value); });
}

std::optional<std::wstring> FormatUserText(std::wstring_view format, std::wstring_view value,
                                           std::wstring* error) {
  return FormatUser(format, ValueKind::Text, error,
                    [value](const Conversion& c) { return PrintText(c, value); });
}

}  // namespace platform
