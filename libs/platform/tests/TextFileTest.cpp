#include "platform/TextFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "testsupport/TestEnv.h"

namespace platform {
namespace {

std::vector<std::string> FolderEntries(const std::wstring& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(NativePath(folder).c_str())) {
    while (dirent* e = readdir(dir)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

TEST(TextFile, Utf16LeRoundTripWithBom) {
  const std::wstring path = testsupport::NewScratchPath(L"text-\u00e4.txt");
  const std::wstring text = L"Zeile 1\r\n\u00e4\u20ac\U0001F600\tEnde";
  ASSERT_TRUE(WriteTextFileUtf16Le(path, text));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes.size(), 2 + 2 * (text.size() + 1));  // one surrogate pair
  std::wstring back;
  TextEncoding encoding = TextEncoding::Latin1;
  ASSERT_TRUE(ReadTextFile(path, back, &encoding));
  EXPECT_EQ(back, text);
  EXPECT_EQ(encoding, TextEncoding::Utf16Le);
}

TEST(TextFile, EncodingIsDetected) {
  struct Case {
    std::string bytes;
    std::wstring text;
    TextEncoding encoding;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBFh\xC3\xA9", L"h\u00e9", TextEncoding::Utf8},  // BOM is not part of the text
      {"h\xC3\xA9", L"h\u00e9", TextEncoding::Utf8},
      {"caf\xE9 \xA7", L"caf\u00e9 \u00a7", TextEncoding::Latin1},
      {std::string("\xFE\xFF\0h\0\xE9", 6), L"h\u00e9", TextEncoding::Utf16Be},
      {std::string("\xFF\xFEh\0", 4), L"h", TextEncoding::Utf16Le},
      {"", L"", TextEncoding::Utf8},
  };
  for (const Case& c : cases) {
    const std::wstring path = testsupport::NewScratchPath(L"in.txt");
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    std::wstring text;
    TextEncoding encoding = TextEncoding::Utf16Be;
    ASSERT_TRUE(ReadTextFile(path, text, &encoding));
    EXPECT_EQ(text, c.text) << testing::PrintToString(c.bytes);
    EXPECT_EQ(encoding, c.encoding) << testing::PrintToString(c.bytes);
  }
}

TEST(TextFile, ReadingAMissingFileFailsAndKeepsTheOutput) {
  std::wstring text = L"keep";
  EXPECT_FALSE(ReadTextFile(testsupport::NewScratchPath(L"missing.txt"), text));
  EXPECT_EQ(text, L"keep");
  std::string bytes = "keep";
  EXPECT_FALSE(ReadFileBytes(FolderPart(testsupport::NewScratchPath(L"x")), bytes));  // a folder
  EXPECT_EQ(bytes, "keep");
}

TEST(TextFile, WriteReplacesTheFileKeepsItsModeAndLeavesNoTemporaries) {
  const std::wstring path = testsupport::NewScratchPath(L"data.bin");
  ASSERT_TRUE(WriteFileBytes(path, "first version, longer"));
  ASSERT_EQ(chmod(NativePath(path).c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileBytes(path, std::string("second\0", 7)));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes, std::string("second\0", 7));
  struct stat st {};
  ASSERT_EQ(stat(NativePath(path).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FolderEntries(FolderPart(path)), std::vector<std::string>{"data.bin"});
}

TEST(TextFile, WriteThroughALinkChangesTheFileItNames) {
  const std::wstring path = testsupport::NewScratchPath(L"real.bxp");
  const std::wstring link = JoinPath(FolderPart(path), L"link.bxp");
  ASSERT_TRUE(WriteFileBytes(path, "old"));
  ASSERT_EQ(symlink("real.bxp", NativePath(link).c_str()), 0);
  ASSERT_TRUE(WriteFileBytes(link, "new"));
  struct stat st {};
  ASSERT_EQ(lstat(NativePath(link).c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes, "new");
}

TEST(TextFile, WriteIntoAMissingFolderFailsCleanly) {
  const std::wstring folder = FolderPart(testsupport::NewScratchPath(L"x"));
  EXPECT_FALSE(WriteFileBytes(JoinPath(folder, L"no/such/file.txt"), "x"));
  EXPECT_FALSE(WriteFileBytes(folder + L"/", "x"));
  EXPECT_TRUE(FolderEntries(folder).empty());
}

TEST(TextFile, StagedContentReplacesTheFileOnlyWhenPublished) {
  const std::wstring path = testsupport::NewScratchPath(L"kept.txt");
  ASSERT_TRUE(WriteFileBytes(path, "old"));
  std::string bytes;
  {
    StagedFile staged;
    ASSERT_TRUE(staged.Stage(path, "dropped"));
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes, "old");
  }
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes, "old");
  EXPECT_EQ(FolderEntries(FolderPart(path)), std::vector<std::string>{"kept.txt"});

  StagedFile staged;
  ASSERT_TRUE(staged.Stage(path, "new"));
  ASSERT_TRUE(staged.Publish());
  EXPECT_FALSE(staged.Publish());
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes, "new");
  EXPECT_EQ(FolderEntries(FolderPart(path)), std::vector<std::string>{"kept.txt"});
  // A folder in the file's place is refused at once, before anything depends on the rename.
  const std::wstring folder = testsupport::NewScratchPath(L"taken");
  ASSERT_TRUE(MakeDirectories(folder));
  EXPECT_FALSE(staged.Stage(folder, "x"));
  EXPECT_EQ(FolderEntries(FolderPart(folder)), std::vector<std::string>{"taken"});
}

TEST(TextFile, RenameNoReplaceRefusesAnExistingTarget) {
  const std::wstring a = testsupport::NewScratchPath(L"a.txt");
  const std::wstring b = JoinPath(FolderPart(a), L"b.txt");
  const std::wstring c = JoinPath(FolderPart(a), L"c.txt");
  ASSERT_TRUE(WriteFileBytes(a, "A"));
  ASSERT_TRUE(WriteFileBytes(b, "B"));
  EXPECT_FALSE(RenameNoReplace(a, b));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(a, bytes));
  EXPECT_EQ(bytes, "A");
  ASSERT_TRUE(ReadFileBytes(b, bytes));
  EXPECT_EQ(bytes, "B");

