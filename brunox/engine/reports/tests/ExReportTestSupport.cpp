#include "ExReportTestSupport.h"

#include "parlemont/tests/HtmlValidation.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace reporttest {

void ReportTest::SetUp() {
  RunnerTest::SetUp();
  settings_ = std::make_unique<CSettings>();
  g_settings = settings_.get();
  // A profile of the test's own; missing until a test writes it, which gives the built-in texts.
  profile_ = InFolder(L"labels.ini");
  settings_->setStr(kStoreReport, L"TextProfile", profile_);
  project_.StopOnError = 1;
}

void ReportTest::TearDown() {
  reports_ = RunReports();
  g_settings = nullptr;
  settings_.reset();
  RunnerTest::TearDown();
}

void ReportTest::AddStandardTasks() {
  AddTask(L"idle", L"select 1", 3, 1).isActive = 0;
  AddTask(L"slow",
          L"with recursive c(x) as (select 1 union all select x + 1 from c where x < 100000) "
          L"select count(*) from c",
          2, 2);
  AddTask(L"broken", L"select * from no_such_table", 1, 1);
}

void ReportTest::NameAllReports() {
  project_.ReportFile = InFolder(L"run.html");
  project_.ReportTxtFile = InFolder(L"run.txt");
  project_.ReportIniFile = InFolder(L"run.bnxrep");
  project_.CountersReport = InFolder(L"counters.html");
}

void ReportTest::RunAndReport(int runMode) {
  RunProject(runMode);
  WriteRunReports(*runner_, project_, reports_);
}

void ReportTest::WriteProfile(const std::vector<std::wstring>& lines) {
  std::wstring text = L"[General]\n";
  for (const std::wstring& line : lines) text += line + L"\n";
  ASSERT_TRUE(platform::WriteTextFileUtf8(profile_, text));
}

std::vector<std::string> Select(const std::wstring& path, const std::string& xpath) {
  return parlemont_test::HtmlSelectFile(path, xpath.c_str());
}

std::string SelectOne(const std::wstring& path, const std::string& xpath) {
  const std::vector<std::string> values = Select(path, xpath);
  if (values.size() == 1) return values[0];
  return values.empty() ? "<none>" : "<" + std::to_string(values.size()) + " values>";
}

std::string Squeeze(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace reporttest
