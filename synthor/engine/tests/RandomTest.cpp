#include "synthor/engine/DGRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Reference sequences written by tests/data/random_golden.py, an implementation of the
// generator of its own. Each line: <op> <args...> = <results...> @ <offset after the line>.

struct GoldenLine {
  int lineNumber = 0;
  std::wstring op;
  std::vector<std::wstring> args;
  std::vector<std::wstring> results;
  uint32_t offset = 0;
};

struct GoldenRun {
  uint32_t seed = 0;
  std::vector<GoldenLine> lines;
};

std::vector<GoldenRun> LoadGolden() {
  std::wstring text;
  const std::wstring path =
      platform::JoinPath(platform::FromUtf8(SYNTHOR_TEST_DATA_DIR), L"random_golden.txt");
  if (!platform::ReadTextFile(path, text)) return {};
  std::vector<GoldenRun> runs;
  int lineNumber = 0;
  for (const std::wstring& line : platform::Split(text, L'\n')) {
    ++lineNumber;
    if (line.empty()) continue;
    std::vector<std::wstring> words = platform::Split(line, L' ');
    if (words.size() == 2 && words[0] == L"seed") {
      runs.push_back({static_cast<uint32_t>(platform::ToInt64(words[1])), {}});
      continue;
    }
    GoldenLine g;
    g.lineNumber = lineNumber;
    size_t i = 0;
    g.op = words[i++];
    while (i < words.size() && words[i] != L"=") g.args.push_back(words[i++]);
    ++i;
    while (i < words.size() && words[i] != L"@") g.results.push_back(words[i++]);
    ++i;
    if (i < words.size()) g.offset = static_cast<uint32_t>(platform::ToInt64(words[i]));
    if (!runs.empty()) runs.back().lines.push_back(std::move(g));
  }
  return runs;
}

double Arg(const GoldenLine& g, size_t i) {
  return i < g.args.size() ? platform::ToDouble(g.args[i]) : 0.0;
}

// One draw of the kind the line names; integer draws and characters come back exactly as doubles
// (all below 2^53), so one comparison serves every kind.
bool Draw(DGRandom& r, const GoldenLine& g, double& value, bool& isExact) {
  isExact = true;
  if (g.op == L"Next") {
    value = r.Next(static_cast<int>(platform::ToInt64(g.args.at(0))));
  } else if (g.op == L"Next64") {
    value = static_cast<double>(r.Next64(platform::ToInt64(g.args.at(0))));
  } else if (g.op == L"NextDigit") {
    value = r.NextDigit();
  } else if (g.op == L"NextLetter") {
    value = r.NextLetter();
  } else if (g.op == L"NextUpperLetter") {
    value = r.NextUpperLetter();
  } else if (g.op == L"NextHexChar") {
    value = r.NextHexChar();
  } else if (g.op == L"NextSeparator") {
    value = r.NextSeparator();
  } else if (g.op == L"OneUnicodeChar") {
    std::vector<uint8_t> blocks;
    for (const std::wstring& a : g.args) blocks.push_back(static_cast<uint8_t>(platform::ToInt(a)));
    value = r.OneUnicodeChar(blocks);
  } else {
    isExact = false;
    if (g.op == L"NextEven")
      value = r.NextEven(Arg(g, 0), Arg(g, 1), static_cast<int>(Arg(g, 2)));
    else if (g.op == L"NextLinear")
      value = r.NextLinear(Arg(g, 0), Arg(g, 1));
    else if (g.op == L"NextNormal")
      value = r.NextNormal(Arg(g, 0), Arg(g, 1));
    else
      return false;
  }
  return true;
}

TEST(DGRandomGolden, SeededSequencesMatchTheReference) {
  const std::vector<GoldenRun> runs = LoadGolden();
  ASSERT_EQ(runs.size(), 2u) << "tests/data/random_golden.txt missing or unreadable";
  for (const GoldenRun& run : runs) {
    ASSERT_FALSE(run.lines.empty());
    DGRandom r;
    r.srand(run.seed);
    size_t draws = 0;
    for (const GoldenLine& g : run.lines) {
      for (const std::wstring& expectedText : g.results) {
        double value = 0;
        bool isExact = true;
        ASSERT_TRUE(Draw(r, g, value, isExact)) << "unknown op at line " << g.lineNumber;
        const double expected = platform::ToDouble(expectedText);
        if (isExact)
          ASSERT_EQ(value, expected) << "line " << g.lineNumber << ", draw " << draws;
        else
          ASSERT_NEAR(value, expected, 1e-12 * std::max(1.0, std::fabs(expected)))
              << "line " << g.lineNumber;
        ++draws;
      }
      ASSERT_EQ(r.Offset(), g.offset) << "line " << g.lineNumber;
    }
    // Both runs are long enough to pass through a refill of the buffer.
    EXPECT_GT(draws, 1000u);
  }
}

