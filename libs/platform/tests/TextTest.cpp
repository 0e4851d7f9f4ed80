#include "platform/Text.h"

#include <clocale>
#include <cmath>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/Process.h"
#include "platform/Utf16Append.h"
#include "platform/UserFormat.h"

namespace platform {
namespace {

constexpr long long kMin = std::numeric_limits<long long>::min();
constexpr long long kMax = std::numeric_limits<long long>::max();

TEST(TextSubstrings, ClampOutOfRangeArguments) {
  struct Case {
    long long start, count;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {2, 2, L"cd"},   {-5, 2, L"ab"},     {4, 100, L"ef"},      {10, 1, L""},
      {6, 1, L""},     {3, -1, L"def"},    {kMin, kMax, L"abcdef"}, {kMax, kMax, L""},
      {2, kMax, L"cdef"}, {0, 0, L""},     {1, kMin, L"bcdef"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Mid(L"abcdef", c.start, c.count), c.expected) << c.start << "," << c.count;
  }
  EXPECT_EQ(Mid(L"abcdef", 4), L"ef");
  EXPECT_EQ(Left(L"abcdef", 2), L"ab");
  EXPECT_EQ(Left(L"abcdef", -1), L"");
  EXPECT_EQ(Left(L"abcdef", kMax), L"abcdef");
  EXPECT_EQ(Left(L"abcdef", kMin), L"");
  EXPECT_EQ(Right(L"abcdef", 2), L"ef");
  EXPECT_EQ(Right(L"abcdef", kMax), L"abcdef");
  EXPECT_EQ(Right(L"abcdef", kMin), L"");
  EXPECT_EQ(Right(L"", 3), L"");
}

TEST(TextParsing, IntegersSkipBlanksAndSaturate) {
  struct Case {
    const wchar_t* text;
    int expected;
  };
  const Case cases[] = {
      {L"  -12abc", -12},         {L"99999999999", INT_MAX}, {L"-99999999999", INT_MIN},
      {L"", 0},                   {L"abc", 0},               {L"+7", 7},
      {L"\t\n 42", 42},           {L"- 5", 0},               {L"2147483647", INT_MAX},
      {L"-2147483648", INT_MIN},  {L"0x1F", 0},              {L"1 2", 1},
      {L"99999999999999999999999999", INT_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(ToInt(c.text), c.expected) << '"' << c.text << '"';

  struct Case64 {
    const wchar_t* text;
    long long expected;
  };
  const Case64 cases64[] = {
      {L"9223372036854775807", kMax},  {L"9223372036854775808", kMax},
      {L"-9223372036854775808", kMin}, {L"-9223372036854775809", kMin},
      {L" 12345678901234x", 12345678901234LL}, {L"-", 0},
  };
  for (const Case64& c : cases64) EXPECT_EQ(ToInt64(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextParsing, DoublesTakeTheLongestNumberPrefix) {
  struct Case {
    const wchar_t* text;
    double expected;
  };
  const Case cases[] = {
      {L"1.5e3", 1500.0}, {L"-.5", -0.5},  {L"  3.25xyz", 3.25}, {L"1,5", 1.0},
      {L"1e", 1.0},       {L"1e+", 1.0},   {L".", 0.0},          {L"", 0.0},
      {L"+2.5E-1", 0.25}, {L"0x10", 0.0},  {L"7.", 7.0},         {L"inf", 0.0},
  };
  for (const Case& c : cases) EXPECT_EQ(ToDouble(c.text), c.expected) << '"' << c.text << '"';
  EXPECT_TRUE(std::isinf(ToDouble(L"1e400")));
}

TEST(TextParsing, WholeTextParsersRefuseTrailingJunkAndOverflow) {
  long long i = 5;
  EXPECT_TRUE(ParseInt64(L" -42 ", i));
  EXPECT_EQ(i, -42);
  for (const wchar_t* bad : {L"42x", L"", L"  ", L"9223372036854775808", L"+", L"4 2"}) {
    i = 5;
    EXPECT_FALSE(ParseInt64(bad, i)) << '"' << bad << '"';
    EXPECT_EQ(i, 5);
  }
  double d = 5;
  EXPECT_TRUE(ParseDouble(L"\t1.25e2\n", d));
  EXPECT_EQ(d, 125.0);
  for (const wchar_t* bad : {L"1.5x", L"", L"1e999", L"1,5", L".", L"nan"}) {
    d = 5;
    EXPECT_FALSE(ParseDouble(bad, d)) << '"' << bad << '"';
    EXPECT_EQ(d, 5.0);
  }
}

// Formatting must print what printf prints in the "C" locale.
TEST(TextFormatting, NumbersMatchPrintfInTheCLocale) {
  const double values[] = {0.0,  -0.0,    1.5,     2.5,     1e21,    123456789.0, 1e-7,
                           0.1,  -1234.5678, DBL_MAX, DBL_MIN, 1.005, -0.0001,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  char expected[1024];
  for (double v : values) {
    for (int decimals : {0, 2, 6, 17}) {
      std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
      EXPECT_EQ(ToUtf8(FormatFixed(v, decimals)), expected) << v << " " << decimals;
    }
    std::snprintf(expected, sizeof expected, "%g", v);
    EXPECT_EQ(ToUtf8(FormatGeneral(v)), expected) << v;
  }
  EXPECT_EQ(FormatFixed(1.5, -3), L"1.500000");
  EXPECT_EQ(FromInt(kMin), L"-9223372036854775808");
  EXPECT_EQ(FromUInt(~0ULL), L"18446744073709551615");
}

TEST(TextFormatting, FormatTakesWideStringsAndLongResults) {
  EXPECT_EQ(Format(L"%d-%ls-%.3f", 5, L"\u00e4\u20ac\U0001F600", 2.5),
            L"5-\u00e4\u20ac\U0001F600-2.500");
  const std::wstring longText(10000, L'x');
  EXPECT_EQ(Format(L"<%ls>", longText.c_str()), L"<" + longText + L">");
  EXPECT_EQ(Format(L"%5.1f%%", 12.34), L" 12.3%");
  EXPECT_EQ(Format(nullptr), L"");
}

// The locale names this machine has (`locale -a`), after a few common ones with a decimal comma
// that setlocale may find even when they are not listed (LOCPATH).
std::vector<std::string> AvailableLocales() {
  std::vector<std::string> names = {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
  std::string listing;
  if (RunAndWait(L"locale", {L"-a"}, &listing) != 0) return names;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

// Sets the process locale for one test and puts "C" back afterwards.
class ProcessLocale {
 public:
  ~ProcessLocale() { std::setlocale(LC_ALL, "C"); }
  // The first available locale that `accept`s after being set; "" when none.
  template <typename Accept>
  std::string SetFirst(Accept accept) {
    for (const std::string& name : AvailableLocales()) {
      if (name == "C" || name == "POSIX") continue;
      if (std::setlocale(LC_ALL, name.c_str()) && accept()) return name;
    }
    std::setlocale(LC_ALL, "C");
    return {};
  }
};

TEST(TextLocale, DecimalCommaLocaleDoesNotChangeNumbers) {
  ProcessLocale locale;
  const std::string name =
      locale.SetFirst([] { return std::string(std::localeconv()->decimal_point) == ","; });
  if (name.empty()) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  EXPECT_EQ(ToDouble(L"1.5"), 1.5) << name;
  double d = 0;
  EXPECT_TRUE(ParseDouble(L"2.25", d));
  EXPECT_EQ(d, 2.25);
  EXPECT_EQ(FormatFixed(1.5, 2), L"1.50");
  EXPECT_EQ(FormatGeneral(0.5), L"0.5");
  EXPECT_EQ(Format(L"%.2f", 1.5), L"1.50");
  EXPECT_EQ(FormatUserNumber(L"%.1f", 2.5).value_or(L"?"), L"2.5");
}

TEST(TextLocale, FormatIgnoresAnyProcessLocale) {
  ProcessLocale locale;
  const std::string name = locale.SetFirst([] { return true; });
  if (name.empty()) GTEST_SKIP() << "no locale other than C on this machine";
  EXPECT_EQ(Format(L"%.2f", 1.5), L"1.50") << name;
  EXPECT_EQ(Format(L"%ls", L"\u00e4\U0001F600"), L"\u00e4\U0001F600") << name;
  EXPECT_EQ(ToUpper(L"i\u00e4"), L"I\u00c4") << name;
}

TEST(TextCase, SimpleMappingInBothDirections) {
  struct Pair {
    wchar_t upper, lower;
  };
  const Pair pairs[] = {
      {L'A', L'a'},     {0x00C4, 0x00E4}, {0x00DE, 0x00FE}, {0x0178, 0x00FF}, {0x0100, 0x0101},
      {0x0141, 0x0142}, {0x017D, 0x017E}, {0x0152, 0x0153}, {0x03A3, 0x03C3}, {0x0386, 0x03AC},
      {0x038F, 0x03CE}, {0x0391, 0x03B1}, {0x0416, 0x0436}, {0x0401, 0x0451}, {0x0462, 0x0463},
      {0x04C1, 0x04C2}, {0x04C0, 0x04CF}, {0x04D0, 0x04D1},
  };
  for (const Pair& p : pairs) {
    EXPECT_EQ(ToLowerChar(p.upper), p.lower) << std::hex << int(p.upper);
    EXPECT_EQ(ToUpperChar(p.lower), p.upper) << std::hex << int(p.lower);
    EXPECT_EQ(ToLowerChar(p.lower), p.lower) << std::hex << int(p.lower);
    EXPECT_EQ(ToUpperChar(p.upper), p.upper) << std::hex << int(p.upper);
  }
  // Characters without a one-to-one partner stay as they are.
  for (wchar_t c : {L'1', L'_', wchar_t(0x00D7), wchar_t(0x00F7), wchar_t(0x00DF), wchar_t(0x0131),
                    wchar_t(0x0138), wchar_t(0x20AC), wchar_t(-1), wchar_t(0x1F600)}) {
    EXPECT_EQ(ToLowerChar(c), c) << std::hex << int(c);
    EXPECT_EQ(ToUpperChar(c), c) << std::hex << int(c);
  }
  EXPECT_EQ(ToUpperChar(0x03C2), 0x03A3);  // final sigma
  EXPECT_EQ(ToUpper(L"\u0436\u00e9abc"), L"\u0416\u00c9ABC");
  EXPECT_EQ(ToLower(L"\u0416\u00c9ABC"), L"\u0436\u00e9abc");
}

TEST(TextCase, CompareNoCase) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int sign;
  };
  const Case cases[] = {
      {L"abc", L"ABC", 0},          {L"abc", L"ABD", -1},
      {L"ab", L"A", 1},             {L"", L"", 0},
      {L"\u039f\u0394\u039f\u03a3", L"\u03bf\u03b4\u03bf\u03c2", 0},  // final sigma
      {L"Stra\u00dfe", L"STRASSE", 1},  // no special casing: sharp s stays one letter
      {L"\u00c4", L"\u00e4", 0},
  };
  for (const Case& c : cases) {
    const int r = CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    EXPECT_EQ(-CompareNoCase(c.b, c.a) > 0, c.sign > 0);
    EXPECT_EQ(EqualsNoCase(c.a, c.b), c.sign == 0);
  }
}

TEST(TextEditing, TrimReplaceSplit) {
  EXPECT_EQ(Trim(L"  x y \t\r\n"), L"x y");
  EXPECT_EQ(Trim(L" \t "), L"");
  EXPECT_EQ(TrimLeft(L"xxaxx", L"x"), L"axx");
  EXPECT_EQ(TrimRight(L"xxaxx", L"x"), L"xxa");
  EXPECT_EQ(ReplaceAll(L"aaa", L"aa", L"b"), L"ba");
  EXPECT_EQ(ReplaceAll(L"abc", L"", L"x"), L"abc");
  EXPECT_EQ(ReplaceAll(L"a.b.c", L".", L"::"), L"a::b::c");
  EXPECT_EQ(Split(L"a,,b,", L','), (std::vector<std::wstring>{L"a", L"", L"b", L""}));
  EXPECT_EQ(Split(L"", L','), (std::vector<std::wstring>{L""}));
  EXPECT_TRUE(StartsWith(L"abc", L""));
  EXPECT_FALSE(StartsWith(L"ab", L"abc"));
  EXPECT_TRUE(EndsWith(L"abc", L"bc"));
}

TEST(TextEncoding, Utf8RoundTripIncludingNonBmp) {
  const std::wstring text = L"a\u00e4\u20ac\U0001F600\U0010FFFF";
  const std::string bytes = ToUtf8(text);
  EXPECT_EQ(bytes, "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
  EXPECT_TRUE(IsValidUtf8(bytes));
  EXPECT_EQ(FromUtf8(bytes), text);
  // Values that are no Unicode scalar value cannot be encoded.
  const std::wstring invalid{wchar_t(0xD800), wchar_t(0x110000), wchar_t(-5)};
  EXPECT_EQ(ToUtf8(invalid), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextEncoding, InvalidUtf8BecomesReplacementCharacters) {
  struct Case {
    std::string bytes;
    std::wstring expected;
  };
  const std::wstring R(1, wchar_t(0xFFFD));
  const Case cases[] = {
      {"\xC0\xAF", R + R},                    // overlong '/'
      {"\xE0\x80\xAF", R + R + R},            // overlong, three bytes
      {"\xED\xA0\x80", R + R + R},            // encoded surrogate
      {"\xF4\x90\x80\x80", R + R + R + R},    // above U+10FFFF
      {"\xF5\x80", R + R},                    // no such lead byte
      {"a\xE2\x82", L"a" + R},                // cut off at the end
      {"\xE2\x82" "a", R + L"a"},             // cut off in the middle
      {"\x80", R},                            // lone continuation byte
      {"\xF0\x9F\x98x", R + L"x"},
      {std::string("\0\xFF", 2), std::wstring(1, L'\0') + R},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(IsValidUtf8(c.bytes)) << testing::PrintToString(c.bytes);
    EXPECT_EQ(FromUtf8(c.bytes), c.expected) << testing::PrintToString(c.bytes);
  }
  EXPECT_EQ(FromUnknown8Bit("Gr\xFC\xDF"), L"Gr\u00fc\u00df");        // Latin-1
  EXPECT_EQ(FromUnknown8Bit("Gr\xC3\xBC\xC3\x9F"), L"Gr\u00fc\u00df");  // UTF-8
}

TEST(TextEncoding, Utf16SurrogatePairsAndBadInput) {
  const std::wstring text = L"A\U0001F600\u00e9";
  const std::string le = ToUtf16Le(text);
  EXPECT_EQ(le, std::string("A\0\x3D\xD8\x00\xDE\xE9\0", 8));
  EXPECT_EQ(FromUtf16Le(le), text);
  EXPECT_EQ(FromUtf16Be(std::string("\0A\xD8\x3D\xDE\x00", 6)), L"A\U0001F600");
  EXPECT_EQ(ToUtf16(text), u"A\U0001F600\u00e9");
  EXPECT_EQ(FromUtf16(ToUtf16(text)), text);

  const wchar_t R = 0xFFFD;
  EXPECT_EQ(FromUtf16Le(std::string("\x3D\xD8" "A\0", 4)), (std::wstring{R, L'A'}));  // lone high
  EXPECT_EQ(FromUtf16Le(std::string("\x00\xDE", 2)), std::wstring(1, R));            // lone low
  EXPECT_EQ(FromUtf16Le(std::string("A\0B", 3)), (std::wstring{L'A', R}));          // odd length
  EXPECT_EQ(FromUtf16(std::u16string{char16_t(0xDC00), u'x'}), (std::wstring{R, L'x'}));
  EXPECT_EQ(ToUtf16(std::wstring(1, wchar_t(0xDFFF))), std::u16string(1, char16_t(0xFFFD)));
}

// The forms that write into a caller's buffer replace what it held, whatever its length was.
TEST(TextEncoding, ConversionsIntoABufferReplaceItsText) {
  const std::wstring text = L"x\U0001F600\u00e9";
  std::u16string units = u"a much longer text held before";
  ToUtf16(text, &units);
  EXPECT_EQ(units, ToUtf16(text));
  std::wstring back = L"left over from an earlier value";
  FromUtf16(units, &back);
  EXPECT_EQ(back, text);
  std::string bytes = "an earlier, longer statement";
  ToUtf8(text, &bytes);
  EXPECT_EQ(bytes, ToUtf8(text));
  FromUtf8("\xC3\xA4", &back);
  EXPECT_EQ(back, L"\u00e4");
  FromUtf16(u"", &back);
  EXPECT_EQ(back, L"");
}

// Appending keeps what is there and writes each character as ToUtf16 does, also where a
// character needs two units or is no character at all.
TEST(TextEncoding, AppendUtf16LeAddsTheBytesOfEachUnit) {
  const std::wstring text{L'a',          wchar_t(0xD7FF), wchar_t(0xD800), L'\U0010FFFF',
                          wchar_t(0x110000), wchar_t(-1),     L'\uFFFF',      L'z'};
  std::string bytes = "head";
  AppendUtf16Le(bytes, text);
  std::string expected = "head";
  for (char16_t unit : ToUtf16(text)) {
    expected += static_cast<char>(unit & 0xFF);
    expected += static_cast<char>(unit >> 8);
  }
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(bytes.size(), 4 + 2 * 9u);
  EXPECT_EQ(ToUtf16Le(text), expected.substr(4));
}

}  // namespace
}  // namespace platform
