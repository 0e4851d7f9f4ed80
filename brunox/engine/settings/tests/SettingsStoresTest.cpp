#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/tests/EngineTestSupport.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using enginetest::EngineTest;
using namespace std::string_literals;

struct ExpectedKey {
  int store;
  const wchar_t* key;
  int type;
  const wchar_t* def;
};

// Written out independently of the registration code: a misspelt key is a real fault, since the
// rest of the program asks for these names.
const ExpectedKey kExpected[] = {
    {0, L"PackageFile0", S_TEXT, L""},  {0, L"PackageFile1", S_TEXT, L""},
    {0, L"PackageFile2", S_TEXT, L""},  {0, L"PackageFile3", S_TEXT, L""},
    {0, L"PackageFile4", S_TEXT, L""},  {0, L"PackageFile5", S_TEXT, L""},
    {0, L"PackageFile6", S_TEXT, L""},  {0, L"PackageFile7", S_TEXT, L""},
    {0, L"PackageFile8", S_TEXT, L""},  {0, L"PackageFile9", S_TEXT, L""},
    {0, L"LastFile", S_TEXT, L""},      {0, L"Library", S_TEXT, L""},
    {0, L"DoType", S_INT, L""},         {0, L"DoSeconds", S_TEXT, L"10"},
    {0, L"DoEach", S_TEXT, L"10"},      {0, L"DoAll", S_TEXT, L"50"},
    {0, L"DoAtLeast", S_TEXT, L"5"},    {0, L"StatByTask", S_INT, L"1"},
    {0, L"StatPeriod", S_INT, L"15"},   {0, L"StatPerPeriod", S_INT, L"1"},
    {0, L"StopOnError", S_INT, L"1"},   {0, L"isConnected", S_INT, L"0"},
    {0, L"vssUser", S_TEXT, L""},       {0, L"vssDB", S_TEXT, L""},
    {0, L"vssProject", S_TEXT, L""},    {0, L"vssFolder", S_TEXT, L""},
    {0, L"vssPassword", S_TEXT, L""},   {0, L"PP_W1", S_INT, L"330"},
    {0, L"PP_W2", S_INT, L"60"},        {0, L"PP_W3", S_INT, L"60"},
    {0, L"PC_W1", S_INT, L"190"},       {0, L"PC_W2", S_INT, L"70"},
    {0, L"PC_W3", S_INT, L"110"},       {0, L"PC_W4", S_INT, L"70"},
    {0, L"sl_W1", S_INT, L"45"},        {0, L"sl_W2", S_INT, L"80"},
    {0, L"sl_W3", S_INT, L"55"},        {0, L"sl_W4", S_INT, L"96"},
    {0, L"sl_W5", S_INT, L"55"},        {0, L"sl_W6", S_INT, L"65"},
    {0, L"sl_W7", S_INT, L"65"},        {0, L"sl_W8", S_INT, L"75"},
    {0, L"LogLevel", S_INT, L"0"},      {0, L"LogViewer", S_TEXT, L"xdg-open"},
    {0, L"ConsoleSQL", S_TEXT, L""},    {0, L"LogFilePath", S_TEXT, L""},
    {0, L"TruncateBigLog", S_INT, L"0"}, {0, L"TruncateSize", S_INT, L"10"},

    {1, L"ReportTitle", S_TEXT, L"Brunox Test Execution Report"},
    {1, L"TextProfile", S_TEXT, L""},
    {1, L"HtmlLanguage", S_TEXT, L"en-us"},
    {1, L"HtmlCharset", S_TEXT, L"iso-8859-1"},
    {1, L"RepShowSQL", S_INT, L"1"},    {1, L"rbExecuted", S_INT, L"1"},
    {1, L"rbAvgSpeed", S_INT, L"1"},    {1, L"rbAvgDuration", S_INT, L"1"},
    {1, L"rbMaxDuration", S_INT, L"1"}, {1, L"rbMinDuration", S_INT, L"1"},
    {1, L"rbDuration", S_INT, L"1"},    {1, L"rbConnect", S_INT, L"1"},
    {1, L"rbDisconnect", S_INT, L"1"},  {1, L"rbTaskPriority", S_INT, L"1"},
    {1, L"rbTaskInit", S_INT, L"1"},    {1, L"rbTaskTotal", S_INT, L"1"},

    {2, L"DefThreads", S_INT, L"1"},    {2, L"DefRows", S_INT, L"25"},
    {2, L"DefPriority", S_INT, L"1"},   {2, L"DefDelay", S_INT, L"1"},
    {2, L"DefDelay2", S_INT, L"1"},     {2, L"InitDelay", S_INT, L"0"},
    {2, L"DefExecCntr", S_INT, L"0"},   {2, L"MaxBlobSize", S_INT, L"1024"},
};

