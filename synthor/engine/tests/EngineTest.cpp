// The engine object: handles, life cycle, column values, quote flags and the engine's limits.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "synthor/engine/NamedGen.h"
#include "synthor/engine/tests/EngineFixture.h"

namespace engine_test {
namespace {

// ---- Handles ----

TEST_F(EngineFixture, SameTextSameHandleOtherCaseNewHandle) {
  const uint32_t first = engine.Compile(L"AAA", 1, -1, nullptr);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(engine.Compile(L"AAA", 1, -1, nullptr), first);
  const uint32_t lower = engine.Compile(L"aaa", 1, -1, nullptr);
  EXPECT_NE(lower, 0u);
  EXPECT_NE(lower, first);
  // Without reuse a second copy is made, yet look-ups keep finding the first.
  const uint32_t copy = engine.Compile(L"AAA", 0, -1, nullptr);
  EXPECT_NE(copy, first);
  EXPECT_EQ(engine.Compile(L"AAA", 1, -1, nullptr), first);
}

TEST_F(EngineFixture, ValueCompilesATextOnce) {
  Render(L"N{=4}");
  const uint32_t handle = engine.Compile(L"N{=4}", 1, -1, nullptr);
  ASSERT_NE(handle, 0u);
  Render(L"N{=4}");
  EXPECT_EQ(engine.Compile(L"N{=4}", 1, -1, nullptr), handle);
}

TEST_F(EngineFixture, RenderingByHandle) {
  const uint32_t handle = engine.Compile(L"N{=3}", 1, -1, nullptr);
  DGValue v;
  v.value = L"keep-";
  ASSERT_EQ(engine.Value(-1, handle, &v, nullptr, 1), 1);
  EXPECT_TRUE(Matches(v.value, "keep-[0-9]{3}"));
  ASSERT_EQ(engine.Value(-1, handle, &v, nullptr, 0), 1);
  EXPECT_TRUE(Matches(v.value, "[0-9]{3}"));
}

TEST_F(EngineFixture, WrongHandlesFailWithCode4) {
  const uint32_t handle = engine.Compile(L"x", 1, -1, nullptr);
  for (const uint32_t wrong : {0u, handle + 1, 0xFFFFFFFFu}) {
    DGValue v;
    EXPECT_EQ(engine.Value(-1, wrong, &v, nullptr, 0), 0);
    EXPECT_EQ(engine.ErrorCode(), 4);
  }
  DGValue v;
  engine.Value(-1, 0u, &v, nullptr, 0);
  EXPECT_EQ(engine.Error(), L"0 is a wrong handle (Inited=1, Size=2).");
}

TEST_F(EngineFixture, TrialFailureKeepsNoHandle) {
  // Compiles, but the trial rendering fails: column 5 does not exist.
  EXPECT_EQ(engine.Compile(L"$vars(@5)", 1, -1, nullptr), 0u);
  EXPECT_EQ(engine.ErrorCode(), 702);
  EXPECT_EQ(RenderError(L"$vars(@5)"), 702);
}

// ---- Life cycle ----

TEST(EngineLifecycle, NothingWorksBeforeInitialize) {
  DSynthor engine;
  engine.SetError(77, L"earlier");
  DGValue v;
  EXPECT_EQ(engine.Value(-1, L"AAA", &v, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 77);
  EXPECT_EQ(engine.Compile(L"AAA", 1, -1, nullptr), 0u);
  EXPECT_EQ(engine.nValues(L"AAA"), 0);
  engine.SetConnection(nullptr);
  EXPECT_EQ(engine.Error(), L"The engine is not initialized properly.");
  EXPECT_EQ(engine.ErrorCode(), 77);
  EXPECT_EQ(engine.Value(-1, 3u, &v, nullptr, 0), 0);
  EXPECT_EQ(engine.Error(), L"3 is a wrong handle (Inited=0, Size=0).");
}

TEST(EngineLifecycle, TerminateThenValue) {
  DSynthor engine;
  engine.Initialize(L"", 9, nullptr);
  engine.AddColumnName(L"P1");
  engine.SetConnection(nullptr);
  DGValue v;
  ASSERT_EQ(engine.Value(0, L"N{=2}", &v, nullptr), 1);
  const uint32_t handle = engine.Compile(L"N{=2}", 1, -1, nullptr);
  engine.Terminate();
  EXPECT_EQ(engine.IsInitialized(), 1);
  // Handles of before are gone; the columns too, so a reference no longer compiles.
  EXPECT_EQ(engine.Value(-1, handle, &v, nullptr, 0), 0);
  EXPECT_EQ(engine.ErrorCode(), 4);
  EXPECT_EQ(engine.Value(0, L"@1", &v, nullptr), 0);
  EXPECT_EQ(engine.ErrorCode(), 700);
  EXPECT_EQ(engine.Value(0, L"AAA", &v, nullptr), 1);
  EXPECT_TRUE(Matches(v.value, "[A-Z]{3}"));
  engine.Terminate();
  engine.Terminate();
}

TEST(EngineLifecycle, DestroyedWithoutTerminate) {
  // Under the address sanitizer a leak here fails the run.
  auto* engine = new DSynthor;
  engine->Initialize(L"", 3, nullptr);
  engine->AddColumnName(L"P1");
  engine->SetConnection(nullptr);
  DGValue v;
  engine->Value(0, L"<a|b>[N]$upper(x)", &v, nullptr);
  delete engine;
}

TEST(EngineLifecycle, SubordinateEngineTakesTheLibraryPath) {
  DSynthor master, helper;
  master.Initialize(L"/tmp/library.db", 1, nullptr);
  EXPECT_EQ(helper.Initialize(&master), 1);
  EXPECT_EQ(helper.LibraryPath(), L"/tmp/library.db");
  DGValue v;
  EXPECT_EQ(helper.Value(-1, L"NN", &v, nullptr), 1);
}

// ---- Columns ----

TEST_F(EngineFixture, ReferencesReadCurrentAndPreviousValues) {
  engine.AddColumnName(L"[P1]");
  engine.AddColumnName(L"P2");
  engine.AddColumnName(L"P3");
  const std::wstring row1 = Render(L"N{=6}", 0);
  EXPECT_EQ(Render(L"@'P1'-x", 1), row1 + L"-x");
  EXPECT_EQ(Render(L"@1", 2), row1);
  const std::wstring row2 = Render(L"N{=6}", 0);
  EXPECT_EQ(Render(L"@@1", 1), row1);
  EXPECT_EQ(engine.CurrentValue(0), row2);
  EXPECT_EQ(engine.PreviousValue(0), row1);
}

TEST_F(EngineFixture, ReferenceToTheTwelfthColumn) {
  for (int i = 1; i <= 12; ++i) engine.AddColumnName(L"P" + platform::FromInt(i));
  const std::wstring twelfth = Render(L"A{=5}", 11);
  EXPECT_EQ(Render(L"@12"), twelfth);
}

TEST_F(EngineFixture, ColumnMinusOneRecordsNothing) {
  engine.AddColumnName(L"P1");
  const std::wstring first = Render(L"N{=5}", 0);
  EXPECT_EQ(Render(L"@1"), first);
  Render(L"A{=5}", -1);
  Render(L"$pattern(@1)", -1);
  EXPECT_EQ(engine.CurrentValue(0), first);
  EXPECT_EQ(engine.CurrentValue(7), L"") << "a column that does not exist reads empty";
}

TEST(EngineColumns, IndependentValuesAreRecordedForTheFirstRowOnly) {
  for (const bool disableCheck : {false, true}) {
    DSynthor engine;
    engine.Initialize(L"", 11, nullptr);
    engine.AddColumnName(L"P1");
    engine.AddColumnName(L"P2");
    if (disableCheck) engine.DisableDepCheck();
    DGValue v;
    engine.Value(0, L"N{=8}", &v, nullptr);
    engine.Value(1, L"A{=8}", &v, nullptr);
    const std::wstring firstRow = v.value;
    engine.Value(0, L"N{=8}", &v, nullptr);
    engine.Value(1, L"A{=8}", &v, nullptr);
    EXPECT_EQ(engine.CurrentValue(1) == firstRow, !disableCheck);
    EXPECT_EQ(engine.CurrentValue(1) == v.value, disableCheck);
  }
}

// ---- Quote flags ----

TEST_F(EngineFixture, QuoteFlagsCollectOverValues) {
  QuoteOptions q;
  DGValue v;
  ASSERT_EQ(engine.Value(-1, L"x'y", &v, &q), 1);
  EXPECT_EQ(q.apostrophe, 1);
  EXPECT_EQ(q.doubleQuote, 0);
  EXPECT_EQ(q.comma, 0);
  ASSERT_EQ(engine.Value(-1, L"<a|b\"c>", &v, &q), 1);
  EXPECT_EQ(q.doubleQuote, 1);
  ASSERT_EQ(engine.Value(-1, L"plain", &v, &q), 1);
  EXPECT_EQ(q.apostrophe, 1) << "flags are never cleared";
  QuoteOptions escaped;
  ASSERT_EQ(engine.Value(-1, L"1\\,2", &v, &escaped), 1);
  EXPECT_EQ(v.value, L"1,2");
  EXPECT_EQ(escaped.comma, 1);
  QuoteOptions none;
  ASSERT_EQ(engine.Value(-1, L"N{=3}", &v, &none), 1);
  EXPECT_EQ(none.apostrophe + none.doubleQuote + none.comma, 0);
}

// ---- Limits ----

TEST_F(EngineFixture, NestingStopsAtTheDepthLimit) {
  std::vector<NamedGen*> named;
  NamedGen self{L"loop", L"x$call(loop)"};
  named.push_back(&self);
  engine.SetNamedGenerators(&named);
  EXPECT_EQ(RenderError(L"$call(loop)"), 114);
  EXPECT_EQ(engine.Error(), L"Pattern: nesting is deeper than 64 levels.");

  // The limit allows what its text says: 64 levels of functions inside the pattern, not one more.
  for (const std::wstring function : {L"$pattern(", L"$upper("}) {
    const auto nested = [&](int depth) {
      std::wstring p = L"N";
      for (int i = 0; i < depth; ++i) p = function + p + L")";
      return p;
    };
    EXPECT_EQ(Render(nested(64)).size(), 1u) << platform::ToUtf8(function);
    EXPECT_NE(engine.Compile(nested(64) + L"N", 0, -1, nullptr), 0u);
    EXPECT_EQ(RenderError(nested(65)), 114) << platform::ToUtf8(function);
    EXPECT_EQ(engine.Error(), L"Pattern: nesting is deeper than 64 levels.");
    EXPECT_EQ(RenderError(nested(70)), 114);
  }
  // The engine is usable afterwards.
  EXPECT_EQ(Render(L"NN").size(), 2u);
}

TEST_F(EngineFixture, ValuesStopAtTheLengthLimit) {
  // Refused before a single character is drawn.
  EXPECT_EQ(RenderError(L"A{=16777217}"), 115);
  EXPECT_EQ(engine.Error(), L"Pattern: the value would be longer than 16777216 characters.");

  engine.SetMaxValueLength(100);
  EXPECT_EQ(Render(L"N{=100}").size(), 100u);
  EXPECT_EQ(RenderError(L"N{=101}"), 115);
  EXPECT_EQ(RenderError(L"(N{=40})##"), 115);
  EXPECT_EQ(RenderError(L"$pattern(N{=60})$pattern(N{=60})"), 115);
  EXPECT_EQ(RenderError(L"N{=99}xy"), 115);
  EXPECT_EQ(RenderError(L"$geometry(1000)"), 115);
  EXPECT_EQ(RenderError(L"$rstring(101,101)"), 115);
}

// ---- Helpers of the engine ----

TEST(EngineStatics, QuoteForGeneratorMakesTextLiteral) {
  DSynthor engine;
  engine.Initialize(L"", 1, nullptr);
  const std::wstring text = L"Anna (N) #1 @x $y <a|b> [c] \\ X";
  const std::wstring quoted = DSynthor::QuoteForGenerator(text);
  DGValue v;
  ASSERT_EQ(engine.Value(-1, quoted, &v, nullptr), 1);
  EXPECT_EQ(v.value, text);
}

TEST(EngineStatics, QuoteForGeneratorHoldsInsideAnOptionalBlock) {
  DSynthor engine;
  engine.Initialize(L"", 1, nullptr);
  const std::wstring text = L"a]b N{=2} c|d> {x}";
  const std::wstring block = L"[" + DSynthor::QuoteForGenerator(text) + L"]";
  std::set<std::wstring> values;
  for (int i = 0; i < 40; ++i) {
    DGValue v;
    ASSERT_EQ(engine.Value(-1, block, &v, nullptr), 1);
    values.insert(v.value);
  }
  EXPECT_EQ(values, (std::set<std::wstring>{L"", text}));
}

TEST(EngineStatics, HelpPages) {
  const std::pair<const wchar_t*, const wchar_t*> pages[] = {
      {L"NNN", L"symbol.html"},        {L"aaa", L"symbol.html"},
      {L"x$RINT(1,2)", L"rint.html"},  {L"x$rintn(1)", L"rintn.html"},
      {L"$inc(1)", L"inc.html"},       {L"$last(x,1)", L"$last.html"},
      {L"$xml(a)", L"blob.html"},      {L"$truncate(a,1)", L"truncate.html"},
      {L"plain", L"index.html"},       {L"", L"index.html"},
  };
  for (const auto& [pattern, page] : pages)
    EXPECT_EQ(DSynthor::HelpByPattern(pattern), page) << platform::ToUtf8(pattern);
}

TEST_F(EngineFixture, ValueArrayRendersEveryPatternPerRound) {
  const std::vector<std::wstring> patterns = {L"N{=2}", L"x", L"$nosuch(1)"};
  std::vector<std::wstring> out;
  ASSERT_EQ(engine.MakeValueArray(3, &patterns, &out), 1);
  ASSERT_EQ(out.size(), 9u);
  for (int round = 0; round < 3; ++round) {
    EXPECT_TRUE(Matches(out[round * 3], "[0-9]{2}"));
    EXPECT_EQ(out[round * 3 + 1], L"x");
    EXPECT_EQ(out[round * 3 + 2], L"");
  }
  EXPECT_EQ(engine.MakeValueArray(1, nullptr, &out), 0);
}

TEST_F(EngineFixture, NumberOfValues) {
  EXPECT_EQ(engine.nValues(L"<a|b|c>x"), 3);
  EXPECT_EQ(engine.nValues(L"NNN"), 1);
  EXPECT_EQ(engine.nValues(L""), 1);
  EXPECT_EQ(engine.nValues(L"<a|b"), 0);
}

TEST(EngineValue, CopyAppendAndCompare) {
  DGValue a;
  a.value = L"12";
  a.format = L"%d";
  a.number = 5;
  DGValue b(a);
  EXPECT_EQ(b.number, 5);
  DGValue c;
  c.number = 9;
  c = a;
  EXPECT_EQ(c.number, 9) << "assignment copies the texts only";
  EXPECT_FALSE(c != a);
  DGValue d;
  d.value = L"x";
  d.format = L"F";
  c += d;
  EXPECT_EQ(c.value, L"12x");
  EXPECT_EQ(c.format, L"F");
  EXPECT_TRUE(c != a);
  c.Clear();
  EXPECT_EQ(c.value + c.format, L"");
  EXPECT_EQ(c.number, 0);
}

}  // namespace
}  // namespace engine_test

namespace engine_test {
namespace {

// Engines on several threads share only the process-wide tables (functions, library folder,
// callback, the locale's date order read on first use); each thread's values must come out whole.
TEST(EngineThreads, EnginesOnSeveralThreads) {
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  // Checked after the threads end: building std::regex objects on several threads at once races
  // inside the standard library, which is not what this test is about.
  std::vector<std::vector<std::wstring>> values(8);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &failures, &values] {
      DSynthor engine;
      engine.Initialize(L"/tmp/lib" + platform::FromInt(t), 0, nullptr);
      for (int row = 0; row < 50; ++row) {
        engine.AddColumnName(L"P1");
        DGValue v;
        if (!engine.Value(0, L"$upper(a{=3})-$rint(0,10)-<x|y>-$$($pattern(25.12.2001) + 7)", &v,
                          nullptr))
          ++failures;
        values[t].push_back(v.value);
        engine.Terminate();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  for (const std::vector<std::wstring>& ofThread : values)
    for (const std::wstring& value : ofThread)
      EXPECT_TRUE(Matches(value, "[A-Z]{3}-[0-9]-[xy]-01\\.01\\.2002")) << platform::ToUtf8(value);
}

}  // namespace
}  // namespace engine_test
