#include "platform/UserFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace platform {
namespace {

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST(UserFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
  // A FIFO without a writer would block an ordinary open; /dev/zero would never end.
  const std::wstring fifo = testsupport::NewScratchPath(L"values.fifo");
  ASSERT_EQ(mkfifo(NativePath(fifo).c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  for (const std::wstring& path : {fifo, std::wstring(L"/dev/zero"), testsupport::ScratchFolder()}) {
    std::wstring error;
    std::string bytes;
    EXPECT_FALSE(ReadUserFileBytes(path, bytes, &error)) << ToUtf8(path);
    EXPECT_TRUE(Contains(error, path)) << ToUtf8(error);
    error.clear();
    EXPECT_EQ(OpenUserFile(path, &error), nullptr);
    EXPECT_FALSE(error.empty());
    std::wstring text;
    EXPECT_FALSE(ReadTextFile(path, text));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(UserFile, NamesAMissingFileAndTheFolderCase) {
  std::wstring error;
  std::string bytes;
  EXPECT_FALSE(ReadUserFileBytes(L"/nonexistent/script.sql", bytes, &error));
  EXPECT_EQ(error, L"The file '/nonexistent/script.sql' does not exist.");
  EXPECT_FALSE(ReadUserFileBytes(testsupport::ScratchFolder(), bytes, &error));
  EXPECT_TRUE(Contains(error, L"is a folder")) << ToUtf8(error);
  EXPECT_FALSE(ReadUserFileBytes(L"", bytes, &error));
  EXPECT_FALSE(error.empty());
}

TEST(UserFile, ReadsUpToTheCapAndRefusesMore) {
  const std::wstring path = testsupport::NewScratchPath(L"big.txt");
  ASSERT_TRUE(WriteFileBytes(path, std::string(1000, 'x')));
  std::string bytes;
  std::wstring error;
  EXPECT_TRUE(ReadUserFileBytes(path, bytes, &error, 1000));
  EXPECT_EQ(bytes.size(), 1000u);
  bytes = "kept";
  EXPECT_FALSE(ReadUserFileBytes(path, bytes, &error, 999));
  EXPECT_EQ(bytes, "kept");  // nothing half read is handed out
  EXPECT_TRUE(Contains(error, L"larger than")) << ToUtf8(error);
}

TEST(UserFile, ReadsFilesThatReportNoSize) {
  // Files of /proc have st_size 0 but do have content.
  std::string bytes;
  ASSERT_TRUE(ReadUserFileBytes(L"/proc/self/status", bytes));
  EXPECT_NE(bytes.find("Name:"), std::string::npos);
}

TEST(UserFile, TextIsDecodedAndDescriptorsAreCloseOnExec) {
  const std::wstring path = testsupport::NewScratchPath(L"utf16.txt");
  ASSERT_TRUE(WriteTextFileUtf16Le(path, L"select '\u00e4'"));
  std::wstring text;
  TextEncoding encoding = TextEncoding::Latin1;
  ASSERT_TRUE(ReadUserTextFile(path, text, nullptr, kUserFileMaxBytes, &encoding));
  EXPECT_EQ(text, L"select '\u00e4'");
  EXPECT_EQ(encoding, TextEncoding::Utf16Le);
  UniqueFile file = OpenUserFile(path);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(fcntl(fileno(file.get()), F_GETFD) & FD_CLOEXEC);
  EXPECT_FALSE(fcntl(fileno(file.get()), F_GETFL) & O_NONBLOCK);
}

}  // namespace
}  // namespace platform