std::vector<std::wstring> ExpectedKeys(int store) {
  std::vector<std::wstring> keys;
  for (const ExpectedKey& e : kExpected)
    if (e.store == store) keys.push_back(e.key);
  return keys;
}

// A value unlike any default: text keys get a text, integer keys a number.
std::wstring OtherValue(const ExpectedKey& e) {
  return e.type == S_INT ? platform::FromInt(9000 + static_cast<int>(&e - kExpected))
                         : std::wstring(L"value of ") + e.key + L"\nsecond line";
}

void SetAllToOtherValues(CSettings& s) {
  for (const ExpectedKey& e : kExpected) s.setStr(e.store, e.key, OtherValue(e));
}

void ExpectAllOtherValues(const CSettings& s) {
  for (const ExpectedKey& e : kExpected)
    EXPECT_EQ(s.getStr(e.store, e.key), OtherValue(e)) << platform::ToUtf8(e.key);
}

TEST_F(EngineTest, EveryKeyIsRegisteredInOrderWithTypeAndDefault) {
  CSettings s;
  const wchar_t* names[] = {L"General", L"Report", L"TaskDefaults"};
  for (int store = 0; store < kStoreCount; ++store) {
    ASSERT_NE(s.Page(store), nullptr);
    EXPECT_EQ(s.Page(store)->StoreName(), names[store]);
    EXPECT_EQ(s.Page(store)->Keys(), ExpectedKeys(store)) << "store " << store;
  }
  for (const ExpectedKey& e : kExpected) {
    SCOPED_TRACE(platform::ToUtf8(e.key));
    const CSettingsPage* page = s.Page(e.store);
    EXPECT_EQ(page->Type(e.key), e.type);
    EXPECT_EQ(page->Default(e.key), e.def);
    // Read before any LoadData: the registered default.
    EXPECT_EQ(s.getStr(e.store, e.key), e.def);
    EXPECT_EQ(s.getInt(e.store, e.key), platform::ToInt(e.def));
  }
  EXPECT_EQ(s.GetMainSettings(), s.Page(kStoreMain));
}

TEST_F(EngineTest, StoredValuesWaitForLoadData) {
  {
    CSettings writer;
    writer.setInt(kStoreMain, L"StatPeriod", 42);
    writer.setStr(kStoreReport, L"ReportTitle", L"Nightly");
    writer.SaveData(0);
  }
  CSettings reader;
  EXPECT_EQ(reader.getInt(kStoreMain, L"StatPeriod"), 15);
  EXPECT_EQ(reader.getStr(kStoreReport, L"ReportTitle"), L"Brunox Test Execution Report");
  reader.LoadData();
  EXPECT_EQ(reader.getInt(kStoreMain, L"StatPeriod"), 42);
  EXPECT_EQ(reader.getStr(kStoreReport, L"ReportTitle"), L"Nightly");
}

TEST_F(EngineTest, SaveDataThenLoadDataRestoresAllStores) {
  {
    CSettings writer;
    SetAllToOtherValues(writer);
    writer.SaveData(1);
  }
  CSettings reader;
  reader.LoadData();
  ExpectAllOtherValues(reader);
}

