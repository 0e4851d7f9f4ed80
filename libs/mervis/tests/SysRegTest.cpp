#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using namespace std::string_literals;

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  platform::ReadFileBytes(path, bytes);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(platform::WriteFileBytes(path, bytes));
}

TEST(SysReg, ValuesReadBackExactly) {
  const std::vector<std::wstring> values = {
      L"",
      L"plain",
      L"line1\nline2",
      L"line1\r\nline2\r\n",
      L"\r",
      L"a\tb\t",
      L"key=value=more",
      L"; not a comment",
      L"# not a comment",
      L"[NotASection]",
      L"\"quoted\" and 'single'",
      L"C:\\path\\new\\table",
      L"\\",
      L"ends with backslash\\",
      L"\\n is not a line feed",
      L"  leading and trailing  ",
      L" ",
      L"\t",
      L"caf\u00e9 \u4e2d \U0001F600",
      L"SELECT *\r\n  FROM t\r\n WHERE a = 'x;y'\r\n",
  };
  const std::wstring path = testsupport::NewScratchPath(L"values.ini");
  {
    CSysReg reg(path);
    reg.Section(L"Data");
    for (size_t i = 0; i < values.size(); ++i) reg.SaveByNo(L"v", static_cast<int>(i), values[i]);
    ASSERT_TRUE(reg.Flush());
  }
  // Every value sits on one line: one line per key plus the header and a blank line.
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), static_cast<long>(values.size() + 2));
  EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");

  CSysReg reg(path);
  reg.Section(L"Data");
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(reg.ReadByNo(L"v", static_cast<int>(i), L"<missing>"), values[i]) << "value " << i;
}

TEST(SysReg, NumberedKeysAndIntegers) {
  const std::wstring path = testsupport::NewScratchPath(L"numbered.ini");
  {
    CSysReg reg(path);
    reg.Section(L"Task0");
    reg.SaveByNo(L"PropTempl", 3, L"$name()");
    reg.SaveByNo(L"PropTo", 3, 32000);
    reg.Save(L"Threads", -17);
  }
  CSysReg reg(path);
  reg.Section(L"Task0");
  EXPECT_EQ(reg.Read(L"PropTempl3", L""), L"$name()");
  EXPECT_EQ(reg.ReadByNo(L"PropTempl", 3, L""), L"$name()");
  EXPECT_EQ(reg.ReadByNo(L"PropTo", 3, 0), 32000);
  EXPECT_EQ(reg.Read(L"Threads", 0), -17);
  EXPECT_EQ(reg.ReadByNo(L"PropTempl", 4, L"def"), L"def");
}

TEST(SysReg, MissingKeysGiveTheDefault) {
  const std::wstring path = testsupport::NewScratchPath(L"missing.ini");
  WriteBytes(path, "[Package]\nNumber=12abc\nEmpty=\n");
  CSysReg reg(path);
  reg.Section(L"Package");
  EXPECT_EQ(reg.Read(L"Nope", L"def"), L"def");
  EXPECT_EQ(reg.Read(L"Nope", 7), 7);
  EXPECT_EQ(reg.Read(L"Number", 0), 12);       // converted like _wtoi
  EXPECT_EQ(reg.Read(L"Empty", L"def"), L"");  // present but empty is not missing
  EXPECT_EQ(reg.Read(L"Empty", 5), 0);
  reg.Section(L"NoSuchSection");
  EXPECT_EQ(reg.Read(L"Number", L"def"), L"def");
  EXPECT_FALSE(reg.HasKey(L"Number"));
}

