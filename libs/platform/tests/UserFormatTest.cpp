#include "platform/UserFormat.h"

#include <climits>

#include <gtest/gtest.h>

#include "platform/Text.h"

namespace platform {
namespace {

TEST(UserFormat, IntegerFormats) {
  struct Case {
    const wchar_t* format;
    long long value;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"%d", 42, L"42"},
      {L"%5d", 42, L"   42"},
      {L"%-5d|", 42, L"42   |"},
      {L"%08X", 255, L"000000FF"},
      {L"%I64d", LLONG_MAX, L"9223372036854775807"},
      {L"%lld", LLONG_MIN, L"-9223372036854775808"},
      {L"%d", 5000000000LL, L"5000000000"},  // never cut to 32 bits
      {L"%hd", 70000, L"70000"},
      {L"%x", -1, L"ffffffffffffffff"},
      {L"%u", -1, L"18446744073709551615"},
      {L"100%% %d", 7, L"100% 7"},
      {L"%d%%", 50, L"50%"},
      {L"%+d", 5, L"+5"},
      {L"%#o", 8, L"010"},
      {L"%#x", 255, L"0xff"},
      {L"%#d", 5, L"5"},
      {L"Nr. %05i \u00e4", 12, L"Nr. 00012 \u00e4"},
      {L"%.3d", 7, L"007"},
      {L"%--++5d", 3, L"+3   "},
      {L"%ld", -3, L"-3"},
  };
  for (const Case& c : cases) {
    std::wstring error;
    const auto result = FormatUserInteger(c.format, c.value, &error);
    ASSERT_TRUE(result) << ToUtf8(c.format) << ": " << ToUtf8(error);
    EXPECT_EQ(*result, c.expected) << ToUtf8(c.format);
  }
}

TEST(UserFormat, NumberFormats) {
  struct Case {
    const wchar_t* format;
    double value;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"%5.2f", 3.14159, L" 3.14"},   {L"%e", 1234.5, L"1.234500e+03"},
      {L"%g", 0.0001, L"0.0001"},      {L"%lf", 1.5, L"1.500000"},
      {L"%.0f", 2.5, L"2"},            {L"%G", 1e-10, L"1E-10"},
      {L"%+.1f", -0.04, L"-0.0"},      {L"%010.3f kg", -2.5, L"-00002.500 kg"},
      {L"%#.0f", 3.0, L"3."},          {L"%F", 1e300 * 1e10, L"INF"},
  };
  for (const Case& c : cases) {
    std::wstring error;
    const auto result = FormatUserNumber(c.format, c.value, &error);
    ASSERT_TRUE(result) << ToUtf8(c.format) << ": " << ToUtf8(error);
    EXPECT_EQ(*result, c.expected) << ToUtf8(c.format);
  }
}

// Width and precision count characters, not UTF-8 bytes.
TEST(UserFormat, TextFormats) {
  struct Case {
    const wchar_t* format;
    const wchar_t* value;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"%s", L"abc", L"abc"},
      {L"[%5s]", L"\u00e4\u00f6", L"[   \u00e4\u00f6]"},
      {L"[%-4s]", L"\u00e4", L"[\u00e4   ]"},
      {L"%.2s", L"\u00e4\u00f6\u00fc", L"\u00e4\u00f6"},
      {L"[%3.1s]", L"\U0001F600\U0001F601", L"[  \U0001F600]"},
      {L"%ls", L"x", L"x"},
      {L"%hs", L"x", L"x"},
      {L"%05s", L"7", L"00007"},
      {L"%-05s|", L"7", L"7    |"},
      {L"<%s>", L"50% %d %n", L"<50% %d %n>"},  // the value is never a format
      {L"%%%s%%", L"", L"%%"},
  };
  for (const Case& c : cases) {
    std::wstring error;
    const auto result = FormatUserText(c.format, c.value, &error);
    ASSERT_TRUE(result) << ToUtf8(c.format) << ": " << ToUtf8(error);
    EXPECT_EQ(*result, c.expected) << ToUtf8(c.format);
  }
}