TEST_F(EngineTest, PasswordIsNotStoredAsPlainText) {
  CSettings s;
  s.setStr(kStoreMain, L"vssPassword", L"Pw-4711-unusual");
  s.setStr(kStoreMain, L"vssUser", L"User-4711-unusual");
  s.SaveData(0);
  const std::string file = enginetest::ReadBytes(configFolder_ + L"/settings.ini");
  EXPECT_NE(file.find("User-4711-unusual"), std::string::npos) << "settings file not found";
  EXPECT_EQ(file.find("Pw-4711-unusual"), std::string::npos);
  CSettings reader;
  reader.LoadData();
  EXPECT_EQ(reader.getStr(kStoreMain, L"vssPassword"), L"Pw-4711-unusual");
}

// The settings file is the user's as much as the program's: what the program does not know
// stays where it stands, a save that changes no value leaves the file alone, and a file that
// cannot be read is kept aside, named in the log, rather than written over.
TEST_F(EngineTest, SettingsFileKeepsWhatTheUserWrote) {
  const std::wstring file = configFolder_ + L"/settings.ini";
  const std::string written =
      "; my notes\n[General]\nMyOwnKey=keep me\nStatPeriod=20\n; about reports\n\n"
      "[Report]\nReportTitle=Mine\n";
  enginetest::WriteBytes(file, written);
  struct stat before {};
  ASSERT_EQ(stat(platform::NativePath(file).c_str(), &before), 0);
  {
    CSettings s;
    s.LoadData();
    s.SaveData(0);
    struct stat after {};
    ASSERT_EQ(stat(platform::NativePath(file).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "written though no value changed";
    s.setInt(kStoreMain, L"StatPeriod", 30);
    s.setStr(kStoreMain, L"LastFile", L"/p.bxp");
    s.SaveData(0);
  }
  EXPECT_EQ(enginetest::ReadBytes(file),
            "; my notes\n[General]\nMyOwnKey=keep me\nStatPeriod=30\nLastFile=/p.bxp\n"
            "; about reports\n\n[Report]\nReportTitle=Mine\n");

  const std::wstring log = configFolder_ + L"/brunox.log";
  CLog::Open(log, 0);
  ASSERT_TRUE(platform::RemoveFile(file));
  ASSERT_EQ(mkfifo(platform::NativePath(file).c_str(), 0600), 0);
  {
    CSettings s;
    s.LoadData();
    s.SaveData(0);  // only defaults: nothing to write
    s.setInt(kStoreMain, L"StatPeriod", 31);
    s.SaveData(0);
  }
  CLog::Close();
  struct stat kept {};
  ASSERT_EQ(stat(platform::NativePath(file + L".bak").c_str(), &kept), 0);
  EXPECT_TRUE(S_ISFIFO(kept.st_mode));
  EXPECT_EQ(enginetest::ReadBytes(file), "[General]\nStatPeriod=31\n\n");
  EXPECT_NE(enginetest::ReadBytes(log).find(platform::ToUtf8(file) + ".bak"), std::string::npos);
}

// Written back in the encoding, with the byte-order mark and the line end it was read with, the
// file changes only in the lines of changed values. Latin-1 that cannot hold a value gives way to
// UTF-8; a file that is no text is kept whole aside. The log names the file either time.
TEST_F(EngineTest, SettingsFileKeepsItsEncodingAndLineEnds) {
  const std::wstring file = configFolder_ + L"/settings.ini";
  const std::wstring log = configFolder_ + L"/brunox.log";
  const std::string junk = "[General]\nStatPeriod=20\n\x01\x02\0\xFF\xFE\x7F junk\n"s;
  const auto utf16 = [](std::wstring_view text) {
    return "\xFF\xFE" + platform::ToUtf16Le(text);
  };
  struct Case {
    const char* name;
    std::string before;
    const wchar_t* lastFile;
    std::string after;
  };
  const Case cases[] = {
      {"Latin-1", "; caf\xE9\n[General]\nStatPeriod=20\n", L"/caf\u00e9.bxp",
       "; caf\xE9\n[General]\nStatPeriod=30\nLastFile=/caf\xE9.bxp\n"},
      {"Latin-1 without room", "; caf\xE9\n[General]\nStatPeriod=20\n", L"/\u4e2d.bxp",
       "; caf\xC3\xA9\n[General]\nStatPeriod=30\nLastFile=/\xE4\xB8\xAD.bxp\n"},
      {"CR LF", "; notes\r\n[General]\r\nStatPeriod=20\r\n", L"/p.bxp",
       "; notes\r\n[General]\r\nStatPeriod=30\r\nLastFile=/p.bxp\r\n"},
      {"UTF-16", utf16(L"; caf\u00e9\r\n[General]\r\nStatPeriod=20\r\n"), L"/\u4e2d.bxp",
       utf16(L"; caf\u00e9\r\n[General]\r\nStatPeriod=30\r\nLastFile=/\u4e2d.bxp\r\n")},
      {"UTF-8 with mark", "\xEF\xBB\xBF[General]\nStatPeriod=20", L"/p.bxp",
       "\xEF\xBB\xBF[General]\nStatPeriod=30\nLastFile=/p.bxp\n"},
      {"junk", junk, L"/p.bxp", "[General]\nLastFile=/p.bxp\nStatPeriod=30\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::RemoveFile(file + L".bak");
    platform::RemoveFile(log);
    enginetest::WriteBytes(file, c.before);
    CLog::Open(log, 0);
    {
      CSettings s;
      s.LoadData();
      s.setInt(kStoreMain, L"StatPeriod", 30);
      s.setStr(kStoreMain, L"LastFile", c.lastFile);
      s.SaveData(0);
    }
    CLog::Close();
    EXPECT_EQ(enginetest::ReadBytes(file), c.after);
    const bool movedAside = c.before == junk;
    EXPECT_EQ(platform::FileExists(file + L".bak"), movedAside);
    if (movedAside) {
      EXPECT_EQ(enginetest::ReadBytes(file + L".bak"), junk);
    }
    const bool logged = movedAside || std::string_view(c.name) == "Latin-1 without room";
    EXPECT_EQ(enginetest::ReadBytes(log).find(platform::ToUtf8(file)) != std::string::npos, logged);
  }
}

TEST_F(EngineTest, ExportThenImportRestoresAllThreeStores) {
  const std::wstring ini = testsupport::NewScratchPath(L"exported.ini");
  {
    CSettings s;
    SetAllToOtherValues(s);
    s.Export(ini);
  }
  UseFreshSettingsFolder();
  CSettings fresh;
  fresh.LoadData();
  fresh.Import(ini);
  ExpectAllOtherValues(fresh);
}

TEST_F(EngineTest, StoreNumberOutOfRangeReadsNothingAndWritesNothing) {
  CSettings s;
  for (int store : {-1, 3, 1000}) {
    s.setStr(store, L"LastFile", L"x");
    s.setInt(store, L"StatPeriod", 99);
    EXPECT_EQ(s.getStr(store, L"ReportTitle"), L"");
    EXPECT_EQ(s.getInt(store, L"StatPeriod"), 0);
    EXPECT_EQ(s.Page(store), nullptr);
  }
  EXPECT_EQ(s.getStr(kStoreMain, L"LastFile"), L"");
  EXPECT_EQ(s.getInt(kStoreMain, L"StatPeriod"), 15);
}

// A page as the window makes it: records the hooks SaveData calls.
struct RecordingTaskPage : PageSettingsTask {
  bool window = false;
  std::vector<std::wstring>* calls = nullptr;
  void DataExchange(bool toStore) override {
    calls->push_back(toStore ? L"exchange" : L"show");
    setInt(L"DefThreads", 33);  // as if read from the page's edit control
  }
  void Complete() override { calls->push_back(L"complete"); }
  bool HasWindow() const override { return window; }
};

TEST_F(EngineTest, SaveDataTakesPageValuesOnlyWhenAsked) {
  std::vector<std::wstring> calls;
  auto page = std::make_unique<RecordingTaskPage>();
  page->calls = &calls;
  RecordingTaskPage* raw = page.get();
  CSettings s(std::make_unique<PageSettingsMain>(), std::make_unique<PageSettingsReport>(),
              std::move(page));

  s.SaveData(0);
  EXPECT_TRUE(calls.empty());
  s.SaveData(1);  // no window yet: nothing to read from
  EXPECT_EQ(calls, std::vector<std::wstring>({L"complete"}));
  calls.clear();
  raw->window = true;
  s.SaveData(1);
  EXPECT_EQ(calls, std::vector<std::wstring>({L"exchange", L"complete"}));

  CSettings reader;
  reader.LoadData();
  EXPECT_EQ(reader.getInt(kStoreTask, L"DefThreads"), 33);
}

std::vector<std::wstring> RecentList(const CSettings& s) {
  std::vector<std::wstring> list;
  for (int i = 0; i < 10; ++i)
    list.push_back(s.getStr(kStoreMain, L"PackageFile" + platform::FromInt(i)));
  return list;
}

void FillRecent(CSettings& s) {
  for (int i = 0; i < 10; ++i) {
    const std::wstring n = platform::FromInt(i);
    s.setStr(kStoreMain, L"PackageFile" + n, L"/p/f" + n + L".bxp");
  }
}

TEST_F(EngineTest, AddRecentFileKeepsAPathAlreadyListed) {
  for (const wchar_t* present : {L"/p/f0.bxp", L"/p/f4.bxp", L"/p/f9.bxp"}) {
    CSettings s;
    FillRecent(s);
    const std::vector<std::wstring> before = RecentList(s);
    s.AddRecentFile(present);
    EXPECT_EQ(RecentList(s), before) << platform::ToUtf8(present);
  }
}

TEST_F(EngineTest, AddRecentFileShiftsAndDropsTheOldest) {
  CSettings s;
  FillRecent(s);
  s.AddRecentFile(L"/p/F4.bxp");  // differs in case only: a different file on Linux
  std::vector<std::wstring> expected = {L"/p/F4.bxp"};
  for (int i = 0; i < 9; ++i) expected.push_back(L"/p/f" + platform::FromInt(i) + L".bxp");
  EXPECT_EQ(RecentList(s), expected);

  // The list is saved at once.
  CSettings reader;
  reader.LoadData();
  EXPECT_EQ(RecentList(reader), expected);
}

TEST_F(EngineTest, AddRecentFileFillsAnEmptyList) {
  CSettings s;
  s.AddRecentFile(L"/a.bxp");
  s.AddRecentFile(L"/b.bxp");
  s.AddRecentFile(L"/a.bxp");
  EXPECT_EQ(s.getStr(kStoreMain, L"PackageFile0"), L"/b.bxp");
  EXPECT_EQ(s.getStr(kStoreMain, L"PackageFile1"), L"/a.bxp");
  EXPECT_EQ(s.getStr(kStoreMain, L"PackageFile2"), L"");
}

// Stored project paths name the same file whatever folder the program starts in next; a link
// the user chose stays a link.
TEST_F(EngineTest, ProjectPathsAreStoredAbsolute) {
  const std::wstring here = platform::FromUtf8(std::filesystem::current_path().string());
  const std::wstring link = testsupport::NewScratchPath(L"link.bxp");
  ASSERT_EQ(symlink("elsewhere.bxp", platform::NativePath(link).c_str()), 0);
  CSettings s;
  s.setStr(kStoreMain, L"PackageFile0", L"older.bxp");  // stored so before: it stays
  s.AddRecentFile(L"p.bxp");
  s.AddRecentFile(L"./sub/../p.bxp");
  s.AddRecentFile(here + L"/p.bxp");
  s.AddRecentFile(here + L"/older.bxp");
  s.AddRecentFile(link);
  EXPECT_EQ(RecentList(s), std::vector<std::wstring>({link, here + L"/p.bxp", L"older.bxp", L"",
                                                      L"", L"", L"", L"", L"", L""}));
  s.SetLastFile(L"sub/./p.bxp");
  EXPECT_EQ(s.getStr(kStoreMain, L"LastFile"), here + L"/sub/p.bxp");
  s.SetLastFile(L"");
  EXPECT_EQ(s.getStr(kStoreMain, L"LastFile"), L"");
}

TEST(RegisteredTaskDefault, MatchesTheTaskStore) {
  PageSettingsTask page;
  for (const std::wstring& key : page.Keys())
    EXPECT_EQ(RegisteredTaskDefault(key), page.getInt(key)) << platform::ToUtf8(key);
  EXPECT_EQ(RegisteredTaskDefault(L"NoSuchKey"), 0);
}

}  // namespace
