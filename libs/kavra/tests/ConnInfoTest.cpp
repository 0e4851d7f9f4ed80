#include <gtest/gtest.h>

#include "kavra/ConnInfo.h"
#include "kavra/ConnString.h"
#include "mervis/SysReg.h"
#include "testsupport/TestEnv.h"

namespace {

CONN_INFO DsnInfo() {
  CONN_INFO info;
  info.Kind = CONN_DSN;
  info.Dsn = L"Sales DB";
  info.User = L"märta";
  info.Password = L"p|a\\ss;w\nord";
  info.ManualCommit = 1;
  info.DsType = 2;
  return info;
}

CONN_INFO StringInfo(const std::wstring& connString) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = connString;
  return info;
}

TEST(ConnInfo, PackUnpackRoundTrips) {
  const CONN_INFO cases[] = {CONN_INFO(), DsnInfo(),
                             StringInfo(L"Driver={x|y};PWD={a;b}};\\|\r\n|end \U0001F600")};
  for (const CONN_INFO& info : cases) {
    const std::wstring packed = info.Pack();
    EXPECT_EQ(packed.find_first_of(L"\r\n"), std::wstring::npos) << "one line";
    CONN_INFO read;
    ASSERT_TRUE(read.Unpack(packed)) << testing::PrintToString(packed);
    EXPECT_EQ(read, info);
  }
}

TEST(ConnInfo, UnpackRejectsMalformedTextAndKeepsTheValue) {
  const std::wstring bad[] = {
      L"",                      // no fields
      L"1|a|b|c|d|0",           // too few
      L"1|a|b|c|d|0|0|x",       // too many
      L"7|a|b|c|d|0|0",         // unknown kind
      L"x|a|b|c|d|0|0",         // not a number
      L"1|a|b|c|d|0|1.5",       // not an integer
      L"1|a\\|b|c|d|0|0\\",     // dangling escape
      L"1|a\\q|b|c|d|0|0",      // unknown escape
  };
  for (const std::wstring& text : bad) {
    CONN_INFO info = DsnInfo();
    EXPECT_FALSE(info.Unpack(text)) << testing::PrintToString(text);
    EXPECT_EQ(info, DsnInfo());
  }
}

TEST(ConnInfo, SaveAndLoadThroughSysReg) {
  const std::wstring path = testsupport::NewScratchPath(L"conn.ini");
  const CONN_INFO dsn = DsnInfo();
  const CONN_INFO str = StringInfo(L"Driver=SQLite3;\nDatabase=/tmp/a b.sqlite;  ");
  {
    CSysReg reg(path, 0);
    dsn.Save(&reg, L"TaskCon0");
    str.Save(&reg, L"DefConnection");
    ASSERT_TRUE(reg.Flush());
  }
  CSysReg reg(path, 0);
  CONN_INFO a, b, missing = DsnInfo();
  a.Load(&reg, L"TaskCon0");
  b.Load(&reg, L"DefConnection");
  missing.Load(&reg, L"NoSuchSection");
  EXPECT_EQ(a, dsn);
  EXPECT_EQ(b, str);
  EXPECT_EQ(missing, CONN_INFO());  // missing keys give the defaults of a new description
}

TEST(ConnInfo, ComparisonSeesEveryField) {
  const CONN_INFO base = DsnInfo();
  EXPECT_FALSE(base != DsnInfo());
  CONN_INFO changed[7] = {base, base, base, base, base, base, base};
  changed[0].Kind = CONN_STRING;
  changed[1].Dsn += L"x";
  changed[2].User += L"x";
  changed[3].Password += L"x";
  changed[4].ConnString = L"x";
  changed[5].ManualCommit = 0;
  changed[6].DsType = 0;
  for (const CONN_INFO& c : changed) EXPECT_TRUE(c != base);
}

