// User formats of $format, $rint and $rfloat: which conversions are accepted, how the nested value
// is read for each, and that nothing depends on the process locale.
#include <gtest/gtest.h>

#include <clocale>

#include "synthor/engine/builtins/BuiltinFormats.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "testsupport/CaseNames.h"

namespace engine_test {
namespace {

struct KindCase {
  const wchar_t* format;
  UserFormatKind kind;
};

const KindCase kKinds[] = {
    {L"plain", UserFormatKind::Literal},
    {L"", UserFormatKind::Literal},
    {L"%d", UserFormatKind::Integer},
    {L"%i", UserFormatKind::Integer},
    {L"%u", UserFormatKind::Integer},
    {L"%x", UserFormatKind::Integer},
    {L"%X", UserFormatKind::Integer},
    {L"%I64d", UserFormatKind::Integer},
    {L"%ld", UserFormatKind::Integer},
    {L"%lld", UserFormatKind::Integer},
    {L"[%-+08d]", UserFormatKind::Integer},
    {L"%d%%", UserFormatKind::Integer},
    {L"%%%05d", UserFormatKind::Integer},
    {L"%f", UserFormatKind::Number},
    {L"%.3e", UserFormatKind::Number},
    {L"%10.2g", UserFormatKind::Number},
    {L"%lf", UserFormatKind::Number},
    {L"%s", UserFormatKind::Text},
    {L"<%-10s>", UserFormatKind::Text},
    {L"%ls", UserFormatKind::Text},
    // Refused: other conversions, lengths that do not fit, two conversions, none, '*', a lone '%'.
    {L"%o", UserFormatKind::Invalid},
    {L"%F", UserFormatKind::Invalid},
    {L"%E", UserFormatKind::Invalid},
    {L"%G", UserFormatKind::Invalid},
    {L"%hd", UserFormatKind::Invalid},
    {L"%n", UserFormatKind::Invalid},
    {L"%p", UserFormatKind::Invalid},
    {L"%c", UserFormatKind::Invalid},
    {L"%Lf", UserFormatKind::Invalid},
    {L"%I64f", UserFormatKind::Invalid},
    {L"%d%s", UserFormatKind::Invalid},
    {L"%%", UserFormatKind::Invalid},
    {L"%*d", UserFormatKind::Invalid},
    {L"%.*f", UserFormatKind::Invalid},
    {L"abc%", UserFormatKind::Invalid},
    {L"%5000d", UserFormatKind::Invalid},
    {L"%1$d", UserFormatKind::Invalid},
};

class FormatKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(FormatKinds, OfUserFormats) {
  std::wstring why;
  EXPECT_EQ(ClassifyUserFormat(GetParam().format, &why), GetParam().kind)
      << platform::ToUtf8(GetParam().format);
  // A refusal always says why.
  EXPECT_EQ(why.empty(), GetParam().kind != UserFormatKind::Invalid) << platform::ToUtf8(why);
}

INSTANTIATE_TEST_SUITE_P(UserFormats, FormatKinds, ::testing::ValuesIn(kKinds),
                         testsupport::NameBy<&KindCase::format>());

struct RenderCase {
  const wchar_t* pattern;
  const wchar_t* value;
};

const RenderCase kFormatted[] = {
    {L"$format(7,%03d)", L"007"},
    {L"$format(5000000000,%I64d)", L"5000000000"},  // integers at full width
    {L"$format(255,%#x)", L"0xff"},
    {L"$format(-3,%u)", L"18446744073709551613"},
    {L"$format(1.5,%.2f)", L"1.50"},
    {L"$format(1234.5,%.2e)", L"1.23e+03"},
    {L"$format(0.0001,%g)", L"0.0001"},
    {L"$format(bcd,[%5s])", L"[  bcd]"},
    {L"$format(bcd,%-4s|)", L"bcd |"},
    {L"$format(bcd,plain)", L"plain"},
    {L"$format(12bcd,%d)", L"12"},  // the leading number of the text
    {L"$format(bcd,%d)", L"0"},
    {L"$format(bcd,%.1f)", L"0.0"},
    {L"$rint(7,8,%03d)", L"007"},
    {L"$rint(255,256,%X)", L"FF"},
    {L"$rfloat(2,2,0,%.3f)", L"2.000"},
};

class FormattedValues : public EngineFixture, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(FormattedValues, Values) {
  EXPECT_EQ(Render(GetParam().pattern), GetParam().value) << platform::ToUtf8(GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(UserFormats, FormattedValues, ::testing::ValuesIn(kFormatted),
                         testsupport::NameBy<&RenderCase::pattern>());

// Sets a locale with a decimal comma for one test and puts "C" back afterwards.
class DecimalCommaLocale : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
      if (std::setlocale(LC_ALL, name) && *std::localeconv()->decimal_point == ',') return;
    }
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no locale with a decimal comma (./dev test provides one through LOCPATH)";
  }
  void TearDown() override {
    std::setlocale(LC_ALL, "C");
    EngineFixture::TearDown();
  }
};

TEST_F(DecimalCommaLocale, ChangesNoValue) {
  EXPECT_EQ(Render(L"$format(1.5,%.2f)"), L"1.50");
  EXPECT_EQ(Render(L"$format(1234567,%d)"), L"1234567");
  EXPECT_EQ(Render(L"$rfloat(2.5,2.5,1,%.1f)"), L"2.5");
  EXPECT_TRUE(Matches(Render(L"$rfloat(0,1,2)"), "0\\.[0-9]{6}|1\\.0{6}"));
  EXPECT_TRUE(Matches(Render(L"$rfloat(1,2,3,%e)"), "[12]\\.[0-9]{6}e\\+00"));
  // Bounds written with a decimal point are read as such.
  for (int i = 0; i < 100; ++i) {
    double d = 0;
    ASSERT_TRUE(platform::ParseDouble(Render(L"$rfloat(0.25,0.75,2)"), d));
    ASSERT_TRUE(d >= 0.25 && d <= 0.75) << d;
  }
  EXPECT_EQ(Render(L"$date(31.12.2000)"), L"31.12.2000");
  EXPECT_EQ(Render(L"$upper(\xe4\xf6)"), L"\xc4\xd6");
}

}  // namespace
}  // namespace engine_test
