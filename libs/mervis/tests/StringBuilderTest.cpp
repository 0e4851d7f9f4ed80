#include <gtest/gtest.h>

#include <string>

#include "mervis/StringBuilder.h"

namespace {

TEST(StringBuilder, GrowsAndResets) {
  StringBuilder b(4);
  b.Set(L"ab");
  b.Append(L"cdef", 2);
  b.Append(L'!');
  b.Append(nullptr, 0);
  b.Append(std::wstring(1000, L'z'));
  EXPECT_EQ(b.GetLength(), 1005u);
  EXPECT_EQ(b.Get().substr(0, 6), L"abcd!z");
  b.Reset();
  EXPECT_EQ(b.Get(), L"");
  b.Append(L'x');
  EXPECT_EQ(b.Get(), L"x");
}

}  // namespace