// ---------------------------------------------------------------------------------------------
// Byte consumption and the buffer's end.

TEST(DGRandomBytes, EachDrawTakesTheBytesOfItsWidth) {
  const struct {
    const char* name;
    std::function<void(DGRandom&)> draw;
    uint32_t bytes;
  } cases[] = {
      {"Next(0)", [](DGRandom& r) { r.Next(0); }, 0},
      {"Next(-5)", [](DGRandom& r) { r.Next(-5); }, 0},
      {"Next(1)", [](DGRandom& r) { r.Next(1); }, 2},
      {"Next(32766)", [](DGRandom& r) { r.Next(32766); }, 2},
      {"Next(32767)", [](DGRandom& r) { r.Next(32767); }, 4},
      {"Next64(1000)", [](DGRandom& r) { r.Next64(1000); }, 2},
      {"Next64(2147483647)", [](DGRandom& r) { r.Next64(2147483647); }, 4},
      {"Next64(3e9)", [](DGRandom& r) { r.Next64(3000000000LL); }, 8},
      {"Next64(-1)", [](DGRandom& r) { r.Next64(-1); }, 0},
      {"NextHexChar", [](DGRandom& r) { r.NextHexChar(); }, 2},
      {"OneUnicodeChar(Latin)", [](DGRandom& r) { r.OneUnicodeChar({0}); }, 4},
      {"OneUnicodeChar(empty)", [](DGRandom& r) { r.OneUnicodeChar({}); }, 2},
  };
  for (const auto& c : cases) {
    DGRandom r;
    r.srand(77);
    r.Next(2);  // start off the buffer's first byte
    const uint32_t before = r.Offset();
    c.draw(r);
    EXPECT_EQ(r.Offset() - before, c.bytes) << c.name;
  }
}

// Draws 2-byte values until the read position is `offset` (even, below the buffer's end).
void AdvanceTo(DGRandom& r, uint32_t offset) {
  while (r.Offset() < offset) r.Next(2);
}

TEST(DGRandomBytes, RefillsBeforeADrawWouldReachTheLastByte) {
  const struct {
    uint32_t start;
    std::function<void(DGRandom&)> draw;
    uint32_t offsetAfter;
  } cases[] = {
      {65532, [](DGRandom& r) { r.Next(10); }, 65534},           // ends before the last byte
      {65534, [](DGRandom& r) { r.Next(10); }, 2},               // would read the last byte
      {65530, [](DGRandom& r) { r.Next(40000); }, 65534},
      {65532, [](DGRandom& r) { r.Next(40000); }, 4},
      {65526, [](DGRandom& r) { r.Next64(3000000000LL); }, 65534},
      {65528, [](DGRandom& r) { r.Next64(3000000000LL); }, 8},
  };
  for (const auto& c : cases) {
    DGRandom r;
    r.srand(5);
    AdvanceTo(r, c.start);
    ASSERT_EQ(r.Offset(), c.start);
    c.draw(r);
    EXPECT_EQ(r.Offset(), c.offsetAfter) << "from " << c.start;
  }
}

// ---------------------------------------------------------------------------------------------
// Seeding.

TEST(DGRandomSeed, UnseededGeneratorFillsOnFirstDraw) {
  DGRandom r;
  EXPECT_EQ(r.Offset(), PRECREATED_BUF_SIZE);
  const int v = r.Next(100);
  EXPECT_GE(v, 0);
  EXPECT_LT(v, 100);
  EXPECT_EQ(r.Offset(), 2u);

  DGRandom wide;
  EXPECT_GE(wide.Next64(3000000000LL), 0);
  EXPECT_EQ(wide.Offset(), 8u);
}

