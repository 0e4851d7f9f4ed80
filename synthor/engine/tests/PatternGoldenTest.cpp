// Values of whole patterns for a fixed seed, against values recorded from the engine before its
// rendering took shortcuts (fused character runs, list choices without nested patterns,
// expressions compiled once, numbers written in place). A shortcut that draws other random bytes,
// draws them in another order, writes a value differently, leaves the tail of an earlier value in
// a reused DGValue or reports another error shows up here.
//
// tests/data/pattern_golden.txt, one case per line, tab-separated: the value-length limit (0: the
// default), the pattern, the number of renderings, a 64-bit FNV-1a hash over what every rendering
// showed, and what the first one showed. A rendering shows "value|format", or, when it failed,
// "!code error text|value".
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"

namespace {

constexpr uint32_t kSeed = 20240531;

struct GoldenCase {
  int lineNumber = 0;
  int limit = 0;
  std::wstring pattern;
  int count = 0;
  std::wstring hash;
  std::wstring first;
};

std::vector<GoldenCase> LoadCases() {
  std::wstring text;
  const std::wstring path =
      platform::JoinPath(platform::FromUtf8(SYNTHOR_TEST_DATA_DIR), L"pattern_golden.txt");
  if (!platform::ReadTextFile(path, text)) return {};
  std::vector<GoldenCase> cases;
  int lineNumber = 0;
  for (const std::wstring& line : platform::Split(text, L'\n')) {
    ++lineNumber;
    const std::vector<std::wstring> fields = platform::Split(line, L'\t');
    if (fields.size() != 5) continue;
    cases.push_back({lineNumber, platform::ToInt(fields[0]), fields[1], platform::ToInt(fields[2]),
                     fields[3], fields[4]});
  }
  return cases;
}

uint64_t Fnv(uint64_t h, const std::wstring& s) {
  for (const wchar_t c : s) {
    h ^= static_cast<uint32_t>(c);
    h *= 1099511628211ull;
  }
  h ^= 0xFFu;  // ends each rendering, so "ab","c" and "a","bc" differ
  h *= 1099511628211ull;
  return h;
}

TEST(PatternGolden, SeededValuesMatchTheRecordedOnes) {
  const std::vector<GoldenCase> cases = LoadCases();
  ASSERT_GT(cases.size(), 50u) << "pattern_golden.txt is missing or damaged";
  for (const GoldenCase& c : cases) {
    DSynthor engine;
    engine.Initialize(L"", kSeed, nullptr);
    engine.AddColumnName(L"c1");
    engine.AddColumnName(L"c2");
    if (c.limit > 0) engine.SetMaxValueLength(static_cast<std::size_t>(c.limit));
    DGValue v;  // one value for all renderings, as callers reuse theirs
    uint64_t h = 14695981039346656037ull;
    std::wstring first;
    for (int i = 0; i < c.count; ++i) {
      const bool ok = engine.Value(0, c.pattern, &v, nullptr) == 1;
      const std::wstring shown =
          ok ? v.value + L"|" + v.format
             : L"!" + platform::FromInt(engine.ErrorCode()) + L" " + engine.Error() + L"|" + v.value;
      if (i == 0) first = shown;
      h = Fnv(h, shown);
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016" PRIx64, h);
    const std::string where =
        "line " + std::to_string(c.lineNumber) + ": " + platform::ToUtf8(c.pattern);
    EXPECT_EQ(first, c.first) << where;
    EXPECT_EQ(platform::FromUtf8(hex), c.hash) << where;
  }
}

}  // namespace
