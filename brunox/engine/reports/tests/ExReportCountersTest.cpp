// The counters report after a real run: the table of samples, with and without enabled counters.
#include "ExReportTestSupport.h"
#include "parlemont/tests/HtmlValidation.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace reporttest {
namespace {

using parlemont_test::ExpectValidHtml;

class CountersReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    AddStandardTasks();
    NameAllReports();
  }
  std::wstring Page() const { return reports_.counters->CountersName(); }
  std::vector<std::string> Row(int row, const char* cell = "td") const {
    return Select(Page(), "(//table)[2]//tr[" + std::to_string(row) + "]/" + cell);
  }
};

TEST_F(CountersReport, WithoutEnabledCountersOnlyTheHeader) {
  RunAndReport();
  ExpectValidHtml(Page());
  EXPECT_EQ("Performance Counters Report", SelectOne(Page(), "//h2"));
  EXPECT_EQ((std::vector<std::string>{"Summary", "Performance Counter Values"}),
            Select(Page(), "//h3"));
  EXPECT_EQ((std::vector<std::string>{"Point No", "Timestamp"}), Row(1, "th"));
  EXPECT_EQ(1u, Select(Page(), "(//table)[2]//tr").size());
}

TEST_F(CountersReport, OneRowPerSampleAndSamplesNeverTaken) {
  RunAndReport();
  // What the statistics periods of a run leave in the slots: times in slot 0, samples in every
  // enabled slot.
  PerfCounterSlot* slots = project_.Counters.data();
  slots[0].Times = {L"10:00:01", L"10:00:02", L"10:00:03"};
  slots[1].Enabled = 1;
  slots[1].Title = L"Processor <%> & \"time\"";
  slots[1].Samples = {0xFFFFFFFFu, 40, 45};
  slots[2].Title = L"not enabled";
  slots[2].Samples = {1};
  slots[4].Enabled = 1;
  slots[4].Title = L"Threads";
  slots[4].Samples = {12, 13, 14};
  ASSERT_EQ(0, reports_.counters->CntReport());
  ExpectValidHtml(Page());
  EXPECT_EQ(
      (std::vector<std::string>{"Point No", "Timestamp", "Processor <%> & \"time\"", "Threads"}),
      Row(1, "th"));
  EXPECT_EQ((std::vector<std::string>{"1", "10:00:01", "Not available yet", "12"}), Row(2));
  EXPECT_EQ((std::vector<std::string>{"2", "10:00:02", "40", "13"}), Row(3));
  EXPECT_EQ((std::vector<std::string>{"3", "10:00:03", "45", "14"}), Row(4));
  EXPECT_EQ(4u, Select(Page(), "(//table)[2]//tr").size());
  EXPECT_EQ("right", SelectOne(Page(), "(//table)[2]//tr[2]/td[3]/@align"));
  EXPECT_EQ("80", SelectOne(Page(), "(//table)[2]//tr[1]/th[1]/@width"));
}

TEST_F(CountersReport, NoNameNoReportAndAnUncreatableFileIsTold) {
  project_.CountersReport.clear();
  RunAndReport();
  EXPECT_TRUE(reports_.counters->CountersName().empty());
  EXPECT_TRUE(ui_.messages.empty());

  project_.CountersReport = InFolder(L"missing/counters.html");
  EXPECT_EQ(-1, reports_.counters->CntReport());
  ASSERT_EQ(1u, reports_.counters->Failures().size());
  EXPECT_EQ(L"Could not write the report file '" + project_.CountersReport +
                L"': No such file or directory.",
            reports_.counters->Failures()[0].text);
  EXPECT_TRUE(ui_.messages.empty()) << "the window tells";
}

}  // namespace
}  // namespace reporttest
