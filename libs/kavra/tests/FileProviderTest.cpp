// The file provider (data-source types 3 and 4) on workbooks written here with libxlsxwriter:
// connection strings, sheets as tables, header rows, values as text, SQL over the loaded sheets,
// statement handles, and the errors for files it cannot read; and a real Access file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kavra/DbmsCodes.h"
#include "kavra/FileProvider.h"
#include "platform/Text.h"
#include "testsupport/TestEnv.h"

namespace {

using Rows = std::vector<std::vector<std::wstring>>;

std::wstring W(const std::string& s) { return platform::FromUtf8(s); }

std::wstring AceString(const std::string& path, const char* hdr = "YES") {
  return W("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + path +
           ";Extended Properties=\"Excel 12.0 Xml;HDR=" + hdr + "\"");
}

class FileProviderTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavra_files_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    book_ = dir_ + "/people.xlsx";
    WriteBook(book_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // People: a header row and four data rows (one row left empty between them), with numbers,
  // dates, empty cells, quotes and non-ASCII text. Numbers: values without a header. Empty.
  // Dup: header texts that repeat or are missing.
  static void WriteBook(const std::string& path) {
    lxw_workbook* wb = workbook_new(path.c_str());
    ASSERT_NE(wb, nullptr);
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd");
    lxw_format* stamp = workbook_add_format(wb);
    format_set_num_format(stamp, "yyyy-mm-dd hh:mm:ss");

    lxw_worksheet* ws = workbook_add_worksheet(wb, "People");
    const char* header[] = {"Name", "Age", "Born", "City", "Note"};
    for (lxw_col_t c = 0; c < 5; ++c) worksheet_write_string(ws, 0, c, header[c], nullptr);
    lxw_datetime born1 = {1990, 5, 1, 0, 0, 0};
    lxw_datetime born2 = {1983, 1, 2, 8, 30, 0};
    worksheet_write_string(ws, 1, 0, "Ann", nullptr);
    worksheet_write_number(ws, 1, 1, 30, nullptr);
    worksheet_write_datetime(ws, 1, 2, &born1, date);
    worksheet_write_string(ws, 1, 3, "Oslo", nullptr);
    worksheet_write_string(ws, 1, 4, "say \"hi\"", nullptr);
    worksheet_write_string(ws, 2, 0, "Bob", nullptr);
    worksheet_write_number(ws, 2, 1, 41.5, nullptr);
    worksheet_write_datetime(ws, 2, 2, &born2, stamp);
    worksheet_write_string(ws, 2, 3, "Z\xc3\xbcrich", nullptr);
    worksheet_write_blank(ws, 2, 4, date);  // formatted but empty: NULL
    worksheet_write_string(ws, 3, 0,
                           "\xc3\x87"
                           "elik",
                           nullptr);
    worksheet_write_number(ws, 3, 1, 30, nullptr);
    worksheet_write_string(ws, 3, 3, "Oslo", nullptr);
    worksheet_write_string(ws, 3, 4, "it's", nullptr);
    // Row 5 (index 4) stays empty.
    worksheet_write_string(ws, 5, 0, "Dee", nullptr);
    worksheet_write_number(ws, 5, 1, 7, nullptr);
    worksheet_write_string(ws, 5, 3, "T\xc5\x8dky\xc5\x8d \xe6\x9d\xb1\xe4\xba\xac", nullptr);
    worksheet_write_boolean(ws, 5, 4, 1, nullptr);

    lxw_worksheet* numbers = workbook_add_worksheet(wb, "Numbers");
    const double values[] = {1, 2, 2, 3.25, -0.1, 1e15};
    for (lxw_row_t r = 0; r < 6; ++r) worksheet_write_number(numbers, r, 0, values[r], nullptr);

    workbook_add_worksheet(wb, "Empty");

    lxw_worksheet* dup = workbook_add_worksheet(wb, "Dup");
    worksheet_write_string(dup, 0, 0, "A", nullptr);
    worksheet_write_string(dup, 0, 1, "a", nullptr);
    worksheet_write_number(dup, 1, 0, 1, nullptr);
    worksheet_write_number(dup, 1, 1, 2, nullptr);
    worksheet_write_number(dup, 1, 2, 3, nullptr);  // no header text
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
  }

  // A connected provider, or the failed one with its error.
  std::unique_ptr<CDB> Open(const std::wstring& connString, DS_TYPE type = 4, int* rc = nullptr) {
    std::unique_ptr<CDB> db(CDB::newDB(type));
    CONN_INFO info;
    info.Kind = CONN_STRING;
    info.ConnString = connString;
    info.DsType = type;
    int r = db->OpenConnection(&info);
    if (rc)
      *rc = r;
    else
      EXPECT_EQ(r, 0) << platform::ToUtf8(db->ErrorText);
    return db;
  }

  // Every row of a query; "<NULL>" for NULL.
  static Rows Query(CDB* db, const std::wstring& sql) {
    Rows rows;
    EXPECT_EQ(db->Execute(sql), 0) << platform::ToUtf8(db->ErrorText);
    int columns = 0;
    EXPECT_EQ(db->ColumnCount(&columns), 0);
    while (db->Fetch() == 0) {
      std::vector<std::wstring> row;
      for (int c = 1; c <= columns; ++c) {
        std::wstring text;
        int size = 0;
        EXPECT_EQ(db->GetColumnText(c, &text, &size), 0);
        row.push_back(size < 0 ? L"<NULL>" : text);
      }
      rows.push_back(row);
    }
    db->CloseCursor();
    return rows;
  }

  // The error text of a failed open.
  std::wstring OpenError(const std::wstring& connString, DS_TYPE type = 4, int expected = -1) {
    int rc = 0;
    auto db = Open(connString, type, &rc);
    EXPECT_EQ(rc, expected);
    EXPECT_FALSE(db->IsConnected());
    return db->ErrorText;
  }

  std::string dir_, book_;
};

bool Has(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST_F(FileProviderTest, AccessAndExcelTypesGetTheFileProviderOthersStayOdbc) {
  for (DS_TYPE t : {3, 4}) {
    std::unique_ptr<CDB> db(CDB::newDB(t));
    EXPECT_NE(dynamic_cast<FileProvider*>(db.get()), nullptr) << t;
    EXPECT_EQ(db->Info.DsType, t);
  }
  for (DS_TYPE t : {0, 2}) {
    std::unique_ptr<CDB> db(CDB::newDB(t));
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(dynamic_cast<FileProvider*>(db.get()), nullptr) << t;
  }
}

TEST_F(FileProviderTest, SheetsWithAHeaderRowAnswerTheDistinctValuesStatement) {
  auto db = Open(AceString(book_));
  EXPECT_TRUE(db->IsConnected());
  EXPECT_EQ(db->DBMS, DBMS_EXCEL);
  EXPECT_EQ(db->QuoteOpen, L'"');
  EXPECT_EQ(
      Query(db.get(), L"select distinct `City` from `People$` where `City` is not null order by 1"),
      (Rows{{L"Oslo"}, {L"T\u014dky\u014d \u6771\u4eac"}, {L"Z\u00fcrich"}}));
  // Numbers without ".0" when whole, dates as text, empty cells NULL, the empty row left out.
  EXPECT_EQ(Query(db.get(), L"select Name, Age, Born, Note from \"People$\""),
            (Rows{{L"Ann", L"30", L"1990-05-01", L"say \"hi\""},
                  {L"Bob", L"41.5", L"1983-01-02 08:30:00", L"<NULL>"},
                  {L"\u00c7elik", L"30", L"<NULL>", L"it's"},
                  {L"Dee", L"7", L"<NULL>", L"TRUE"}}));
  EXPECT_EQ(Query(db.get(), L"select [Name] from [People$] where [Note] = 'it''s'"),
            (Rows{{L"\u00c7elik"}}));
}

TEST_F(FileProviderTest, NumbersCompareAsNumbersInFilters) {
  auto db = Open(AceString(book_));
  EXPECT_EQ(Query(db.get(),
                  L"select `Name`,`Age` from `People$` where `Age` > 20 and "
                  L"`City` = 'Oslo' order by `Name`"),
            (Rows{{L"Ann", L"30"}, {L"\u00c7elik", L"30"}}));
  EXPECT_EQ(Query(db.get(),
                  L"select distinct `Age` from `People$` where `Age` is not null "
                  L"order by `Age`"),
            (Rows{{L"7"}, {L"30"}, {L"41.5"}}));
}

TEST_F(FileProviderTest, WithoutAHeaderRowColumnsAreNamedByTheirLetter) {
  auto db = Open(W("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + book_ +
                   ";Extended Properties=\"Excel 8.0;IMEX=1;HDR=NO\""));
  EXPECT_EQ(Query(db.get(), L"select F1, F4 from `People$` where F2 is not null"),
            (Rows{{L"Name", L"City"},
                  {L"Ann", L"Oslo"},
                  {L"Bob", L"Z\u00fcrich"},
                  {L"\u00c7elik", L"Oslo"},
                  {L"Dee", L"T\u014dky\u014d \u6771\u4eac"}}));
  EXPECT_EQ(Query(db.get(), L"select F1 from `Numbers$`"),
            (Rows{{L"1"}, {L"2"}, {L"2"}, {L"3.25"}, {L"-0.1"}, {L"1000000000000000"}}));
  EXPECT_EQ(Query(db.get(), L"select count(*) from `Empty$`"), (Rows{{L"0"}}));
}

TEST_F(FileProviderTest, RepeatedOrMissingHeaderTextsGiveLetterNames) {
  auto db = Open(AceString(book_));
  EXPECT_EQ(Query(db.get(), L"select A, F2, F3 from `Dup$`"), (Rows{{L"1", L"2", L"3"}}));
}

TEST_F(FileProviderTest, TheExcelAndAccessDriverStringsAreRecognised) {
  for (const std::string& s :
       {"Driver={Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm, *.xlsb)};DriverID=1046;DBQ=" +
            book_ + ";ReadOnly=1;",
        "Driver={Microsoft Excel Driver (*.xls)};DriverId=278;dbq=" + book_ + ";",
        "provider=microsoft.ace.oledb.12.0;data source=" + book_ +
            ";extended properties=\"Excel 12.0\""}) {
    auto db = Open(W(s));
    EXPECT_EQ(Query(db.get(), L"select count(*) from `People$`"), (Rows{{L"4"}})) << s;
  }
  // Connected through the Access driver string, a workbook is still read by its content.
  auto db = Open(W("DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=" + book_ + ";"), 3);
  EXPECT_EQ(db->DBMS, DBMS_EXCEL);
}

TEST_F(FileProviderTest, LegacyWorkbooksReadTheSameWay) {
  const std::string xls = std::string(KAVRA_TEST_DATA) + "/people.xls";
  auto db = Open(W("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + xls +
                   ";Extended Properties=\"Excel 8.0;IMEX=1;HDR=YES\""));
  EXPECT_EQ(db->DBMS, DBMS_EXCEL);
  EXPECT_EQ(Query(db.get(), L"select `Name`, `Age`, `Born` from `People$`"),
            (Rows{{L"Ann", L"30", L"1990-05-01"},
                  {L"Bob", L"41.5", L"1983-01-02 08:30:00"},
                  {L"\u00c7elik", L"30", L"<NULL>"},
                  {L"Dee", L"7", L"<NULL>"}}));
  EXPECT_EQ(Query(db.get(),
                  L"select distinct `Age` from `People$` where `Age` is not null "
                  L"order by 1"),
            (Rows{{L"7"}, {L"30"}, {L"41.5"}}));
  auto plain = Open(W("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + xls +
                      ";Extended Properties=\"Excel 8.0;HDR=NO\""));
  EXPECT_EQ(Query(plain.get(), L"select F1 from `Numbers$`"),
            (Rows{{L"1"}, {L"2"}, {L"2"}, {L"3.25"}}));
}

// A real Access file, not one written here: each of its tables is a table of the same name, and
// its values read as the file holds them.
TEST_F(FileProviderTest, ARealAccessFileReadsItsTablesAndValues) {
  std::wstring mdb;
  REQUIRE_ACCESS_SAMPLE(mdb);
  for (const std::wstring& connString :
       {L"DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=" + mdb + L";ReadOnly=1;",
        L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb + L";"}) {
    SCOPED_TRACE(platform::ToUtf8(connString));
    auto db = Open(connString, 3);
    EXPECT_EQ(db->DBMS, DBMS_ACCESS);
    EXPECT_EQ(
        Query(db.get(), L"select name from sqlite_master where type = 'table' order by 1"),
        (Rows{{L"Dried"}, {L"Fruit"}, {L"Fruit Salad"}, {L"Muffin/Bread"}, {L"Veggie Salad"}}));
    EXPECT_EQ(Query(db.get(), L"select count(*) from [Fruit]"), (Rows{{L"37"}}));
    EXPECT_EQ(Query(db.get(), L"select Fiber, Sugar from [Fruit] where Fruit = 'Apple'"),
              (Rows{{L"2", L"12"}}));
    EXPECT_EQ(Query(db.get(), L"select [Vit B6], [Vit E] from [Fruit] where Fruit = 'Kumquat'"),
              (Rows{{L"<NULL>", L"<NULL>"}}));
    EXPECT_EQ(Query(db.get(), L"select fruit from [Veggie Salad] order by 1"),
              (Rows{{L"Avocado"}, {L"Carrots"}, {L"Pepper, Red Bell"}, {L"Tomato"}}));
  }
}

TEST_F(FileProviderTest, StatementHandlesWorkSideBySide) {
  auto db = Open(AceString(book_));
  HSTMT_K a = nullptr, b = nullptr;
  ASSERT_EQ(db->AllocStatement(&a), 0);
  ASSERT_EQ(db->AllocStatement(&b), 0);
  ASSERT_EQ(db->Execute(L"select Name from `People$` order by Name", a), 0);
  ASSERT_EQ(db->Execute(L"select City, Age from `People$` order by City desc", b), 0);
  int n = 0;
  ASSERT_EQ(db->ColumnCount(&n, b), 0);
  EXPECT_EQ(n, 2);
  std::wstring name;
  ASSERT_EQ(db->ColumnName(2, &name, b), 0);
  EXPECT_EQ(name, L"Age");
  std::wstring text;
  EXPECT_EQ(db->GetColumnText(1, &text, nullptr, a), -1) << "no row fetched yet";
  ASSERT_EQ(db->Fetch(a), 0);
  ASSERT_EQ(db->Fetch(b), 0);
  ASSERT_EQ(db->GetColumnText(1, &text, nullptr, a), 0);
  EXPECT_EQ(text, L"Ann");
  int size = 2;  // at most two characters, counted as characters, not bytes
  ASSERT_EQ(db->GetColumnText(1, &text, &size, b), 0);
  EXPECT_EQ(text, L"Z\u00fc");
  EXPECT_EQ(size, 2);
  EXPECT_EQ(db->GetColumnText(3, &text, nullptr, b), -3);
  int fetched = 1;
  while (db->Fetch(a) == 0) ++fetched;
  EXPECT_EQ(fetched, 4);
  EXPECT_EQ(db->Fetch(a), 100);
  EXPECT_EQ(db->FreeStatement(a), 0);
  EXPECT_EQ(db->FreeStatement(a), -3);
  EXPECT_EQ(db->Execute(L"select 1", a), -3);
  // The disconnect frees what is left.
  EXPECT_EQ(db->CloseConnection(), 0);
  EXPECT_EQ(db->Fetch(b), -2);
}

TEST_F(FileProviderTest, StatementFailuresCarrySqliteMessages) {
  auto db = Open(AceString(book_));
  EXPECT_EQ(db->Execute(L"select `Nope` from `People$`"), -1);
  EXPECT_TRUE(Has(db->ErrorText, L"Nope")) << platform::ToUtf8(db->ErrorText);
  EXPECT_EQ(db->Execute(L"select \"Nope\" from `People$`"), -1) << "not a string literal";
  EXPECT_EQ(db->Execute(L"select * from `Sheet9$`"), -1);
  EXPECT_TRUE(Has(db->ErrorText, L"Sheet9$"));
  // The file is never written: the loaded copy is query-only.
  EXPECT_EQ(db->Execute(L"delete from `People$`"), -1);
  EXPECT_EQ(Query(db.get(), L"select count(*) from `People$`"), (Rows{{L"4"}}));
  EXPECT_EQ(db->Fetch(), -1) << "the cursor is closed";
  EXPECT_EQ(db->Execute(L"select 1"), 0);
  EXPECT_EQ(db->StmtState, 9);
  EXPECT_EQ(db->CloseCursor(), 0);
  EXPECT_EQ(db->StmtState, 0);
}

TEST_F(FileProviderTest, ReconnectingReadsTheFileAgain) {
  auto db = Open(AceString(book_));
  EXPECT_EQ(db->Connect(db.get()), 0);
  // With the header row in force the first number names the column.
  EXPECT_EQ(Query(db.get(), L"select count(*), min(\"1\") from `Numbers$`"),
            (Rows{{L"5", L"-0.1"}}));
  EXPECT_EQ(db->CloseConnection(), 0);
  EXPECT_FALSE(db->IsConnected());
  EXPECT_EQ(db->Execute(L"select 1"), -2);
  EXPECT_EQ(db->DBMS, -1);
}

TEST_F(FileProviderTest, AMissingFileIsReportedWithItsPath) {
  const std::string missing = dir_ + "/nothing.xlsx";
  std::wstring error = OpenError(AceString(missing));
  EXPECT_TRUE(Has(error, kFileProviderMissingFile)) << platform::ToUtf8(error);
  EXPECT_TRUE(Has(error, W(missing)));
  EXPECT_TRUE(Has(OpenError(AceString(dir_)), kFileProviderMissingFile)) << "a folder";
  EXPECT_TRUE(Has(OpenError(W("DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=" + dir_ +
                              "/none.mdb;ReadOnly=1;"),
                            3),
                  kFileProviderMissingFile));
}

TEST_F(FileProviderTest, TheLastColumnOfASheetIsAColumnLikeAnyOther) {
  const std::string path = dir_ + "/wide.xlsx";
  lxw_workbook* wb = workbook_new(path.c_str());
  ASSERT_NE(wb, nullptr);
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Wide");
  worksheet_write_string(ws, 0, 1, "B", nullptr);
  worksheet_write_number(ws, 1, 1, 1, nullptr);
  worksheet_write_number(ws, 1, 16383, 2, nullptr);  // XFD, the last column
  ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
  auto db = Open(AceString(path));
  EXPECT_EQ(Query(db.get(), L"select * from `Wide$`"), (Rows{{L"1", L"2"}}));
  EXPECT_EQ(Query(db.get(), L"select B, F16384 from `Wide$`"), (Rows{{L"1", L"2"}}));
  auto plain = Open(AceString(path, "NO"));
  EXPECT_EQ(Query(plain.get(), L"select F2, F16384 from `Wide$`"),
            (Rows{{L"B", L"<NULL>"}, {L"1", L"2"}}));
}

TEST_F(FileProviderTest, APipeIsRefusedWithoutWaitingForAWriter) {
  const std::string pipe = dir_ + "/pipe.xlsx";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::wstring error = OpenError(AceString(pipe));
  EXPECT_TRUE(Has(error, kFileProviderMissingFile)) << platform::ToUtf8(error);
  EXPECT_TRUE(Has(error, W(pipe)));
}

TEST_F(FileProviderTest, BinaryWorkbooksAreRefusedByName) {
  const std::string xlsb = dir_ + "/book.XLSB";
  std::filesystem::copy_file(book_, xlsb);
  std::wstring error = OpenError(W("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + xlsb +
                                   ";Extended Properties=\"Excel 12.0;HDR=YES\""));
  EXPECT_TRUE(Has(error, kFileProviderUnsupportedFormat)) << platform::ToUtf8(error);
  EXPECT_TRUE(Has(error, L".xlsb"));
}

TEST_F(FileProviderTest, UnknownAndDamagedFilesAreTold) {
  auto write = [this](const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    return dir_ + "/" + name;
  };
  std::wstring error = OpenError(AceString(write("text.xlsx", "Name,Age\nAnn,30\n")));
  EXPECT_TRUE(Has(error, kFileProviderUnknownFormat)) << platform::ToUtf8(error);
  EXPECT_TRUE(Has(OpenError(AceString(write("empty.xlsx", ""))), kFileProviderUnknownFormat));

  error = OpenError(AceString(write("cut.xlsx", "PK\x03\x04 not really a zip")));
  EXPECT_TRUE(Has(error, kFileProviderDamagedFile)) << platform::ToUtf8(error);
  error = OpenError(AceString(write(
      "cut.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'))));
  EXPECT_TRUE(Has(error, kFileProviderDamagedFile)) << platform::ToUtf8(error);
  error = OpenError(
      W("DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=" +
        write("cut.mdb", std::string(4, '\0') + "Standard Jet DB" + std::string(100, '\0')) + ";"),
      3);
  EXPECT_TRUE(Has(error, kFileProviderDamagedFile)) << platform::ToUtf8(error);
}

TEST_F(FileProviderTest, ALoadPastTheLimitFailsCleanly) {
  std::unique_ptr<CDB> db(CDB::newDB(4));
  static_cast<FileProvider*>(db.get())->SetLoadLimit(2000);
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = AceString(book_);
  EXPECT_EQ(db->OpenConnection(&info), -1);
  EXPECT_TRUE(Has(db->ErrorText, kFileProviderTooLarge)) << platform::ToUtf8(db->ErrorText);
  EXPECT_FALSE(db->IsConnected());
}

TEST_F(FileProviderTest, OtherDescriptionsAreRefused) {
  std::unique_ptr<CDB> db(CDB::newDB(4));
  CONN_INFO info;
  info.Kind = CONN_DSN;
  info.Dsn = L"Excel Files";
  EXPECT_EQ(db->OpenConnection(&info), -3);
  info.Kind = CONN_STRING;
  info.ConnString = L"Driver=SQLite3;Database=/tmp/x.db";
  EXPECT_EQ(db->OpenConnection(&info), -3);
  info.ConnString = L"Provider=Microsoft.ACE.OLEDB.12.0;Extended Properties=\"Excel 12.0\"";
  EXPECT_EQ(db->OpenConnection(&info), -3) << "no file named";
  EXPECT_EQ(db->OpenConnection(nullptr), -3);
}

}  // namespace
