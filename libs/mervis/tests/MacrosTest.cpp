#include <gtest/gtest.h>

#include <ctime>
#include <regex>

#include "mervis/Log.h"
#include "mervis/Macros.h"
#include "platform/Folders.h"
#include "platform/Text.h"

namespace {

bool Matches(const std::wstring& text, const char* pattern) {
  return std::regex_match(platform::ToUtf8(text), std::regex(pattern));
}

TEST(Macros, DateAndTimeShapes) {
  struct Case {
    const wchar_t* pattern;
    const char* shape;
  };
  const Case cases[] = {
      {L"r_$DATE$.htm", R"(r_\d{4}-\d\d-\d\d\.htm)"},
      {L"$TIME$", R"(\d\d-\d\d-\d\d)"},
      {L"$DATETIME$", R"(\d{8}_\d{6})"},
      {L"$YEAR$/$MONTH$/$DAY$ $HOUR$:$MINUTE$:$SECOND$", R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(Matches(DateAndTimeMacros(c.pattern), c.shape)) << c.shape;

  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  EXPECT_EQ(DateAndTimeMacros(L"$YEAR$"), platform::FromInt(t.tm_year + 1900));
}

TEST(Macros, UnknownAndMalformedMacrosStay) {
  const wchar_t* unchanged[] = {L"",         L"no macros", L"$date$", L"$NOPE$",
                                L"price $5", L"$",         L"$$",     L"$HOME$"};
  for (const wchar_t* text : unchanged) EXPECT_EQ(DateAndTimeMacros(text), text);
  EXPECT_TRUE(Matches(DateAndTimeMacros(L"$x$YEAR$"), R"(\$x\d{4})"));
  EXPECT_TRUE(Matches(DateAndTimeMacros(L"$$YEAR$$"), R"(\$\d{4}\$)"));
}

TEST(Macros, PathFolders) {
  EXPECT_EQ(PathMacros(L"$HOME$/a.txt"), platform::HomeFolder() + L"/a.txt");
  EXPECT_EQ(PathMacros(L"~/a.txt"), platform::HomeFolder() + L"/a.txt");
  EXPECT_EQ(PathMacros(L"$PROGRAM$/head.htm"), platform::ProgramFolder() + L"/head.htm");
  EXPECT_EQ(PathMacros(L"$TEMP$"), platform::TempFolder());
  EXPECT_EQ(
      PathMacros(L"$CONFIG$|$STATE$|$DATA$"),
      platform::ConfigFolder() + L"|" + platform::StateFolder() + L"|" + platform::DataHome());
  for (const wchar_t* text : {L"a/~/b", L"~user/x", L"$home$", L"$DATE$", L"/plain/path"})
    EXPECT_EQ(PathMacros(text), text);
}

TEST(Macros, DecodePathExpandsBoth) {
  EXPECT_TRUE(
      Matches(CLog::DecodePath(L"$TEMP$/r_$DATE$.txt"),
              (platform::ToUtf8(platform::TempFolder()) + R"(/r_\d{4}-\d\d-\d\d\.txt)").c_str()));
}

}  // namespace
