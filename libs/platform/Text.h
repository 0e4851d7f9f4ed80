#pragma once
// Text helpers used everywhere. Strings are std::wstring (one code point per wchar_t).
// Nothing here depends on the process locale and nothing throws on out-of-range input.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Clamped substrings: a start or count outside the text is cut to the text, never throws.
std::wstring Mid(std::wstring_view s, long long start, long long count = -1);  // count < 0: to the end
std::wstring Left(std::wstring_view s, long long count);
std::wstring Right(std::wstring_view s, long long count);

// _wtoi-style parsing: skip leading blanks, optional sign, leading digits; 0 when there are none;
// saturates at the type's limits instead of overflowing.
int ToInt(std::wstring_view s);
long long ToInt64(std::wstring_view s);
// wcstod-style: leading blanks, then the longest number prefix ("1.5e3", "-.5"); '.' is the only
// decimal point whatever the locale; 0.0 when there is none.
double ToDouble(std::wstring_view s);
// The whole text (blanks around allowed) must be a number; false otherwise and `out` unchanged.
bool ParseInt64(std::wstring_view s, long long& out);
bool ParseDouble(std::wstring_view s, double& out);

// Locale-independent number formatting.
std::wstring FromInt(long long v);
std::wstring FromUInt(unsigned long long v);
std::wstring FormatFixed(double v, int decimals);  // like "%.*f"
std::wstring FormatGeneral(double v);              // like "%g"

// printf-style formatting of the program's own constant formats, always in the "C" locale.
// Wide strings must be passed with %ls only: in a wide format "%s" takes a narrow char* here.
// "" when the result cannot be formatted (an invalid character, or more than 16M characters).
std::wstring Format(const wchar_t* format, ...);

// Case handling that does not depend on the process locale (simple one-to-one case mapping).
wchar_t ToLowerChar(wchar_t c);
wchar_t ToUpperChar(wchar_t c);
std::wstring ToLower(std::wstring_view s);
std::wstring ToUpper(std::wstring_view s);
int CompareNoCase(std::wstring_view a, std::wstring_view b);  // <0, 0, >0
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

std::wstring Trim(std::wstring_view s, std::wstring_view chars = L" \t\r\n");
std::wstring TrimLeft(std::wstring_view s, std::wstring_view chars = L" \t\r\n");
std::wstring TrimRight(std::wstring_view s, std::wstring_view chars = L" \t\r\n");
std::wstring ReplaceAll(std::wstring_view s, std::wstring_view from, std::wstring_view to);
std::vector<std::wstring> Split(std::wstring_view s, wchar_t separator);  // keeps empty fields
bool StartsWith(std::wstring_view s, std::wstring_view prefix);
bool EndsWith(std::wstring_view s, std::wstring_view suffix);

// Encodings. Invalid input never throws: bad UTF-8 sequences and lone surrogates become U+FFFD.
// The conversions that take an output replace its text and keep its memory, for callers that
// convert in a loop.
std::string ToUtf8(std::wstring_view s);
void ToUtf8(std::wstring_view s, std::string* out);
std::wstring FromUtf8(std::string_view s);
void FromUtf8(std::string_view s, std::wstring* out);
bool IsValidUtf8(std::string_view s);
std::wstring FromLatin1(std::string_view s);
// False (and `out` unspecified) when a character lies above U+00FF, which Latin-1 cannot hold.
bool ToLatin1(std::wstring_view s, std::string* out);
// "ANSI" text of unknown encoding: UTF-8 when it is valid UTF-8, else byte by byte (Latin-1).
std::wstring FromUnknown8Bit(std::string_view s);
std::string ToUtf16Le(std::wstring_view s);  // bytes, surrogate pairs above U+FFFF
std::wstring FromUtf16Le(std::string_view bytes);
std::string ToUtf16Be(std::wstring_view s);  // bytes, surrogate pairs above U+FFFF
std::wstring FromUtf16Be(std::string_view bytes);
std::u16string ToUtf16(std::wstring_view s);
void ToUtf16(std::wstring_view s, std::u16string* out);
std::wstring FromUtf16(std::u16string_view s);
void FromUtf16(std::u16string_view s, std::wstring* out);

}  // namespace platform
