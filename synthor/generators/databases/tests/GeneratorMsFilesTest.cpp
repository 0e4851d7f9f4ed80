// The generators over Access and Excel files ($msaccess, $msexcel, $msexcelgroup) on a workbook
// written here with libxlsxwriter and on a real Access file: values in order and at random, rows
// kept together, and every construction error.
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kavra/FileProvider.h"
#include "platform/Text.h"
#include "synthor/engine/tests/EngineFixture.h"
#include "synthor/generators/databases/MsAccessData.h"
#include "synthor/generators/databases/MsExcelData.h"
#include "synthor/generators/databases/MsExcelGroup.h"
#include "testsupport/TestEnv.h"

namespace engine_test {
namespace {

using Values = std::vector<std::wstring>;

// Sheet "Staff": Name, City, Age with a repeated city and an empty cell.
std::wstring WriteWorkbook() {
  const std::wstring path = testsupport::NewScratchPath(L"staff.xlsx");
  lxw_workbook* wb = workbook_new(platform::ToUtf8(path).c_str());
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Staff");
  const char* names[] = {"Ann", "Bob", "Cy", "Dee"};
  const char* cities[] = {"Oslo", "Rome", nullptr, "Oslo"};
  const double ages[] = {30, 41.5, 27, 30};
  worksheet_write_string(ws, 0, 0, "Name", nullptr);
  worksheet_write_string(ws, 0, 1, "City", nullptr);
  worksheet_write_string(ws, 0, 2, "Age", nullptr);
  for (lxw_row_t r = 0; r < 4; ++r) {
    worksheet_write_string(ws, r + 1, 0, names[r], nullptr);
    if (cities[r]) worksheet_write_string(ws, r + 1, 1, cities[r], nullptr);
    worksheet_write_number(ws, r + 1, 2, ages[r], nullptr);
  }
  EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
  return path;
}

class MsFileGenerators : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    book = WriteWorkbook();
  }

  template <typename G>
  std::unique_ptr<G> Make(const Values& args, int expectedCode = 0) {
    std::wstring text;
    int code = 0;
    auto g = std::make_unique<G>(&args, nullptr, &engine, &text, &code);
    EXPECT_EQ(code, expectedCode) << platform::ToUtf8(text);
    lastError = text;
    return g;
  }

  static Values Draw(IGenerator* g, int n) {
    Values out;
    for (int i = 0; i < n; ++i) out.push_back(g->Value(nullptr));
    return out;
  }

  std::wstring book;
  std::wstring lastError;
};

TEST_F(MsFileGenerators, ExcelColumnsGiveTheirDistinctValues) {
  auto inOrder = Make<MsExcelData>({book, L"Staff", L"Age", L"1"});
  EXPECT_EQ(inOrder->nValues(), 3);
  std::set<std::wstring> ages(inOrder->AllData()->begin(), inOrder->AllData()->end());
  EXPECT_EQ(ages, (std::set<std::wstring>{L"27", L"30", L"41.5"}));
  const Values first = Draw(inOrder.get(), 4);
  EXPECT_EQ(first[3], first[0]) << "in order, the fourth value starts over";
  inOrder->Reset();
  EXPECT_EQ(inOrder->Value(nullptr), first[0]);

  auto random = Make<MsExcelData>({book, L"Staff", L"City"});
  std::set<std::wstring> seen;
  for (int i = 0; i < 100; ++i) seen.insert(random->Value(nullptr));
  EXPECT_EQ(seen, (std::set<std::wstring>{L"Oslo", L"Rome"}));
}

TEST_F(MsFileGenerators, ExcelGroupsKeepTheirRowsTogether) {
  auto group = Make<MsExcelGroup>({L"7", book, L"Staff", L"Name", L"Age", L"1"});
  EXPECT_EQ(group->groupId, 7);
  EXPECT_EQ(group->nValues(), 4);
  Values rows;
  for (int i = 0; i < 5; ++i) {
    const std::wstring name = group->Value(nullptr);
    rows.push_back(name + L"/" + group->GroupValue(2));
  }
  EXPECT_EQ(rows, (Values{L"Ann/30", L"Bob/41.5", L"Cy/27", L"Dee/30", L"Ann/30"}));
  // Outside the columns: an empty text and no error.
  EXPECT_EQ(group->GroupValue(3), L"");
  EXPECT_EQ(group->GroupValue(0), L"");

  // A last "0" is the order marker too (at random), not a column.
  auto random = Make<MsExcelGroup>({L"1", book, L"Staff", L"Name", L"City", L"0"});
  std::set<std::wstring> seen;
  for (int i = 0; i < 100; ++i) {
    const std::wstring name = random->Value(nullptr);
    seen.insert(name + L"/" + random->GroupValue(2));
  }
  EXPECT_EQ(seen, (std::set<std::wstring>{L"Ann/Oslo", L"Bob/Rome", L"Cy/NULL", L"Dee/Oslo"}));
}

