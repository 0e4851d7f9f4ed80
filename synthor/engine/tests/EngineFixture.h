#pragma once
// A seeded engine for pattern tests, with helpers that render a pattern many times.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"

namespace engine_test {

constexpr uint32_t kSeed = 20240531;

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(engine.Initialize(L"", kSeed, nullptr), 1); }
  void TearDown() override { engine.Terminate(); }

  // Renders `pattern` once; a failure is reported with the engine's error.
  std::wstring Render(const std::wstring& pattern, int column = -1) {
    DGValue v;
    EXPECT_EQ(engine.Value(column, pattern, &v, nullptr), 1)
        << platform::ToUtf8(pattern) << ": " << engine.ErrorCode() << " "
        << platform::ToUtf8(engine.Error());
    return v.value;
  }
  // The error code of rendering `pattern`, which is expected to fail.
  int RenderError(const std::wstring& pattern, int column = -1) {
    DGValue v;
    EXPECT_EQ(engine.Value(column, pattern, &v, nullptr), 0) << platform::ToUtf8(pattern);
    return engine.ErrorCode();
  }
  // The distinct values of `draws` renderings.
  std::set<std::wstring> Distinct(const std::wstring& pattern, int draws) {
    std::set<std::wstring> seen;
    for (int i = 0; i < draws; ++i) seen.insert(Render(pattern));
    return seen;
  }

  DSynthor engine;
};

// Whole-text match of a value against an ECMAScript regular expression (ASCII shapes).
inline bool Matches(const std::wstring& value, const char* shape) {
  return std::regex_match(platform::ToUtf8(value), std::regex(shape));
}

}  // namespace engine_test
