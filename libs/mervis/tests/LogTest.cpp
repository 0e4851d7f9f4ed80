#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "platform/tests/OpenDescriptors.h"
#include "testsupport/TestEnv.h"

namespace {

std::vector<std::string> FileLines(const std::wstring& path) {
  std::string bytes;
  platform::ReadFileBytes(path, bytes);
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

// The text after "date time [tid] ", checking the prefix on the way.
std::string TextOf(const std::string& line) {
  static const std::regex prefix(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[\d+\] )");
  std::smatch m;
  if (!std::regex_search(line, m, prefix)) return "<bad prefix: " + line + ">";
  return m.suffix();
}

class LogTest : public ::testing::Test {
 protected:
  void TearDown() override { CLog::Close(); }
};

TEST_F(LogTest, WritesFormattedLines) {
  const std::wstring path = testsupport::NewScratchPath(L"sub/brunox.log");
  CLog::Open(path, 0);
  EXPECT_EQ(CLog::FilePath(), path);
  CLog::State2(L"Run started \u00e9");
  CLog::State(L"Ignored at level 0");
  CLog::State(nullptr);
  CLog::Bug(L"Fetch failed", L"[HY000] gone", "/src/brunox/engine/Worker.cpp", 42);
  CLog::Bug2(L"plain bug");
  CLog::Close();
  const auto lines = FileLines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(TextOf(lines[0]), "Run started \xC3\xA9");
  EXPECT_EQ(TextOf(lines[1]), "ERROR Fetch failed: [HY000] gone (Worker.cpp:42)");
  EXPECT_EQ(TextOf(lines[2]), "ERROR plain bug");
}

TEST_F(LogTest, TheOpenLogIsNotInheritedByPrograms) {
  const std::wstring path = testsupport::NewScratchPath(L"cloexec.log");
  CLog::Open(path, 0);
  CLog::State2(L"open");
  EXPECT_TRUE(platform_test::OpenCloseOnExec(platform::NativePath(path)));
}

TEST_F(LogTest, TracesNestPerThreadAtLevelOne) {
  const std::wstring path = testsupport::NewScratchPath(L"trace.log");
  CLog::Open(path, 1);
  CLog::State(L"Outer");
  CLog::State(L"Inner");
  CLog::State2(L"inside");
  CLog::State(nullptr);
  std::thread([] {
    CLog::State(L"OtherThread");
    CLog::State(nullptr);
  }).join();
  CLog::State(nullptr);
  CLog::State(nullptr);  // an unmatched exit is dropped
  CLog::Close();
  std::vector<std::string> texts;
  for (const auto& line : FileLines(path)) texts.push_back(TextOf(line));
  EXPECT_EQ(texts, (std::vector<std::string>{"> Outer", "  > Inner", "inside", "  < Inner",
                                             "> OtherThread", "< OtherThread", "< Outer"}));
}

TEST_F(LogTest, LevelTwoWritesNothing) {
  const std::wstring path = testsupport::NewScratchPath(L"none.log");
  CLog::Open(path, 2);
  CLog::State2(L"nothing");
  CLog::Bug2(L"nothing");
  EXPECT_FALSE(platform::FileExists(path));
}

TEST_F(LogTest, LastRowsWithoutAFile) {
  CLog::Close();
  CLog::SetLevel(0);
  for (int i = 0; i < 150; ++i) CLog::State2(L"row " + platform::FromInt(i));
  const std::wstring rows = CLog::GetLastRows();
  const auto split = platform::Split(rows, L'\n');
  ASSERT_EQ(split.size(), 101u);  // 100 rows and the empty text after the last line end
  EXPECT_TRUE(platform::EndsWith(split[0], L"] row 50"));
  EXPECT_TRUE(platform::EndsWith(split[99], L"] row 149"));
}

TEST_F(LogTest, AnUnopenableFileLeavesTheLogSilent) {
  CLog::Open(testsupport::ScratchFolder(), 0);  // a folder, not a file
  CLog::State2(L"still remembered");
  EXPECT_TRUE(platform::EndsWith(CLog::GetLastRows(), L"still remembered\n"));
}

class RecordingUi : public platform::ConsoleUi {
 public:
  platform::MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                  platform::MsgButtons, platform::MsgIcon icon,
                                  platform::MsgAnswer) override {
    shown.push_back(caption + L"|" + text);
    lastIcon = icon;
    return platform::MsgAnswer::Ok;
  }
  std::vector<std::wstring> shown;
  platform::MsgIcon lastIcon = platform::MsgIcon::None;
};

TEST_F(LogTest, BugWithMsgShowsTheText) {
  RecordingUi ui;
  platform::UiServices* previous = platform::SetUi(&ui);
  CLog::SetLevel(0);
  CLog::BugWithMsg(L"Cannot open the report");
  platform::SetUi(previous);
  EXPECT_EQ(ui.shown, std::vector<std::wstring>{L"Error|Cannot open the report"});
  EXPECT_EQ(ui.lastIcon, platform::MsgIcon::Error);
  EXPECT_TRUE(platform::EndsWith(CLog::GetLastRows(), L"ERROR Cannot open the report\n"));
}

TEST_F(LogTest, SystemErrorTextsAndVersion) {
  std::wstring text;
  CLog::FormatLastError(&text, ENOENT);
  EXPECT_EQ(text, L"No such file or directory");
  EXPECT_TRUE(
      std::regex_match(platform::ToUtf8(CLog::VersionStr(1)), std::regex(R"(\d+\.\d+\.\d+)")));
}

}  // namespace
