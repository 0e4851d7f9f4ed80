#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "parlemont/CharsetEncoder.h"
#include "platform/Text.h"

namespace {

using parlemont::CharsetEncoder;

// Decodes `bytes` from `charset` with iconv, independently of the encoder.
std::wstring Decode(const std::string& bytes, const char* charset) {
  iconv_t cd = iconv_open("UTF-8", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return L"<no iconv>";
  std::string out(bytes.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(bytes.data());
  size_t srcLeft = bytes.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return L"<invalid>";
  out.resize(out.size() - dstLeft);
  return platform::FromUtf8(out);
}

TEST(CharsetEncoder, MissingCharactersBecomeReferences) {
  const CharsetEncoder latin1(L"iso-8859-1");
  EXPECT_FALSE(latin1.FellBack());
  EXPECT_EQ(latin1.Charset(), L"iso-8859-1");
  EXPECT_EQ(latin1.Encode(L"<p>caf\u00e9 \u4e2d \U0001F600 &amp;</p>"),
            "<p>caf\xE9 &#20013; &#128512; &amp;</p>");

  const CharsetEncoder cp1252(L"windows-1252");
  EXPECT_EQ(cp1252.Encode(L"\u20ac \u0142"), "\x80 &#322;");
}

// A stateful charset must leave its shifted state before a reference, or the ASCII of the
// reference would be read as two-byte characters.
TEST(CharsetEncoder, StatefulCharsetLeavesShiftStateAroundReferences) {
  const CharsetEncoder jis(L"ISO-2022-JP");
  ASSERT_FALSE(jis.FellBack());
  const std::string bytes = jis.Encode(L"\u65e5\u672c \u00e9 \u4e2d<x>");
  EXPECT_EQ(Decode(bytes, "ISO-2022-JP"), L"\u65e5\u672c &#233; \u4e2d<x>");
}

TEST(CharsetEncoder, UnusableNamesFallBackToUtf8) {
  const wchar_t* names[] = {L"", L"  ", L"no-such-charset", L"iso-8859-1//TRANSLIT",
                            L"UTF-16", L"UTF-32LE", L"IBM037" /* EBCDIC */, L"iso 8859 1",
                            L"\"><script>"};
  for (const wchar_t* name : names) {
    const CharsetEncoder e(name);
    EXPECT_TRUE(e.FellBack()) << platform::ToUtf8(name);
    EXPECT_EQ(e.Charset(), L"UTF-8");
    EXPECT_EQ(e.Encode(L"\u00e9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
  }
  const CharsetEncoder utf8(L" utf-8 ");
  EXPECT_FALSE(utf8.FellBack());
  EXPECT_EQ(utf8.Charset(), L"utf-8");
  EXPECT_EQ(utf8.Encode(L"\u4e2d"), "\xE4\xB8\xAD");
}

}  // namespace
