#include <gtest/gtest.h>

#include <string>

#include "mervis/Settings.h"
#include "mervis/SysReg.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

const std::wstring kScript = L"SELECT 1;\r\n\tSELECT 'x=y';\r\n";
const std::wstring kPassword = L"s3cr\u00e9t p\u00e4ss";

// Registers the same keys a settings page would, in a store of its own per test, since every
// test of the executable shares one settings folder.
void Register(_Settings& s) {
  s.Add(L"LastFile", S_TEXT, S_NONE, L"");
  s.Add(L"StatPeriod", S_INT, S_NONE, L"15");
  s.Add(L"ConsoleSQL", S_TEXT, S_NONE, L"");
  s.Add(L"vssPassword", S_TEXT, S_HIDDEN, L"");
}

void SetValues(_Settings& s) {
  s.setStr(L"LastFile", L"/home/u/My Project.bxp");
  s.setInt(L"StatPeriod", 30);
  s.setStr(L"ConsoleSQL", kScript);
  s.setStr(L"vssPassword", kPassword);
}

void ExpectValues(const _Settings& s) {
  EXPECT_EQ(s.getStr(L"LastFile"), L"/home/u/My Project.bxp");
  EXPECT_EQ(s.getInt(L"StatPeriod"), 30);
  EXPECT_EQ(s.getStr(L"ConsoleSQL"), kScript);
  EXPECT_EQ(s.getStr(L"vssPassword"), kPassword);
}

std::wstring SettingsFile() {
  return platform::JoinPath(platform::ConfigFolder(), L"settings.ini");
}

TEST(Settings, DefaultsBeforeLoad) {
  _Settings s(L"DefaultsStore");
  Register(s);
  EXPECT_EQ(s.getStr(L"StatPeriod"), L"15");
  EXPECT_EQ(s.getInt(L"StatPeriod"), 15);
  EXPECT_EQ(s.Default(L"StatPeriod"), L"15");
  EXPECT_EQ(s.Type(L"StatPeriod"), S_INT);
  EXPECT_EQ(s.Type(L"Unregistered"), -1);
  EXPECT_EQ(s.getStr(L"Unregistered"), L"");
  EXPECT_EQ(s.getInt(L"Unregistered"), 0);
  EXPECT_EQ(s.Keys(),
            (std::vector<std::wstring>{L"LastFile", L"StatPeriod", L"ConsoleSQL", L"vssPassword"}));
  s.setStr(L"Unregistered", L"now text");
  EXPECT_EQ(s.Type(L"Unregistered"), S_TEXT);
  EXPECT_EQ(s.getStr(L"Unregistered"), L"now text");
}

TEST(Settings, SaveThenLoadInAFreshStore) {
  {
    _Settings s(L"RoundTrip");
    Register(s);
    SetValues(s);
    ASSERT_TRUE(s.SaveData());
  }
  _Settings fresh(L"RoundTrip");
  Register(fresh);
  fresh.Add(L"NotStored", S_INT, S_NONE, L"42");
  ASSERT_TRUE(fresh.LoadData());
  ExpectValues(fresh);
  EXPECT_EQ(fresh.getInt(L"NotStored"), 42);
}

TEST(Settings, StoresKeepTheirOwnSections) {
  _Settings a(L"StoreA");
  _Settings b(L"StoreB");
  a.Add(L"Key", S_TEXT, S_NONE, L"");
  b.Add(L"Key", S_TEXT, S_NONE, L"");
  a.setStr(L"Key", L"from A");
  b.setStr(L"Key", L"from B");
  ASSERT_TRUE(a.SaveData());
  ASSERT_TRUE(b.SaveData());
  a.setStr(L"Key", L"changed");
  ASSERT_TRUE(a.SaveData());

  _Settings b2(L"StoreB");
  b2.Add(L"Key", S_TEXT, S_NONE, L"");
  b2.LoadData();
  EXPECT_EQ(b2.getStr(L"Key"), L"from B");
}

TEST(Settings, HiddenValuesAreNotPlainText) {
  _Settings s(L"HiddenStore");
  Register(s);
  s.setStr(L"vssPassword", L"hunter2-plain");
  ASSERT_TRUE(s.SaveData());
  std::string bytes;
  ASSERT_TRUE(platform::ReadFileBytes(SettingsFile(), bytes));
  EXPECT_EQ(bytes.find("hunter2-plain"), std::string::npos);
  EXPECT_NE(bytes.find("vssPassword=enc:"), std::string::npos);
}

TEST(Settings, HandTypedHiddenValueIsTakenAsItIs) {
  const std::wstring ini = testsupport::NewScratchPath(L"typed.ini");
  ASSERT_TRUE(platform::WriteFileBytes(ini, "[Typed]\nvssPassword=typed by hand\n"));
  _Settings s(L"Typed");
  Register(s);
  ASSERT_TRUE(s.Import(ini));
  EXPECT_EQ(s.getStr(L"vssPassword"), L"typed by hand");
}

TEST(Settings, ExportThenImportIntoAFreshStore) {
  const std::wstring ini = testsupport::NewScratchPath(L"export.ini");
  ASSERT_TRUE(platform::WriteFileBytes(ini, "[Foreign]\nkeep=me\n[Exported]\nStray=1\n"));
  {
    _Settings s(L"Exported");
    Register(s);
    SetValues(s);
    ASSERT_TRUE(s.Export(ini));
  }
  _Settings fresh(L"Exported");
  Register(fresh);
  ASSERT_TRUE(fresh.Import(ini));
  ExpectValues(fresh);
  EXPECT_EQ(fresh.Type(L"Stray"), -1);  // only registered keys are imported

  CSysReg reg(ini);
  reg.Section(L"Foreign");
  EXPECT_EQ(reg.Read(L"keep", L""), L"me");
  reg.Section(L"Exported");
  EXPECT_FALSE(reg.HasKey(L"Stray"));  // the store's section is replaced as a whole
}

TEST(Settings, ImportKeepsKeysMissingFromTheFile) {
  const std::wstring ini = testsupport::NewScratchPath(L"partial.ini");
  ASSERT_TRUE(platform::WriteFileBytes(ini, "[Partial]\nStatPeriod=5\n"));
  _Settings s(L"Partial");
  Register(s);
  s.setStr(L"LastFile", L"kept");
  ASSERT_TRUE(s.Import(ini));
  EXPECT_EQ(s.getInt(L"StatPeriod"), 5);
  EXPECT_EQ(s.getStr(L"LastFile"), L"kept");
  EXPECT_FALSE(s.Import(testsupport::ScratchFolder() + L"/missing.ini"));
  EXPECT_EQ(s.getInt(L"StatPeriod"), 5);
}

}  // namespace