TEST(SysReg, NamesIgnoreAsciiCase) {
  const std::wstring path = testsupport::NewScratchPath(L"case.ini");
  {
    CSysReg reg(path);
    reg.Section(L"Package");
    reg.Save(L"DoType", 2);
    reg.Section(L"PACKAGE");
    reg.Save(L"dotype", 3);  // the same key
  }
  CSysReg reg(path);
  EXPECT_EQ(reg.Sections(), std::vector<std::wstring>{L"Package"});
  reg.Section(L"package");
  EXPECT_EQ(reg.Keys(), std::vector<std::wstring>{L"DoType"});
  EXPECT_EQ(reg.Read(L"DOTYPE", 0), 3);
  // Only ASCII letters fold: these are two different keys.
  reg.Save(L"\u00c9t\u00e9", L"upper");
  reg.Save(L"\u00e9t\u00e9", L"lower");
  EXPECT_EQ(reg.Read(L"\u00c9t\u00e9", L""), L"upper");
}

TEST(SysReg, HandWrittenFiles) {
  const std::wstring path = testsupport::NewScratchPath(L"hand.ini");
  WriteBytes(path,
             "top=before any section\r\n"
             "; comment=no\r\n"
             "  # also a comment=no\r\n"
             "[ Spaced Name ]\r\n"
             "  key  =   padded value  \r\n"
             "path=C:\\data\\x\r\n"
             "blank=\\s\r\n"
             "dup=first\r\n"
             "dup=second\r\n"
             "[Other]\r\n"
             "a=1\r\n"
             "[spaced name]\r\n"
             "late=merged\r\n");
  CSysReg reg(path);
  EXPECT_EQ(reg.Sections(), (std::vector<std::wstring>{L"", L"Spaced Name", L"Other"}));
  reg.Section(L"");
  EXPECT_EQ(reg.Read(L"top", L""), L"before any section");
  EXPECT_FALSE(reg.HasKey(L"; comment"));
  reg.Section(L"Spaced Name");
  EXPECT_EQ(reg.Keys(), (std::vector<std::wstring>{L"key", L"path", L"blank", L"dup", L"late"}));
  EXPECT_EQ(reg.Read(L"key", L""), L"padded value");
  EXPECT_EQ(reg.Read(L"path", L""), L"C:\\data\\x");  // unknown escapes stay
  EXPECT_EQ(reg.Read(L"blank", L""), L" ");
  EXPECT_EQ(reg.Read(L"dup", L""), L"first");
}

TEST(SysReg, ReadsUtf16AndBomFiles) {
  const std::wstring text = L"[S]\r\nname=\u4e2d\u6587 \U0001F600\r\n";
  const std::wstring utf16 = testsupport::NewScratchPath(L"utf16.ini");
  ASSERT_TRUE(platform::WriteTextFileUtf16Le(utf16, text));
  const std::wstring bom = testsupport::NewScratchPath(L"bom.ini");
  WriteBytes(bom, "\xEF\xBB\xBF" + platform::ToUtf8(text));
  for (const std::wstring& path : {utf16, bom}) {
    CSysReg reg(path);
    reg.Section(L"S");
    EXPECT_EQ(reg.Read(L"name", L""), L"\u4e2d\u6587 \U0001F600");
    EXPECT_EQ(reg.Sections(), std::vector<std::wstring>{L"S"});
  }
}

TEST(SysReg, WritesOnlyWhenModified) {
  const std::wstring path = testsupport::NewScratchPath(L"untouched.ini");
  const std::string original = "; keep this comment\n[A]\nk=v\n";
  WriteBytes(path, original);
  {
    CSysReg reg(path);
    reg.Section(L"A");
    reg.Save(L"k", L"v");  // the same value is no change
    EXPECT_TRUE(reg.Flush());
  }
  EXPECT_EQ(ReadBytes(path), original);
}

TEST(SysReg, ClearThenFlushWritesOnlyNewData) {
  const std::wstring path = testsupport::NewScratchPath(L"clear.ini");
  WriteBytes(path, "[A]\nk=v\n[B]\nx=y\n");
  {
    CSysReg reg(path);
    reg.Clear();
    reg.Section(L"C");
    reg.Save(L"new", L"data");
    ASSERT_TRUE(reg.Flush());
  }
  EXPECT_EQ(ReadBytes(path), "[C]\nnew=data\n\n");
}