TEST(DGRandomSeed, FreshGeneratorsDrawDifferentSequences) {
  DGRandom a;
  DGRandom b;
  std::vector<int> va, vb;
  for (int i = 0; i < 8; ++i) {
    va.push_back(a.Next(1000000));
    vb.push_back(b.Next(1000000));
  }
  EXPECT_NE(va, vb);
}

TEST(DGRandomSeed, FreshSeedsAreNonZeroAndDistinctAcrossThreads) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 50;
  std::vector<std::vector<uint32_t>> seeds(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&seeds, t] {
      for (int i = 0; i < kPerThread; ++i) seeds[t].push_back(DGRandom::FreshSeed());
    });
  for (std::thread& t : threads) t.join();
  std::set<uint32_t> all;
  for (const auto& list : seeds)
    for (uint32_t s : list) {
      EXPECT_NE(s, 0u);
      all.insert(s);
    }
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kPerThread));
}

std::vector<int> Draws(DGRandom& r, int count) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) v.push_back(r.Next(100000));
  return v;
}

TEST(DGRandomSeed, ReseedingKeepsTheAdvancedState) {
  // srand replaces x only; y, z and w carry on from the previous fill.
  DGRandom once;
  once.srand(42);
  DGRandom twice;
  twice.srand(42);
  twice.srand(42);
  EXPECT_NE(Draws(once, 20), Draws(twice, 20));
}

TEST(DGRandomSeed, CopiesCarryBufferStateAndNormalSpare) {
  DGRandom a;
  a.srand(3);
  a.Next(10);
  a.NextNormal(0, 1);  // leaves a spare behind
  DGRandom copy(a);
  EXPECT_EQ(copy.Offset(), a.Offset());
  EXPECT_EQ(copy.NextNormal(0, 1), a.NextNormal(0, 1));
  EXPECT_EQ(Draws(copy, 20), Draws(a, 20));

  DGRandom assigned;
  assigned.srand(999);
  assigned = a;
  EXPECT_EQ(Draws(assigned, 20), Draws(a, 20));
  AdvanceTo(a, 65534);
  assigned = a;
  EXPECT_EQ(Draws(assigned, 20), Draws(a, 20));  // across the refill too
}

// ---------------------------------------------------------------------------------------------
// Ranges and distributions.

TEST(DGRandomRange, EmptyCountsGiveZero) {
  DGRandom r;
  r.srand(6);
  EXPECT_EQ(r.Next(0), 0);
  EXPECT_EQ(r.Next(-5), 0);
  EXPECT_EQ(r.Next(1), 0);
  EXPECT_EQ(r.Next64(0), 0);
  EXPECT_EQ(r.Next64(-7), 0);
}

TEST(DGRandomRange, NextEven) {
  DGRandom r;
  r.srand(8);
  EXPECT_EQ(r.NextEven(1, 1, 0), 1.0);
  for (int i = 0; i < 2000; ++i) {
    const double v = r.NextEven(0, 10, 2);
    ASSERT_GE(v, 0.0);
    ASSERT_LE(v, 10.0);
    ASSERT_NEAR(v * 100, std::round(v * 100), 1e-6) << v;
  }
  for (int i = 0; i < 2000; ++i) {
    const double v = r.NextEven(0, 10000, -2);
    ASSERT_GE(v, 0.0);
    ASSERT_LE(v, 10000.0);
    ASSERT_EQ(std::fmod(v, 100.0), 0.0) << v;
  }
  // Bounds that cannot be met, or that do not fit an int, give a result instead of a fault.
  EXPECT_EQ(r.NextEven(5, 3, 0), 5.0);
  EXPECT_TRUE(std::isfinite(r.NextEven(-1e300, 1e300, 400)));
  EXPECT_TRUE(std::isfinite(r.NextEven(0, 1e12, -30)));
}

TEST(DGRandomDistribution, NormalMeanAndDeviation) {
  DGRandom r;
  r.srand(2024);
  constexpr int kCount = 100000;
  double sum = 0;
  double sumSquares = 0;
  for (int i = 0; i < kCount; ++i) {
    const double v = r.NextNormal(5.0, 2.0);
    sum += v;
    sumSquares += v * v;
  }
  const double mean = sum / kCount;
  const double deviation = std::sqrt(sumSquares / kCount - mean * mean);
  EXPECT_NEAR(mean, 5.0, 0.05);
  EXPECT_NEAR(deviation, 2.0, 0.05);
}