// A real Access file: a column's distinct values, and through a pattern a table whose name has
// a blank and values that hold a comma.
TEST_F(MsFileGenerators, AccessColumnsOfARealFileGiveTheirDistinctValues) {
  std::wstring mdb;
  REQUIRE_ACCESS_SAMPLE(mdb);
  auto sugar = Make<MsAccessData>({mdb, L"Fruit", L"Sugar"});
  const Values* all = sugar->AllData();
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(std::set<std::wstring>(all->begin(), all->end()).size(), all->size());
  EXPECT_NE(std::find(all->begin(), all->end(), L"12"), all->end());  // Apple's
  EXPECT_NE(std::find(all->begin(), all->end(), L"73"), all->end());  // Date's

  EXPECT_EQ(Distinct(L"$msaccess(" + mdb + L", Veggie Salad, fruit)", 200),
            (std::set<std::wstring>{L"Avocado", L"Carrots", L"Pepper, Red Bell", L"Tomato"}));
}

TEST_F(MsFileGenerators, ConstructionErrorsCarryTheirCodes) {
  Make<MsExcelData>({book, L"Staff"}, 1000);
  EXPECT_EQ(lastError, L"ExcelData: the function expects at least 3 parameters.");
  Make<MsExcelGroup>({L"1", book, L"Staff", L"Name"}, 1050);
  EXPECT_EQ(lastError, L"ExcelGroup: the function expects at least 5 parameters.");
  Make<MsAccessData>({book, L"t"}, 1400);
  EXPECT_EQ(lastError, L"AccessData: the function expects at least 3 parameters.");

  const std::wstring missing = testsupport::NewScratchPath(L"none.xlsx");
  auto g = Make<MsExcelData>({missing, L"Staff", L"Name"}, 1001);
  EXPECT_EQ(lastError.rfind(L"ExcelData: could not open '" + missing + L"' file [", 0), 0u)
      << platform::ToUtf8(lastError);
  EXPECT_NE(lastError.find(kFileProviderMissingFile), std::wstring::npos);
  EXPECT_EQ(g->Value(nullptr), L"");
  Make<MsExcelGroup>({L"1", missing, L"Staff", L"A", L"B"}, 1051);
  Make<MsAccessData>({testsupport::NewScratchPath(L"none.mdb"), L"t", L"c"}, 1401);
  EXPECT_NE(lastError.find(kFileProviderMissingFile), std::wstring::npos);

  // The file opens but the column is not there: the wrapper's error.
  Make<MsExcelData>({book, L"Staff", L"Nope"}, 1);
  EXPECT_NE(lastError.find(L"Nope"), std::wstring::npos) << platform::ToUtf8(lastError);
  Make<MsExcelGroup>({L"1", book, L"Staff", L"Name", L"Nope"}, 1052);
  Make<MsExcelData>({book, L"NoSheet", L"Name"}, 1);
  // An Access generator on a workbook reads it too; a bracketed sheet name needs its '$'.
  auto access = Make<MsAccessData>({book, L"Staff$", L"Name"});
  EXPECT_EQ(access->nValues(), 4);
}

TEST_F(MsFileGenerators, GarbageParametersFailCleanly) {
  const std::vector<Values> garbage = {
      {L"", L"", L""},        {book, L"", L""},          {book, L"`", L"`"},
      {book, L"Staff", L"["}, {book, L"Sta'ff", L"\"x"}, {L"/", L"/", L"/", L"/"},
  };
  for (const Values& args : garbage) {
    std::wstring text;
    int code = 0;
    MsExcelData excel(&args, nullptr, &engine, &text, &code);
    excel.Value(nullptr);
    MsAccessData access(&args, nullptr, &engine, &text, &code);
    access.Value(nullptr);
    Values group = {L"1"};
    group.insert(group.end(), args.begin(), args.end());
    MsExcelGroup rows(&group, nullptr, &engine, &text, &code);
    rows.Value(nullptr);
    rows.GroupValue(1);
  }
}

}  // namespace
}  // namespace engine_test
