// $file, $filegroup and $blob over real files in a private folder, and the shared line loader.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "synthor/engine/tests/EngineFixture.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/files/FileData.h"
#include "synthor/generators/files/FileGroupData.h"

namespace {

using engine_test::EngineFixture;

class GeneratorFilesTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    folder = platform::MakePrivateTempFolder(L"genfiles");
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    EngineFixture::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(platform::NativePath(folder), ignored);
  }
  std::wstring Write(const std::wstring& name, std::string_view bytes) {
    const std::wstring path = platform::JoinPath(folder, name);
    EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
    return path;
  }
  std::vector<std::wstring> Load(std::string_view bytes) {
    std::vector<std::wstring> lines{L"stale"};
    EXPECT_EQ(FileData::LoadFileContent(Write(L"load.txt", bytes), &lines, nullptr), 0);
    return lines;
  }

  std::wstring folder;
};

TEST_F(GeneratorFilesTest, LoaderDecodesByMarkAndStopsAtFirstEmptyLine) {
  using std::string_literals::operator""s;
  const struct {
    std::string bytes;
    std::vector<std::wstring> lines;
  } cases[] = {
      {"\xFF\xFE" "a\0\n\0b\0"s, {L"a", L"b"}},
      {"\xFE\xFF\0a\0\n\0b"s, {L"a", L"b"}},
      {"\xFF\xFE" "a\0\n\0b\0c"s, {L"a", L"b"}},  // an odd byte at the end is dropped
      {"caf\xE9\n", {L"caf\u00E9"}},            // not UTF-8: one character per byte
      {"caf\xC3\xA9\n", {L"caf\u00E9"}},        // UTF-8
      {"\xEF\xBB\xBF" "a\nb\n", {L"a", L"b"}},     // the UTF-8 mark is no character
      {"one\r\ntwo\r\n", {L"one", L"two"}},
      {"one\ntwo\n\nfour\n", {L"one", L"two"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Load(c.bytes), c.lines) << c.bytes;

  std::vector<std::wstring> lines{L"stale"};
  EXPECT_EQ(FileData::LoadFileContent(folder + L"/missing.txt", &lines, nullptr), -1);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(FileData::LoadFileContent(folder, &lines, nullptr), -1);  // a folder
}

TEST_F(GeneratorFilesTest, LoaderReadsOnlyTheFirst16MiB) {
  const std::string line = std::string(999, 'x') + "\n";
  std::string big;
  for (int i = 0; i < 17000; ++i) big += line;
  const std::vector<std::wstring> lines = Load(big);
  ASSERT_EQ(lines.size(), 16778u);  // 16777 whole lines and 216 bytes of the next
  EXPECT_EQ(lines.back().size(), 216u);
}

TEST_F(GeneratorFilesTest, CheckSyntaxModeReads502Lines) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "v\n";
  DSynthor::SetCheckSyntaxMode(1);
  const std::size_t count = Load(text).size();
  DSynthor::SetCheckSyntaxMode(0);
  EXPECT_EQ(count, 502u);
}

TEST_F(GeneratorFilesTest, FileGivesLinesInOrderOrAtRandomOrEvaluated) {
  const std::wstring path = Write(L"list.txt", "a\nb\nc\n");
  for (const wchar_t* expected : {L"a", L"b", L"c", L"a"})
    EXPECT_EQ(Render(L"$file(" + path + L", 1)"), expected);
  EXPECT_EQ(Distinct(L"$file(" + path + L")", 60), (std::set<std::wstring>{L"a", L"b", L"c"}));
  EXPECT_EQ(engine.nValues(L"$file(" + path + L")"), 3);

  const std::wstring digits = Write(L"digits.txt", "NN\n");
  const std::set<std::wstring> drawn = Distinct(L"$file(" + digits + L", 0, TRUE)", 30);
  EXPECT_GT(drawn.size(), 1u);
  for (const std::wstring& v : drawn) EXPECT_TRUE(engine_test::Matches(v, "[0-9]{2}"));
  EXPECT_EQ(Render(L"$file(" + digits + L", 0, yes)"), L"NN");  // not a boolean true
}

TEST_F(GeneratorFilesTest, FileGroupReadsOtherColumnsOfTheSameRow) {
  const std::wstring tabs = Write(L"tabs.txt", "x1\ty1\nx2\ty2\n");
  const std::wstring pattern = L"$filegroup(1, 2, " + tabs + L", 1)-$group(1, 1)";
  EXPECT_EQ(Render(pattern), L"y1-x1");
  EXPECT_EQ(Render(pattern), L"y2-x2");

  const std::wstring ragged = Write(L"ragged.txt", "a;b;c\nd;e\n");
  const std::wstring uneven =
      L"$filegroup(2, 1, " + ragged + L", 1, 0, (\";\"))=$group(2, 2)=$group(2, 3)";
  EXPECT_EQ(Render(uneven), L"a=b=c");
  EXPECT_EQ(Render(uneven), L"d=e=");  // column 3 has no second row
}

TEST(FileGroupSplit, FieldsBetweenDelimiters) {
  const struct {
    const wchar_t* line;
    const wchar_t* delimiter;
    std::vector<std::wstring> fields;
  } cases[] = {
      {L"a;b", L";", {L"a", L"b"}},
      {L"a;;b", L";", {L"a", L"", L"b"}},
      {L"a;", L";", {L"a", L""}},
      {L"a;;;b", L";;", {L"a", L";b"}},  // matches do not overlap
      {L";;;;", L";;", {L"", L"", L""}},
      {L"a<->b<-><->", L"<->", {L"a", L"b", L"", L""}},
      {L"", L";", {L""}},
      {L"ab", L";", {L"ab"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileGroupData::SplitFields(c.line, c.delimiter), c.fields) << platform::ToUtf8(c.line);
}

TEST_F(GeneratorFilesTest, BlobGivesHexOrTextAndKeepsWhatItRead) {
  using std::string_literals::operator""s;
  const std::wstring bin = folder + L"/bin";
  ASSERT_TRUE(platform::MakeDirectories(bin + L"/sub"));  // a sub-folder is not a file
  const std::wstring file = platform::JoinPath(bin, L"b.dat");
  ASSERT_TRUE(platform::WriteFileBytes(file, "\x00\x1F\xFF"s));
  EXPECT_EQ(Render(L"$blob(" + bin + L")"), L"001FFF");
  ASSERT_TRUE(platform::RemoveFile(file));
  EXPECT_EQ(Render(L"$blob(" + bin + L")"), L"001FFF");

  const struct {
    std::string bytes;
    std::wstring text;
  } texts[] = {
      {"h\xC3\xA9llo", L"h\u00E9llo"},
      {"\xFE\xFF\0A\0B"s, L"AB"},
      {"\xFF\xFE" "A\0B\0"s, L"AB"},
      {"x", L""},
  };
  int i = 0;
  for (const auto& t : texts) {
    const std::wstring sub = folder + L"/t" + platform::FromInt(i++);
    ASSERT_TRUE(platform::MakeDirectories(sub));
    ASSERT_TRUE(platform::WriteFileBytes(sub + L"/f.txt", t.bytes));
    EXPECT_EQ(Render(L"$blob(" + sub + L", true)"), t.text);
  }
}

TEST_F(GeneratorFilesTest, ErrorsNameTheParameterAsGiven) {
  const std::wstring empty = folder + L"/empty";
  ASSERT_TRUE(platform::MakeDirectories(empty));
  const std::wstring bad = Write(L"bad.txt", "$nosuchfunction(1)\n");
  // Only regular files are read: a FIFO without a writer or an endless device would block.
  const std::wstring fifo = folder + L"/fifo";
  ASSERT_EQ(0, mkfifo(platform::NativePath(fifo).c_str(), 0600));
  const struct {
    std::wstring pattern;
    int code;
  } cases[] = {
      {L"$file()", 1200},
      {L"$file($TEMP$/no-such-file.txt)", 1201},
      {L"$file(" + fifo + L")", 1201},
      {L"$file(/dev/zero)", 1201},
      {L"$filegroup(1, 1)", 1300},
      {L"$filegroup(1, 1, /no/such/file)", 1301},
      {L"$blob()", 2700},
      {L"$blob(/no/such/folder)", 2701},
      {L"$blob(" + empty + L")", 2702},
      {L"$filegroup(1, 1, " + bad + L", 0, 0, (\"\"))", 1303},  // an empty delimiter
  };
  for (const auto& c : cases) EXPECT_EQ(RenderError(c.pattern), c.code) << platform::ToUtf8(c.pattern);
  RenderError(L"$file($TEMP$/no-such-file.txt)");
  EXPECT_EQ(engine.Error(),
            L"FileData: could not access or open source file '$TEMP$/no-such-file.txt'.");

  // A line that is not a valid pattern fails at value time, not at compile time.
  DGValue v;
  engine.Value(-1, L"$file(" + bad + L", 1, 1)", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 1202);
  EXPECT_EQ(engine.Error(), L"FileData: could not calculate item '$nosuchfunction(1)' of the list");
  const std::wstring badGroup = Write(L"badgroup.txt", "$nosuchfunction(1)\tx\n");
  engine.Value(-1, L"$filegroup(1, 1, " + badGroup + L", 0, 1)", &v, nullptr);
  EXPECT_EQ(engine.ErrorCode(), 1302);
}

}  // namespace