  EXPECT_TRUE(RenameNoReplace(a, c));
  EXPECT_FALSE(FileExists(a));
  ASSERT_TRUE(ReadFileBytes(c, bytes));
  EXPECT_EQ(bytes, "A");
  EXPECT_FALSE(RenameNoReplace(a, JoinPath(FolderPart(a), L"d.txt")));  // source gone
}

TEST(TextFile, DirectoriesAndExistence) {
  const std::wstring base = FolderPart(testsupport::NewScratchPath(L"x"));
  const std::wstring deep = base + L"/one/tw\u00f6/three";
  EXPECT_TRUE(MakeDirectories(deep));
  EXPECT_TRUE(MakeDirectories(deep + L"/"));  // exists already
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_FALSE(FileExists(deep));
  const std::wstring file = JoinPath(deep, L"f");
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(MakeDirectories(JoinPath(file, L"sub")));  // a file is in the way
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(RemoveFile(file));
  EXPECT_FALSE(MakeDirectories(L""));
}

TEST(TextFile, PathParts) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
  };
  const Case cases[] = {
      {L"/a/b/c.txt", L"/a/b", L"c.txt"}, {L"c.txt", L"", L"c.txt"},
      {L"/c.txt", L"", L"c.txt"},         {L"a/b/", L"a/b", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << ToUtf8(c.path);
    EXPECT_EQ(FileNamePart(c.path), c.name) << ToUtf8(c.path);
  }
  EXPECT_EQ(JoinPath(L"/a", L"b"), L"/a/b");
  EXPECT_EQ(JoinPath(L"/a/", L"b"), L"/a/b");
  EXPECT_EQ(JoinPath(L"", L"b"), L"b");
  EXPECT_EQ(NativePath(L"/t\u00e4"), "/t\xC3\xA4");
}

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Folders, FollowTheEnvironment) {
  ScopedEnv home("HOME", "/home/tester/");
  ScopedEnv tmp("TMPDIR", "/var/tmp/");
  {
    ScopedEnv own("BRUNOX_CONFIG_DIR", nullptr);
    ScopedEnv config("XDG_CONFIG_HOME", "relative/ignored");
    ScopedEnv state("XDG_STATE_HOME", "");
    ScopedEnv data("XDG_DATA_HOME", "/data/");
    EXPECT_EQ(HomeFolder(), L"/home/tester");
    EXPECT_EQ(TempFolder(), L"/var/tmp");
    EXPECT_EQ(ConfigFolder(), L"/home/tester/.config/brunox");
    EXPECT_EQ(StateFolder(), L"/home/tester/.local/state/brunox");
    EXPECT_EQ(DataHome(), L"/data");
  }
  ScopedEnv own("BRUNOX_CONFIG_DIR", "/etc/own");
  EXPECT_EQ(ConfigFolder(), L"/etc/own");
}

TEST(Folders, ProgramFolderHoldsThisProgram) {
  const std::wstring folder = ProgramFolder();
  EXPECT_TRUE(FileExists(JoinPath(folder, L"platform_tests"))) << ToUtf8(folder);
}

TEST(Folders, PrivateTempFoldersAreNewAndClosed) {
  ScopedEnv tmp("TMPDIR", NativePath(FolderPart(testsupport::NewScratchPath(L"x"))).c_str());
  const std::wstring a = MakePrivateTempFolder(L"run/");
  const std::wstring b = MakePrivateTempFolder(L"run/");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_TRUE(StartsWith(a, TempFolder() + L"/run_"));
  struct stat st {};
  ASSERT_EQ(stat(NativePath(a).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ScopedEnv missing("TMPDIR", "/no/such/folder");
  EXPECT_EQ(MakePrivateTempFolder(L"x"), L"");
}

}  // namespace
}  // namespace platform
