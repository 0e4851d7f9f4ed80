// The value-file reader on its own: what it refuses to open, lines it refuses to read, and the
// encodings it reads line by line.
#include "brunox/engine/run/ValueFile.h"

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

std::wstring FileWith(const std::string& bytes) {
  const std::wstring path = testsupport::NewScratchPath(L"values.txt");
  EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
  return path;
}

// `n` lines read with wrapping.
std::vector<std::wstring> Wrapped(ValueFile& file, int n) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (int i = 0; i < n && file.ReadLineWrapping(&line); ++i) lines.push_back(line);
  return lines;
}

using Lines = std::vector<std::wstring>;

std::string Utf16Be(const std::wstring& text) {
  std::string bytes = platform::ToUtf16Le(text);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
  return bytes;
}

TEST(ValueFile, RefusesAFifoAndDevicesAtOnceNamingThePath) {
  const std::wstring fifo = testsupport::NewScratchPath(L"values.fifo");
  ASSERT_EQ(mkfifo(platform::NativePath(fifo).c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  for (const std::wstring& path : {fifo, std::wstring(L"/dev/zero")}) {
    ValueFile file;
    EXPECT_FALSE(file.Open(path)) << platform::ToUtf8(path);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(Contains(file.Error(), path)) << platform::ToUtf8(file.Error());
    std::wstring line = L"stale";
    EXPECT_FALSE(file.ReadLineWrapping(&line));
    EXPECT_EQ(line, L"");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

  ValueFile missing;
  EXPECT_FALSE(missing.Open(L"/nonexistent/values.txt"));
  EXPECT_TRUE(Contains(missing.Error(), L"/nonexistent/values.txt"));
}

TEST(ValueFile, AnOverLongLineEndsReadingWithAnError) {
  const std::string longLine(ValueFile::kMaxLineBytes + 1, 'x');
  ValueFile file;
  ASSERT_TRUE(file.Open(FileWith("first\n" + longLine + "\nlast\n")));
  EXPECT_TRUE(file.Error().empty());
  std::wstring line;
  ASSERT_TRUE(file.ReadLineWrapping(&line));
  EXPECT_EQ(line, L"first");
  // Neither the next line nor a wrap back to the start: the file is not a value file.
  EXPECT_FALSE(file.ReadLineWrapping(&line));
  EXPECT_FALSE(file.ReadLine(&line));
  EXPECT_EQ(line, L"");
  EXPECT_TRUE(Contains(file.Error(), L"longer than")) << platform::ToUtf8(file.Error());

  // A new Open starts afresh.
  ASSERT_TRUE(file.Open(FileWith("a\nb\n")));
  EXPECT_TRUE(file.Error().empty());
  EXPECT_EQ(Wrapped(file, 3), (Lines{L"a", L"b", L"a"}));
}

TEST(ValueFile, LinesAtTheCapStillRead) {
  const std::string atCap(ValueFile::kMaxLineBytes, 'y');
  ValueFile file;
  ASSERT_TRUE(file.Open(FileWith(atCap + "\r\n" + atCap)));
  EXPECT_EQ(Wrapped(file, 3), (Lines{std::wstring(ValueFile::kMaxLineBytes, L'y'),
                                     std::wstring(ValueFile::kMaxLineBytes, L'y'),
                                     std::wstring(ValueFile::kMaxLineBytes, L'y')}));
}

TEST(ValueFile, Utf8AndUtf16FilesReadLineByLineAndWrap) {
  ValueFile utf8;
  ASSERT_TRUE(utf8.Open(FileWith("\xEF\xBB\xBF" "caf\xC3\xA9\t1\r\nna\xC3\xAFve\t2\n")));
  EXPECT_FALSE(utf8.IsEmpty());
  EXPECT_EQ(Wrapped(utf8, 5), (Lines{L"caf\u00e9\t1", L"na\u00efve\t2", L"caf\u00e9\t1",
                                     L"na\u00efve\t2", L"caf\u00e9\t1"}));

  ValueFile utf16;
  ASSERT_TRUE(utf16.Open(FileWith("\xFF\xFE" + platform::ToUtf16Le(L"\u4e2d\r\n\U0001F600 x"))));
  EXPECT_EQ(Wrapped(utf16, 4), (Lines{L"\u4e2d", L"\U0001F600 x", L"\u4e2d", L"\U0001F600 x"}));
}

// A value file is decoded as every other file a user names: its lines are the lines of the text
// a whole-file read gives, whichever byte-order mark it carries.
TEST(ValueFile, EveryByteOrderMarkReadsAsAWholeFileReadDecodesIt) {
  const std::wstring text = L"caf\u00e9\t1\r\n\U0001F600 x\t2";
  const std::string bytes[] = {
      "\xFE\xFF" + Utf16Be(text),
      "\xFF\xFE" + platform::ToUtf16Le(text),
      "\xEF\xBB\xBF" + platform::ToUtf8(text),
      platform::ToUtf8(text),
  };
  for (const std::string& b : bytes) {
    const std::wstring path = FileWith(b);
    std::wstring whole;
    ASSERT_TRUE(platform::ReadTextFile(path, whole));
    EXPECT_EQ(whole, text);
    ValueFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(Wrapped(file, 3), (Lines{L"caf\u00e9\t1", L"\U0001F600 x\t2", L"caf\u00e9\t1"}))
        << "mark " << std::hex << (static_cast<unsigned>(b[0]) & 0xFF);
  }
}

TEST(ValueFile, AFileWithOnlyAByteOrderMarkHasNoLine) {
  ValueFile file;
  ASSERT_TRUE(file.Open(FileWith("\xFF\xFE")));
  EXPECT_TRUE(file.IsEmpty());
  std::wstring line;
  EXPECT_FALSE(file.ReadLineWrapping(&line));
  EXPECT_TRUE(file.Error().empty());
}

}  // namespace
