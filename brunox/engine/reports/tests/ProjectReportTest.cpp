// The project description report: the project as configured, one table per task.
#include "brunox/engine/project/Project.h"
#include "brunox/engine/tests/EngineTestSupport.h"
#include "kavra/CDB.h"
#include "parlemont/tests/HtmlValidation.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using enginetest::EngineTest;
using parlemont_test::ExpectValidHtml;
using parlemont_test::HtmlSelectFile;

class ProjectReport : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = testsupport::NewScratchPath(L"project.html");
    project_ = enginetest::MakeFullProject();
  }
  std::string Value(int table, const std::string& name) const {
    const auto values = HtmlSelectFile(
        path_,
        ("(//table)[" + std::to_string(table) + "]//tr[td[1]='" + name + "']/td[2]").c_str());
    return values.size() == 1 ? values[0] : "<" + std::to_string(values.size()) + " values>";
  }
  std::wstring path_;
  Project project_;
  enginetest::ScriptedUi ui_;
};

TEST_F(ProjectReport, SummaryAndOneTablePerTask) {
  project_.Tasks[1].isActive = 1;
  ASSERT_TRUE(project_.WriteDescriptionReport(path_));
  ExpectValidHtml(path_);
  EXPECT_EQ((std::vector<std::string>{"Ovra DB Brunox Project Report"}),
            HtmlSelectFile(path_, "//h1"));
  EXPECT_EQ((std::vector<std::string>{"#P0", "#P1", "#P2", "#P3"}),
            HtmlSelectFile(path_, "//ul[@class='toc']//a/@href"));
  EXPECT_EQ((std::vector<std::string>{"Summary", "Task #1", "Task #2", "Task #3"}),
            HtmlSelectFile(path_, "//ul[@class='toc']//a"));
  EXPECT_EQ((std::vector<std::string>{"P0", "P1", "P2", "P3"}), HtmlSelectFile(path_, "//a/@id"));
  EXPECT_EQ((std::vector<std::string>{"Summary", "Task #1 top", "Task #2 top", "Task #3 top"}),
            HtmlSelectFile(path_, "//h2"));
  EXPECT_EQ((std::vector<std::string>{"#", "#", "#"}), HtmlSelectFile(path_, "//h2/a/@href"));
  EXPECT_EQ(platform::ToUtf8(project_.Tasks[0].Name),
            HtmlSelectFile(path_, "//p[@class='name']")[0]);

  EXPECT_EQ((std::vector<std::string>{"Attribute", "Value"}),
            HtmlSelectFile(path_, "(//table)[1]//tr[1]/th"));
  EXPECT_EQ("Not connected", Value(1, "Default Database Connection"));
  EXPECT_EQ("Execute each task 7 times.", Value(1, "Execution Mode"));
  // A line break of the text is a <br>, which has no text of its own.
  EXPECT_EQ("Line oneLine two = with equals\\backslash", Value(1, "Project Description"));
  EXPECT_EQ("Tester", Value(1, "Project Author"));
  EXPECT_EQ("3", Value(1, "Total Tasks"));
  EXPECT_EQ("Yes", Value(1, "Show execution plan"));
  EXPECT_EQ("/reports/c.htm", Value(1, "Perfromance Counters report file"));

  // Task 2 of the full project: generated parameters, an own connection, saved results.
  EXPECT_EQ((std::vector<std::string>{"Task Property", "Value"}),
            HtmlSelectFile(path_, "(//table)[3]//tr[1]/th"));
  EXPECT_EQ("Yes", Value(3, "Active (Enabled)"));
  EXPECT_EQ("No", Value(2, "Active (Enabled)"));
  EXPECT_EQ("/scripts/s1.sql", Value(3, "Use script from file"));
  EXPECT_EQ("High", Value(3, "Task Proirity"));
  EXPECT_EQ("Defined at the project level.", Value(3, "Execute Times"));
  EXPECT_EQ("13", Value(3, "Threads (virtual users)"));
  EXPECT_EQ("Task Level / Custom", Value(3, "Connection"));
  EXPECT_EQ(platform::ToUtf8(project_.Tasks[1].TaskCon.ConInfo()), Value(3, "Custom connection"));
  EXPECT_EQ("/results/1", Value(3, "Execution results output directory"));
  EXPECT_EQ("14 rows", Value(3, "Fetch Mode"));
  EXPECT_EQ("16", Value(3, "Initial Delay, ms"));
  EXPECT_EQ("Between 15 and 17", Value(3, "Run to run delay, ms"));
  EXPECT_EQ("Between 18 and 19", Value(3, "Statement to statement delay, ms"));
  EXPECT_EQ("21", Value(3, "Group No"));
  // The patterns one per line, each escaped on its own.
  EXPECT_EQ(
      1u, HtmlSelectFile(path_, "(//table)[3]//tr[td[1]='Parameter generators']/td[2]/br").size());
  EXPECT_EQ(platform::ToUtf8(project_.Tasks[1].Params[0].PropTempl +
                             project_.Tasks[1].Params[1].PropTempl),
            Value(3, "Parameter generators"));
  EXPECT_EQ("<0 values>", Value(3, "File with parameters"));
}