TEST(DGRandomDistribution, LinearDensityRisesTowardsTheEnd) {
  DGRandom r;
  r.srand(31);
  constexpr int kCount = 50000;
  double sum = 0;
  int upperHalf = 0;
  for (int i = 0; i < kCount; ++i) {
    const double v = r.NextLinear(10.0, 2.0);
    ASSERT_GE(v, 9.99);
    ASSERT_LE(v, 12.0);
    sum += v;
    if (v > 11.0) ++upperHalf;
  }
  // Density proportional to the distance from the start: mean 2/3 of the span, 3/4 above half.
  EXPECT_NEAR(sum / kCount, 10.0 + 2.0 * 2.0 / 3.0, 0.02);
  EXPECT_NEAR(upperHalf / double(kCount), 0.75, 0.02);
}

TEST(DGRandomDistribution, NormalSpareBelongsToEachGenerator) {
  DGRandom alone;
  alone.srand(42);
  std::vector<double> expected;
  for (int i = 0; i < 10; ++i) expected.push_back(alone.NextNormal(0, 1));

  DGRandom a;
  DGRandom b;
  a.srand(42);
  b.srand(42);
  std::vector<double> fromA, fromB;
  for (int i = 0; i < 10; ++i) {
    fromA.push_back(a.NextNormal(0, 1));
    fromB.push_back(b.NextNormal(0, 1));
  }
  EXPECT_EQ(fromA, expected);
  EXPECT_EQ(fromB, expected);
}

// ---------------------------------------------------------------------------------------------
// Unicode blocks.

TEST(DGRandomUnicode, BlockTable) {
  EXPECT_EQ(DGRandom::nUnicodeBlocks(), 12);
  EXPECT_EQ(DGRandom::getUnicodeBlock(12), nullptr);
  EXPECT_EQ(DGRandom::getUnicodeBlock(-1), nullptr);
  const struct {
    int index;
    const wchar_t* name;
    int first, last;
  } rows[] = {{0, L"Latin", 32, 126}, {1, L"Greek", 913, 1011}, {10, L"CJK", 0x4E00, 0x9FFF},
              {11, L"Hangul", 0xAC00, 0xD7AF}};
  for (const auto& row : rows) {
    const U_BLOCK* b = DGRandom::getUnicodeBlock(row.index);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name, row.name);
    EXPECT_EQ(b->first, row.first);
    EXPECT_EQ(b->last, row.last);
  }
}

TEST(DGRandomUnicode, CharactersComeFromTheChosenBlocksWithoutTheirLastCodePoint) {
  DGRandom r;
  r.srand(17);
  bool sawTilde = false;
  for (int i = 0; i < 20000; ++i) {
    const wchar_t c = r.OneUnicodeChar({0});
    ASSERT_GE(c, 32);
    ASSERT_LT(c, 126);
    sawTilde |= c == L'~';
  }
  EXPECT_FALSE(sawTilde);

  std::set<int> blocksSeen;
  for (int i = 0; i < 5000; ++i) {
    const wchar_t c = r.OneUnicodeChar({2, 7, 11});
    if (c >= 1025 && c < 1103)
      blocksSeen.insert(2);
    else if (c >= 3584 && c < 3711)
      blocksSeen.insert(7);
    else if (c >= 0xAC00 && c < 0xD7AF)
      blocksSeen.insert(11);
    else
      FAIL() << "character " << int(c) << " from no chosen block";
  }
  EXPECT_EQ(blocksSeen.size(), 3u);
}

TEST(DGRandomUnicode, EmptyOrUnknownBlocksDrawFromLatin) {
  DGRandom r;
  r.srand(4);
  for (const std::vector<uint8_t>& blocks :
       {std::vector<uint8_t>{}, std::vector<uint8_t>{12}, std::vector<uint8_t>{255, 200}}) {
    for (int i = 0; i < 500; ++i) {
      const wchar_t c = r.OneUnicodeChar(blocks);
      ASSERT_GE(c, 32);
      ASSERT_LT(c, 126);
    }
  }
}

}  // namespace
