// Items that render a nested pattern text remember where the engine found it. The memory must
// never outlive the engine's pattern list, nor carry over to another engine.
#include <gtest/gtest.h>

#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/tests/EngineFixture.h"

namespace engine_test {
namespace {

// The pattern is the test's, so its items outlive the engine's patterns across Clear.
TEST_F(EngineFixture, NestedTextIsFoundAgainAfterClear) {
  CompiledPattern pattern(&engine);
  ASSERT_EQ(engine.Compile(L"$upper(a{=3})", &pattern, nullptr), 1);
  DGValue out;
  ASSERT_EQ(pattern.Render(&out, nullptr), 1);
  EXPECT_TRUE(Matches(out.value, "[A-Z]{3}")) << platform::ToUtf8(out.value);

  // The nested text's old handle now holds other patterns, one of them the same text again.
  engine.Clear();
  ASSERT_NE(engine.Compile(L"N", 0, -1, nullptr), 0u);
  const uint32_t first = engine.Compile(L"a{=3}", 0, -1, nullptr);
  ASSERT_NE(first, 0u);
  ASSERT_NE(engine.Compile(L"a{=3}", 0, -1, nullptr), 0u);
  for (int i = 0; i < 3; ++i) {
    out.Clear();
    ASSERT_EQ(pattern.Render(&out, nullptr), 1);
    EXPECT_TRUE(Matches(out.value, "[A-Z]{3}")) << platform::ToUtf8(out.value);
  }
}

TEST_F(EngineFixture, NestedTextGoesThroughTheRenderingEngine) {
  CompiledPattern pattern(&engine);
  ASSERT_EQ(engine.Compile(L"$$($rint(1, 1000) * 2)", &pattern, nullptr), 1);
  DGValue out;
  ASSERT_EQ(pattern.items.at(0)->Value(&out, &engine, nullptr), 1);

  // Another engine whose own patterns sit where this one's do, with another seed.
  DSynthor other;
  ASSERT_EQ(other.Initialize(L"", kSeed + 1, nullptr), 1);
  ASSERT_NE(other.Compile(L"x", 0, -1, nullptr), 0u);
  ASSERT_NE(other.Compile(L"y", 0, -1, nullptr), 0u);
  DSynthor twin;
  ASSERT_EQ(twin.Initialize(L"", kSeed + 1, nullptr), 1);
  ASSERT_NE(twin.Compile(L"x", 0, -1, nullptr), 0u);
  ASSERT_NE(twin.Compile(L"y", 0, -1, nullptr), 0u);
  for (int i = 0; i < 5; ++i) {
    out.Clear();
    ASSERT_EQ(pattern.items.at(0)->Value(&out, &other, nullptr), 1);
    DGValue nested;
    ASSERT_EQ(twin.Value(L"$rint(1, 1000)", &nested), 1);
    EXPECT_EQ(out.value, platform::FromInt(2 * platform::ToInt(nested.value)));
  }
  other.Terminate();
  twin.Terminate();
}

}  // namespace
}  // namespace engine_test