TEST(SysReg, RemoveSectionKeepsTheOthersInOrder) {
  const std::wstring path = testsupport::NewScratchPath(L"remove.ini");
  WriteBytes(path, "[A]\na=1\n[B]\nb=2\n[C]\nc=3\n");
  {
    CSysReg reg(path);
    reg.RemoveSection(L"b");
    reg.Section(L"A");
    reg.Save(L"a2", L"x");
  }
  CSysReg reg(path);
  EXPECT_EQ(reg.Sections(), (std::vector<std::wstring>{L"A", L"C"}));
  reg.Section(L"C");
  EXPECT_EQ(reg.Read(L"c", 0), 3);
}

TEST(SysReg, FlushReportsAFailedWrite) {
  CSysReg reg(testsupport::ScratchFolder() + L"/no/such/folder/x.ini");
  reg.Section(L"A");
  reg.Save(L"k", L"v");
  EXPECT_FALSE(reg.Flush());
}

TEST(SysReg, HostileFilesLoadWithoutHarm) {
  std::string binary;
  unsigned state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245u + 12345u;
    binary += static_cast<char>(state >> 16);
  }
  const std::string longLine(1 << 20, 'x');
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"binary garbage", "[S]\nok=1\n" + binary + "\n[S]\nok2=2\n"},
      {"header without ]", "[S]\nok=1\n[Broken\nok2=2\n"},
      {"key without =", "[S]\nok=1\njust some words\nok2=2\n"},
      {"NUL bytes", "[S]\nok=1\nn\0l=v\0v\n\0\0\0\nok2=2\n"s},
      {"1 MB line", "[S]\nok=1\n" + longLine + "\nlong=" + longLine + "\nok2=2\n"},
      {"lone CRs", "[S]\rjunk\nok=1\r\r\nok2=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = testsupport::NewScratchPath(L"hostile.ini");
    WriteBytes(path, c.bytes);
    CSysReg reg(path);
    reg.Section(L"S");
    EXPECT_EQ(reg.Read(L"ok", 0), 1);
    EXPECT_EQ(reg.Read(L"ok2", 0), 2);
  }
}

TEST(SysReg, WhatCannotBeLoadedIsNamedAndAMissingFileIsNot) {
  CSysReg missing(testsupport::NewScratchPath(L"not-yet.ini"));
  EXPECT_EQ(missing.LoadError(), L"");
  const std::wstring good = testsupport::NewScratchPath(L"good.ini");
  WriteBytes(good, "[S]\nk=v\n");
  EXPECT_EQ(CSysReg(good).LoadError(), L"");

  const std::wstring fifo = testsupport::NewScratchPath(L"profile.fifo");
  ASSERT_EQ(mkfifo(platform::NativePath(fifo).c_str(), 0600), 0);
  for (const std::wstring& path : {fifo, std::wstring(L"/dev/zero")}) {
    CSysReg reg(path);  // neither blocks nor reads without end
    EXPECT_NE(reg.LoadError().find(L"'" + path + L"'"), std::wstring::npos)
        << platform::ToUtf8(reg.LoadError());
    reg.Section(L"S");
    EXPECT_EQ(reg.Read(L"k", L"default"), L"default");
  }
}

TEST(SysReg, ManyKeysLoadQuickly) {
  std::string text = "[Big]\n";
  for (int i = 0; i < 100000; ++i)
    text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  const std::wstring path = testsupport::NewScratchPath(L"big.ini");
  WriteBytes(path, text);
  CSysReg reg(path);
  reg.Section(L"Big");
  EXPECT_EQ(reg.Keys().size(), 100000u);
  EXPECT_EQ(reg.Read(L"KEY99999", 0), 99999);
}

}  // namespace
