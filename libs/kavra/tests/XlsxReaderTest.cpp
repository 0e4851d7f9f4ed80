// The .xlsx reader on containers built part by part, so that every XML form (and every broken
// one) can be given exactly.
#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <map>
#include <string>

#include "kavra/XlsxReader.h"
#include "kavra/ZipArchive.h"

namespace kavra_files {
namespace {

const std::string kNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

using Parts = std::map<std::string, std::string>;

class XlsxReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavra_xlsx_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Zip(const Parts& parts) {
    const std::string path = dir_ + "/book" + std::to_string(++count_) + ".xlsx";
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(z, nullptr);
    for (const auto& [name, content] : parts) {
      zip_source_t* s = zip_source_buffer(z, content.data(), content.size(), 0);
      EXPECT_GE(zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE), 0);
    }
    EXPECT_EQ(zip_close(z), 0);  // reads the buffers, which live until here
    return path;
  }

  // A one-sheet workbook named "Data" around the given sheetData content.
  static Parts OneSheet(const std::string& sheetData, Parts extra = {}) {
    Parts parts = {
        {"xl/workbook.xml", "<workbook xmlns=\"" + kNs + "\" xmlns:r=\"" + kRelNs +
                                "\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                                "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             kRelNs +
             "/worksheet\" "
             "Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" +
             kRelNs +
             "/sharedStrings\" "
             "Target=\"sharedStrings.xml\"/>"
             "<Relationship Id=\"rId3\" Type=\"" +
             kRelNs +
             "/styles\" Target=\"styles.xml\"/>"
             "</Relationships>"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet xmlns=\"" + kNs + "\"><sheetData>" + sheetData + "</sheetData></worksheet>"}};
    for (auto& [k, v] : extra) parts[k] = v;
    return parts;
  }

  std::vector<Table> Read(const Parts& parts, std::size_t limit = std::size_t{64} << 20) {
    LoadBudget budget(limit);
    return ReadXlsx(ZipArchive::OpenFile(Zip(parts)), &budget);
  }

  // The kind of the ReadError that reading gives; -1 when it reads.
  int ErrorKind(const Parts& parts, std::string* what = nullptr,
                std::size_t limit = std::size_t{64} << 20) {
    try {
      Read(parts, limit);
    } catch (const ReadError& e) {
      if (what) *what = e.what();
      return e.kind;
    }
    return -1;
  }

  std::string dir_;
  int count_ = 0;
};

// "row,column=text" for every cell, in reading order.
std::vector<std::string> Cells(const Table& t) {
  std::vector<std::string> out;
  for (const Cell& c : t.cells) {
    std::string v = c.kind == Cell::kInteger ? "i:" + std::to_string(c.integer)
                    : c.kind == Cell::kReal  ? "r:" + std::to_string(c.real)
                                             : c.text;
    out.push_back(std::to_string(c.row) + "," + std::to_string(c.column) + "=" + v);
  }
  return out;
}

TEST_F(XlsxReaderTest, ReadsEveryValueKindAndFollowsImpliedReferences) {
  const auto tables = Read(OneSheet(
      "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><r><t>He</t></r><r><t>llo</t></r></is></c>"
      "<c t=\"b\"><v>1</v></c><c t=\"b\"><v>0</v></c><c t=\"e\"><v>#N/A</v></c></row>"
      "<row><c><v>2.5</v></c><c t=\"str\"><f>A1</f><v>formula text</v></c><c/>"
      "<c t=\"d\"><v>2024-03-05T00:00:00</v></c><c t=\"d\"><v>2024-03-05T13:45:00</v></c>"
      "<c><v> 7 </v></c></row>"));
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].name, "Data$");
  EXPECT_EQ(Cells(tables[0]),
            (std::vector<std::string>{"1,1=Hello", "1,2=TRUE", "1,3=FALSE", "1,4=#N/A",
                                      "2,0=r:2.500000", "2,1=formula text", "2,3=2024-03-05",
                                      "2,4=2024-03-05 13:45:00", "2,5=i:7"}));
}

TEST_F(XlsxReaderTest, SharedStringsSkipPhoneticRunsAndDateStylesGiveText) {
  const std::string strings = "<sst xmlns=\"" + kNs +
                              "\"><si><t>plain</t></si><si/>"
                              "<si><r><t>ri</t></r><r><t>ch</t></r><rPh><t>PHONETIC</t></rPh></si>"
                              "<si><t xml:space=\"preserve\"> \"q\" &amp; \xc3\xa9 </t></si></sst>";
  const std::string styles =
      "<styleSheet xmlns=\"" + kNs +
      "\"><numFmts count=\"1\">"
      "<numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/></numFmts>"
      "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"20\"/>"
      "<xf numFmtId=\"4\"/></cellXfs></styleSheet>";
  const auto tables = Read(
      OneSheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
               "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>"
               "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>45292</v></c><c r=\"B2\" s=\"2\"><v>0.5</v></c>"
               "<c r=\"C2\" s=\"3\"><v>1234</v></c><c r=\"D2\" s=\"99\"><v>3</v></c></row>",
               {{"xl/sharedStrings.xml", strings}, {"xl/styles.xml", styles}}));
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(Cells(tables[0]),
            (std::vector<std::string>{"0,0=plain", "0,1=", "0,2=rich", "0,3= \"q\" & \xc3\xa9 ",
                                      "1,0=2024-01-01", "1,1=12:00:00", "1,2=i:1234", "1,3=i:3"}));
}