enum class Kind { Integer, Number, Text };

std::optional<std::wstring> FormatAs(Kind kind, std::wstring_view format, std::wstring* error) {
  switch (kind) {
    case Kind::Integer: return FormatUserInteger(format, 12, error);
    case Kind::Number: return FormatUserNumber(format, 1.5, error);
    case Kind::Text: return FormatUserText(format, L"abc", error);
  }
  return std::nullopt;
}

TEST(UserFormat, RefusedFormatsSayWhy) {
  struct Case {
    std::wstring format;
    Kind kind;
    const wchar_t* reason;
  };
  const Case cases[] = {
      {L"%n", Kind::Integer, L"conversion %n is not allowed"},
      {L"%p", Kind::Integer, L"conversion %p is not allowed"},
      {L"%c", Kind::Integer, L"conversion %c is not allowed"},
      {L"%s", Kind::Integer, L"the conversion does not fit an integer value"},
      {L"%s", Kind::Number, L"the conversion does not fit a number value"},
      {L"%d", Kind::Text, L"the conversion does not fit a text value"},
      {L"%f", Kind::Integer, L"the conversion does not fit an integer value"},
      {L"%d", Kind::Number, L"the conversion does not fit a number value"},
      {L"%d %d", Kind::Integer, L"the format must contain exactly one conversion"},
      {L"%d %n", Kind::Integer, L"the format must contain exactly one conversion"},
      {L"", Kind::Integer, L"the format must contain exactly one conversion"},
      {L"100%%", Kind::Integer, L"the format must contain exactly one conversion"},
      {L"%*d", Kind::Integer, L"a '*' width is not allowed"},
      {L"%.*f", Kind::Number, L"a '*' precision is not allowed"},
      {L"abc %", Kind::Integer, L"the format ends with a lone '%'"},
      {L"%d %", Kind::Integer, L"the format ends with a lone '%'"},
      {L"%5", Kind::Integer, L"the conversion at the end of the format is incomplete"},
      {L"%-", Kind::Text, L"the conversion at the end of the format is incomplete"},
      {L"%I64", Kind::Integer, L"the conversion at the end of the format is incomplete"},
      {L"%99999999999999999999d", Kind::Integer, L"the width must be at most 4096"},
      {L"%4097d", Kind::Integer, L"the width must be at most 4096"},
      {L"%.5000f", Kind::Number, L"the precision must be at most 4096"},
      {L"%Lf", Kind::Number, L"conversion %L is not allowed"},
      {L"%llf", Kind::Number, L"the length ll does not fit %f"},
      {L"%I64s", Kind::Text, L"the length I64 does not fit %s"},
      {L"%I32d", Kind::Integer, L"conversion %I is not allowed"},
      {L"%zd", Kind::Integer, L"conversion %z is not allowed"},
      {L"%\u00e4", Kind::Integer, L"conversion %\u00e4 is not allowed"},
      {std::wstring(L"%\x01"), Kind::Integer, L"conversion U+0001 is not allowed"},
      {std::wstring(L"%\0d", 3), Kind::Integer, L"conversion U+0000 is not allowed"},
  };
  for (const Case& c : cases) {
    std::wstring error;
    EXPECT_FALSE(FormatAs(c.kind, c.format, &error)) << ToUtf8(c.format);
    EXPECT_EQ(error, c.reason) << ToUtf8(c.format);
    EXPECT_FALSE(FormatAs(c.kind, c.format, nullptr)) << ToUtf8(c.format);
  }
}

TEST(UserFormat, LargestFieldsStayBounded) {
  const auto wide = FormatUserInteger(L"%4096d", 1);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->size(), 4096u);
  const auto number = FormatUserNumber(L"%4096.4096f", -1.7976931348623157e308);
  ASSERT_TRUE(number);
  EXPECT_EQ(number->size(), 1u + 309 + 1 + 4096);
  const auto text = FormatUserText(L"%4096.4096s", std::wstring(100000, L'x'));
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size(), 4096u);
}

}  // namespace
}  // namespace platform