TEST_F(ProjectReport, RunModesAndTaskCounts) {
  struct Case {
    int doType;
    const char* mode;
    const char* times;
  };
  const Case cases[] = {
      {kRunUntilStopped, "While 'stop' button is not pressed.", "Defined at the project level."},
      {kRunByTaskCounts, "By individual task properties.", "11"},
      {kRunSeconds, "30 seconds.", "Defined at the project level."},
      {kRunEachTimes, "Execute each task 7 times.", "Defined at the project level."},
      {kRunAllAtLeast, "Execute all tasks at least 1000 times.", "Defined at the project level."},
      {kRunEachAtLeast, "Execute each task at least 3 times.", "Defined at the project level."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    project_.DoType = c.doType;
    ASSERT_TRUE(project_.WriteDescriptionReport(path_));
    EXPECT_EQ(c.mode, Value(1, "Execution Mode"));
    EXPECT_EQ(c.times, Value(2, "Execute Times"));
  }
  project_.DoType = kRunByTaskCounts;
  project_.Tasks[0].ExecCntr = 0;
  ASSERT_TRUE(project_.WriteDescriptionReport(path_));
  EXPECT_EQ("Not limited.", Value(2, "Execute Times"));
}

TEST_F(ProjectReport, ValueFileRowsAndAConnectedProject) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(testsupport::NewScratchPath(L"db.sqlite"));
  std::unique_ptr<CDB> db(CDB::newDB(0));
  ASSERT_TRUE(db);
  ASSERT_EQ(0, db->OpenConnection(&info));
  project_.MainDB = db.get();
  project_.Note.clear();
  Task& task = project_.Tasks[0];
  task.ParamType = kParamsFromFile;
  task.Separator = L"<tab>";
  task.AllRows = 1;
  task.Delay = task.DelayMax = 5;
  task.SQL = L"select '<a>' || \"b\" & 1";
  ASSERT_TRUE(project_.WriteDescriptionReport(path_));
  ExpectValidHtml(path_);
  EXPECT_EQ(platform::ToUtf8(db->ConInfo(1, 0)), Value(1, "Default Database Connection"));
  EXPECT_EQ("<0 values>", Value(1, "Project Description"));
  EXPECT_EQ("/values/v0.txt", Value(2, "File with parameters"));
  EXPECT_EQ("<tab>", Value(2, "Parameters file value separator"));
  EXPECT_EQ("All rows", Value(2, "Fetch Mode"));
  EXPECT_EQ("5", Value(2, "Run to run delay, ms"));
  EXPECT_EQ("select '<a>' || \"b\" & 1", Value(2, "SQL Script"));
  EXPECT_EQ("<0 values>", Value(2, "Parameter generators"));
  task.Separator = L";";
  ASSERT_TRUE(project_.WriteDescriptionReport(path_));
  EXPECT_EQ(";", Value(2, "Parameters file value separator"));
}

TEST_F(ProjectReport, AFileThatCannotBeMadeIsTold) {
  const std::wstring path = platform::FolderPart(path_) + L"/missing/project.html";
  EXPECT_FALSE(project_.WriteDescriptionReport(path));
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(L"Could not open or create report file", ui_.messages[0].text);
  EXPECT_EQ(path, ui_.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Error, ui_.messages[0].icon);
}

}  // namespace
