#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mervis/ReadString.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

std::vector<std::wstring> ReadAll(const std::string& bytes, int ansi, long skip = 0) {
  const std::wstring path = testsupport::NewScratchPath(L"lines.txt");
  EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
  std::FILE* f = std::fopen(platform::NativePath(path).c_str(), "rb");
  EXPECT_NE(f, nullptr);
  std::vector<std::wstring> lines;
  if (!f) return lines;
  std::fseek(f, skip, SEEK_SET);
  std::wstring line = L"stale";
  while (ReadString(f, &line, ansi)) lines.push_back(line);
  EXPECT_EQ(line, L"");  // the end leaves no stale text behind
  std::fclose(f);
  return lines;
}

using Lines = std::vector<std::wstring>;

TEST(ReadString, AnsiLines) {
  EXPECT_EQ(ReadAll("one\r\ntwo\n\nlast", 1), (Lines{L"one", L"two", L"", L"last"}));
  EXPECT_EQ(ReadAll("ends with line end\r\n", 1), (Lines{L"ends with line end"}));
  EXPECT_EQ(ReadAll("", 1), Lines{});
  EXPECT_EQ(ReadAll("\n", 1), Lines{L""});
  EXPECT_EQ(ReadAll("caf\xC3\xA9\ncaf\xE9\n", 1), (Lines{L"caf\u00e9", L"caf\u00e9"}));
  const std::string longLine(300000, 'y');
  EXPECT_EQ(ReadAll(longLine + "\r\nz", 1), (Lines{std::wstring(300000, L'y'), L"z"}));
}

TEST(ReadString, Utf16Lines) {
  const std::string text = platform::ToUtf16Le(L"one\r\n\u4e2d \U0001F600\r\n\r\nlast");
  const Lines expected{L"one", L"\u4e2d \U0001F600", L"", L"last"};
  EXPECT_EQ(ReadAll("\xFF\xFE" + text, 0), expected);
  EXPECT_EQ(ReadAll("\xFF\xFE" + text, 0, 2), expected);  // the caller skipped the mark itself
  EXPECT_EQ(ReadAll(text, 0), expected);
  EXPECT_EQ(ReadAll(text + "x", 0), expected);  // a lone last byte is dropped
  EXPECT_EQ(ReadAll("\xFF\xFE", 0), Lines{});
}

TEST(ReadString, ALineOverTheCapIsRefused) {
  const auto read = [](const std::string& bytes, int ansi, std::size_t cap) {
    const std::wstring path = testsupport::NewScratchPath(L"capped.txt");
    EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
    std::FILE* f = std::fopen(platform::NativePath(path).c_str(), "rbe");
    std::vector<std::wstring> lines;
    std::wstring line;
    bool tooLong = false;
    while (ReadString(f, &line, ansi, cap, &tooLong)) lines.push_back(line);
    std::fclose(f);
    if (tooLong) lines.push_back(L"<too long>");
    return lines;
  };
  // The line end does not count: a CR LF line of exactly the cap is still a line.
  EXPECT_EQ(read("abcd\r\nabcde\nx", 1, 4), (Lines{L"abcd", L"<too long>"}));
  EXPECT_EQ(read("abcd\r\nabcd", 1, 4), (Lines{L"abcd", L"abcd"}));
  EXPECT_EQ(read("abcde", 1, 4), (Lines{L"<too long>"}));
  const std::string utf16 = platform::ToUtf16Le(L"ab\r\nabc\r\n");
  EXPECT_EQ(read("\xFF\xFE" + utf16, 0, 4), (Lines{L"ab", L"<too long>"}));
  EXPECT_EQ(read("\xFF\xFE" + utf16, 0, 6), (Lines{L"ab", L"abc"}));
}

}  // namespace