TEST(ConnInfo, EmptyAndIsEmpty) {
  CONN_INFO info = DsnInfo();
  EXPECT_FALSE(info.IsEmpty());
  info.Empty();
  EXPECT_TRUE(info.IsEmpty());
  EXPECT_EQ(info, CONN_INFO());
  EXPECT_TRUE(StringInfo(L"").IsEmpty());
  CONN_INFO dsnWithoutName;
  dsnWithoutName.Kind = CONN_DSN;
  EXPECT_TRUE(dsnWithoutName.IsEmpty());
}

TEST(ConnInfo, DisplayTextHidesThePassword) {
  EXPECT_EQ(DsnInfo().ConInfo(), L"DSN=Sales DB;UID=märta");
  struct {
    std::wstring connString;
    std::wstring shown;
  } cases[] = {
      {L"Driver=PostgreSQL Unicode;Server=h;Uid=u;Pwd=secret;", L"Driver=PostgreSQL Unicode;Server=h;Uid=u;Pwd=***;"},
      {L"PASSWORD=secret;Database=d", L"PASSWORD=***;Database=d"},
      {L"Driver={A;B};pwd={se;cr}}et};Port=5", L"Driver={A;B};pwd=***;Port=5"},
      {L"Uid=u; Pwd = secret", L"Uid=u; Pwd =***"},
      {L"Pwd={unterminated;x", L"Pwd=***"},
      {L"NoEquals;Pwd=s", L"NoEquals;Pwd=***"},
      {L"Driver=SQLite3;Database=/tmp/x.db;", L"Driver=SQLite3;Database=/tmp/x.db;"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StringInfo(c.connString).ConInfo(), c.shown) << testing::PrintToString(c.connString);
  EXPECT_EQ(CONN_INFO().ConInfo(), L"");
}

}  // namespace

namespace {

TEST(ConnStringPasswords, MaskHidesEveryPasswordValueAndNothingElse) {
  const std::wstring mask = L"********";
  EXPECT_EQ(MaskPasswords(L"Driver={PostgreSQL Unicode};Uid=ann;Pwd=secret;Port=5432", mask),
            L"Driver={PostgreSQL Unicode};Uid=ann;Pwd=********;Port=5432");
  // Braced values with ';' and '}}', either key name in any case, the last attribute.
  EXPECT_EQ(MaskPasswords(L"password={a;b}}c};PWD=x", mask), L"password=********;PWD=********");
  EXPECT_EQ(MaskPasswords(L"Driver=SQLite3;Database=/tmp/pwd.db;", mask),
            L"Driver=SQLite3;Database=/tmp/pwd.db;");
  EXPECT_EQ(MaskPasswords(L"Uid=ann;Pwd=;", mask), L"Uid=ann;Pwd=;") << "no password to hide";
  EXPECT_EQ(MaskPasswords(L"", mask), L"");
}

TEST(ConnStringPasswords, UnmaskKeepsTheHiddenValueUnlessItWasEdited) {
  const std::wstring mask = L"********";
  const std::wstring original = L"Driver={X};Uid=ann;Pwd={a;b}}c};Port=1";
  // Other attributes edited, the password left masked: the password as it was.
  EXPECT_EQ(UnmaskPasswords(L"Driver={X};Uid=bob;Pwd=********;Port=2", original, mask),
            L"Driver={X};Uid=bob;Pwd={a;b}}c};Port=2");
  // The masked value replaced: the new one counts.
  EXPECT_EQ(UnmaskPasswords(L"Driver={X};Uid=ann;Pwd=new;Port=1", original, mask),
            L"Driver={X};Uid=ann;Pwd=new;Port=1");
  // The password attribute moved: still found by its key.
  EXPECT_EQ(UnmaskPasswords(L"PWD=********;Driver={X}", original, mask),
            L"PWD={a;b}}c};Driver={X}");
  // A mask where the original had no password stays what was typed.
  EXPECT_EQ(UnmaskPasswords(L"Password=********", L"Driver={X}", mask), L"Password=********");
  EXPECT_EQ(UnmaskPasswords(MaskPasswords(original, mask), original, mask), original);
}

}  // namespace