TEST_F(XlsxReaderTest, The1904SystemShiftsDates) {
  Parts parts = OneSheet("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c></row>",
                         {{"xl/styles.xml", "<styleSheet xmlns=\"" + kNs +
                                                "\"><cellXfs><xf numFmtId=\"0\"/>"
                                                "<xf numFmtId=\"14\"/></cellXfs></styleSheet>"}});
  parts["xl/workbook.xml"] = "<workbook xmlns=\"" + kNs + "\" xmlns:r=\"" + kRelNs +
                             "\"><workbookPr date1904=\"1\"/><sheets><sheet name=\"Data\" "
                             "sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
  EXPECT_EQ(Cells(Read(parts)[0]), std::vector<std::string>{"0,0=1904-01-01"});
}

TEST_F(XlsxReaderTest, AFarCellReferenceCostsOneCell) {
  const auto tables =
      Read(OneSheet("<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>"), 4096);
  ASSERT_EQ(tables[0].cells.size(), 1u);
  EXPECT_EQ(tables[0].cells[0].row, 1048575u);
  EXPECT_EQ(tables[0].cells[0].column, 16383u);
}

TEST_F(XlsxReaderTest, BrokenContentGivesADamagedFileError) {
  const std::vector<std::string> sheets = {
      "<row><c r=\"XFE1\"><v>1</v></c></row>",      // past the last column
      "<row><c r=\"A1048577\"><v>1</v></c></row>",  // past the last row
      "<row><c r=\"A0\"><v>1</v></c></row>",
      "<row><c r=\"1A\"><v>1</v></c></row>",
      "<row r=\"-3\"><c><v>1</v></c></row>",
      "<row><c t=\"s\"><v>5</v></c></row>",  // no such shared string
      "<row><c t=\"s\"><v>-1</v></c></row>",
      "<row><c><v>1x</v></c></row>",  // not a number
      "<row><c><v></v></c><c><v>",    // cut short
      "<row><c><v>1</v></row>",       // mismatched tags
  };
  for (const std::string& s : sheets) {
    std::string what;
    EXPECT_EQ(ErrorKind(OneSheet(s), &what), ReadError::kDamaged) << s;
    EXPECT_FALSE(what.empty()) << s;
  }
  Parts missingSheet = OneSheet("");
  missingSheet.erase("xl/worksheets/sheet1.xml");
  EXPECT_EQ(ErrorKind(missingSheet), ReadError::kDamaged);
  Parts noWorkbook = OneSheet("");
  noWorkbook.erase("xl/workbook.xml");
  EXPECT_EQ(ErrorKind(noWorkbook), ReadError::kDamaged);
  Parts badRels = OneSheet("");
  badRels["xl/_rels/workbook.xml.rels"] = "<Relationships";
  EXPECT_EQ(ErrorKind(badRels), ReadError::kDamaged);
}

TEST_F(XlsxReaderTest, ABinaryWorkbookInsideIsRefusedByName) {
  std::string what;
  EXPECT_EQ(ErrorKind({{"xl/workbook.bin", "binary"}}, &what), ReadError::kUnsupportedFormat);
  EXPECT_NE(what.find(".xlsb"), std::string::npos);
}

TEST_F(XlsxReaderTest, APartLargerThanTheBudgetIsRefusedWhateverItsHeaderSays) {
  std::string rows;
  for (int i = 1; i <= 2000; ++i)
    rows += "<row r=\"" + std::to_string(i) + "\"><c><v>" + std::to_string(i) + "</v></c></row>";
  EXPECT_EQ(ErrorKind(OneSheet(rows), nullptr, 20000), ReadError::kTooLarge);
}

TEST_F(XlsxReaderTest, NotAZipContainerIsDamaged) {
  try {
    ZipArchive::OpenMemory("PK\x03\x04garbage", 11);
    FAIL();
  } catch (const ReadError& e) {
    EXPECT_EQ(e.kind, ReadError::kDamaged);
  }
  // libzip takes no bytes at all for an empty archive: it has no workbook.
  LoadBudget budget(1 << 20);
  EXPECT_THROW(ReadXlsx(ZipArchive::OpenMemory("", 0), &budget), ReadError);
}

}  // namespace
}  // namespace kavra_files
