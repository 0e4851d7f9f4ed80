// $unique/$uniq and the CRC-based memory of given values.
#include <gtest/gtest.h>

#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/choices/UniqueChecker.h"

namespace engine_test {
namespace {

TEST(StringCrc32, IsTheStandardCrcOfTheLowBytes) {
  const std::pair<std::wstring, uint32_t> cases[] = {
      {L"", 0u},
      {L"abc", 0x352441C2u},
      {L"123456789", 0xCBF43926u},
      {L"\u00E9t\u00E9", 0xCBF7D413u},  // Latin-1: the CRC of those bytes
  };
  for (const auto& [text, crc] : cases) EXPECT_EQ(StringCRC32(text), crc) << platform::ToUtf8(text);
  // A high byte that is not zero takes part: characters that share their low byte differ.
  EXPECT_NE(StringCRC32(L"\u0141"), StringCRC32(L"A"));
  EXPECT_NE(StringCRC32(L"\u4E00"), StringCRC32(L"\u5000"));
  // Beyond the BMP a character counts as its two surrogate units.
  EXPECT_EQ(StringCRC32(L"\U0001F600"), StringCRC32(std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}));
}

TEST(UniqueCheckerTest, RemembersUntilReset) {
  UniqueChecker checker;
  const std::wstring a = L"A", lA = L"\u0141", empty;
  EXPECT_EQ(checker.IsUnique(&a), 1);
  EXPECT_EQ(checker.IsUnique(&lA), 1);
  EXPECT_EQ(checker.IsUnique(&lA), 0);
  EXPECT_EQ(checker.IsUnique(&empty), 1);
  EXPECT_EQ(checker.IsUnique(nullptr), 0);
  UniqueChecker copy(checker);
  checker.Reset();
  EXPECT_EQ(checker.IsUnique(&a), 1);
  EXPECT_EQ(copy.IsUnique(&a), 0);
}

using UniqueGenerator = EngineFixture;

TEST_F(UniqueGenerator, GivesEachValueOnceThenFailsForGood) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 3; ++i) seen.insert(Render(L"$unique($rint(1,4))"));
  EXPECT_EQ(seen, (std::set<std::wstring>{L"1", L"2", L"3"}));
  EXPECT_EQ(RenderError(L"$unique($rint(1,4))"), 2102);
  EXPECT_EQ(engine.Error(), L"UniqueData: could not find unique value provided by nested pattern.");
  EXPECT_EQ(RenderError(L"$unique($rint(1,4))"), 2102);
}

TEST_F(UniqueGenerator, TellsCharactersBeyondLatin1Apart) {
  // One CJK character a value: far more than the 256 values a checksum of low bytes tells apart.
  std::set<std::wstring> seen;
  for (int i = 0; i < 2000; ++i) {
    DGValue v;
    ASSERT_EQ(engine.Value(-1, L"$unique($rstring(1,1,0,0,0,CJK))", &v, nullptr), 1)
        << i << " values: " << platform::ToUtf8(engine.Error());
    seen.insert(v.value);
  }
  EXPECT_EQ(seen.size(), 2000u);
}

TEST_F(UniqueGenerator, ForgetsTheDryRunValue) {
  EXPECT_EQ(Render(L"$uniq(only)"), L"only");
  EXPECT_EQ(RenderError(L"$uniq(only)"), 2102);
}

TEST_F(UniqueGenerator, ReportsItsErrors) {
  const std::pair<const wchar_t*, int> cases[] = {
      {L"$unique(a, b)", 2100},
      {L"$unique($nosuch(1))", 2101},
  };
  for (const auto& [pattern, code] : cases)
    EXPECT_EQ(RenderError(pattern), code) << platform::ToUtf8(pattern);
  // The nested pattern itself running dry: an empty value with the code left for the caller.
  EXPECT_EQ(Render(L"$unique($unique(x))"), L"x");
  DGValue v;
  engine.Value(-1, L"$unique($unique(x))", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 2103);
  EXPECT_EQ(v.value, L"");
}

}  // namespace
}  // namespace engine_test
