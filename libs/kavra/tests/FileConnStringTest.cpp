// Reading Access and Excel connection strings: the forms the drivers take, quoting, and text that
// is no such string.
#include <gtest/gtest.h>

#include "kavra/FileConnString.h"

namespace kavra_files {
namespace {

TEST(FileConnString, ReadsThePathHeaderAndReadOnlyFlag) {
  FileSource s;
  ASSERT_TRUE(ParseFileConnString(
      L"DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=/d/a b.mdb;ReadOnly=1;", &s));
  EXPECT_EQ(s.path, L"/d/a b.mdb");
  EXPECT_TRUE(s.readOnly);
  ASSERT_TRUE(
      ParseFileConnString(L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/x.xls;"
                          L"Extended Properties=\"Excel 8.0;IMEX=1; HDR = no\"",
                          &s));
  EXPECT_EQ(s.path, L"/d/x.xls");
  EXPECT_FALSE(s.headerRow);
  EXPECT_FALSE(s.readOnly);
  ASSERT_TRUE(
      ParseFileConnString(L"  driver = {Microsoft Excel Driver (*.xls)} ; "
                          L"DBQ = {/d/semi;colon.xls} ; FirstRowHasNames=0",
                          &s));
  EXPECT_EQ(s.path, L"/d/semi;colon.xls");
  EXPECT_FALSE(s.headerRow);
  ASSERT_TRUE(ParseFileConnString(
      L"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=\"/d/say \"\"hi\"\".xlsx\"", &s));
  EXPECT_EQ(s.path, L"/d/say \"hi\".xlsx");
  EXPECT_TRUE(s.headerRow);
}

TEST(FileConnString, RefusesOtherAndBrokenStrings) {
  for (const wchar_t* text :
       {L"", L";;;", L"=", L"Driver=SQLite3;Database=/tmp/x.db", L"DSN=Excel Files",
        L"Provider=SQLOLEDB;Data Source=server", L"Provider=Microsoft.ACE.OLEDB.12.0",
        L"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=", L"Driver={Microsoft Access Driver",
        L"Driver={Microsoft Excel Driver (*.xls)};DBQ=\"",
        L"Provider=Microsoft.Jet.OLEDB.4.0;Data"})
    EXPECT_FALSE(ParseFileConnString(text)) << text;
}

}  // namespace
}  // namespace kavra_files
