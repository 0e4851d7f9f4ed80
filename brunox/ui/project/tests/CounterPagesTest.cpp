// The plan and performance-counter pages in the window: what they store and when they mark the
// project modified, the counter test, the counter browser, and what a real run does with what
// was chosen on them (counters sampled into the counters report, plans shown after the run).
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <map>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/run/PerfCounters.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/engine/run/ThreadInfo.h"
#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/project/CounterBrowser.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/project/PagePlugin.h"
#include "brunox/ui/project/PagePlugin2.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "kavra/DbmsCodes.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

const std::wstring kKBytes = L"\\Memory\\Available KBytes";
const std::wstring kProcesses = L"\\System\\Processes";
const std::wstring kThreads = L"\\System\\Threads";

// A server with a plan dialect, which cannot run here: answers the plan statements from a
// script of rows.
class ScriptedPlanDb : public CDB {
 public:
  explicit ScriptedPlanDb(int dbms) : CDB(0) { DBMS = dbms; }
  int Execute(const std::wstring&, HSTMT_K) override {
    next_ = 0;
    return kOk;
  }
  int Fetch(HSTMT_K) override {
    if (next_ >= rows.size()) return kNoData;
    current_ = rows[next_++];
    return kOk;
  }
  int GetColumnText(int column, std::wstring* out, int*, HSTMT_K, int) override {
    if (column < 1 || column > static_cast<int>(current_.size())) return kBadArgument;
    *out = current_[column - 1];
    return kOk;
  }
  int CloseCursor(HSTMT_K) override { return kOk; }

  std::vector<std::vector<std::wstring>> rows;

 private:
  size_t next_ = 0;
  std::vector<std::wstring> current_;
};

class CounterPagesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenWindow();
    window->resize(1000, 700);
    auto plan = std::make_unique<PagePlugin>([this] { window->SetModified(); });
    plan_ = plan.get();
    window->InstallPage(PageIndex::PagePlugin, std::move(plan));
    auto counters = std::make_unique<PagePlugin2>([this] { window->SetModified(); });
    counters_ = counters.get();
    window->InstallPage(PageIndex::PagePlugin2, std::move(counters));
    g_project.Saved = 1;
  }
  void TearDown() override {
    g_project.MainDB = nullptr;  // may point at a stand-in of the test
    WindowTest::TearDown();
  }

  void Enter(int page) { window->Tree()->SelectPage(page); }
  void Leave() { window->Tree()->SelectPage(PageIndex::PageStat); }
  bool Modified() const { return g_project.Saved == 0; }
  const testsupport::RecordedMessage& LastMessage() const { return ui.messages.back(); }

  // The tasks of a run: one thread running SELECT 1 with a little think time, for `seconds`.
  void UseTimedTask(const std::wstring& name, const std::wstring& seconds) {
    Task task = apptest::MakeTask(L"SELECT 1", 1, 0);
    task.Name = name;
    task.Delay = task.DelayMax = 20;
    g_project.Tasks = {task};
    g_project.DoType = kRunSeconds;
    g_project.Seconds = seconds;
    // Named here, so the run makes no temporary files of its own.
    g_project.ReportFile = scratch_ + L"/run.html";
    g_project.SQLFile = scratch_ + L"/statements.txt";
  }

  PagePlugin* plan_ = nullptr;
  PagePlugin2* counters_ = nullptr;
  std::wstring scratch_ = platform::FolderPart(testsupport::NewScratchPath(L"counters"));
};

void SetSlot(int slot, int enabled, const std::wstring& machine, const std::wstring& name,
             const std::wstring& title) {
  PerfCounterSlot& s = g_project.Counters[slot];
  s.Enabled = enabled;
  s.Machine = machine;
  s.Name = name;
  s.Title = title;
}

bool RowEnabled(const PagePlugin2::SlotRow& row) {
  const bool machine = row.machine->isEnabled();
  EXPECT_EQ(machine, row.counter->isEnabled());
  EXPECT_EQ(machine, row.browse->isEnabled());
  EXPECT_EQ(machine, row.title->isEnabled());
  return machine;
}

TEST_F(CounterPagesTest, PlanCheckStoresShowPlanAndMarksOnlyAChange) {
  Enter(PageIndex::PagePlugin);
  EXPECT_EQ(QStringLiteral("Show Execution Plan Settings"), plan_->Caption());
  EXPECT_FALSE(plan_->ShowPlanCheck()->isChecked());
  Leave();
  EXPECT_FALSE(Modified()) << "left without a change";

  Enter(PageIndex::PagePlugin);
  plan_->ShowPlanCheck()->click();
  EXPECT_EQ(0, g_project.ShowPlan) << "only leaving the page stores it";
  Leave();
  EXPECT_EQ(1, g_project.ShowPlan);
  EXPECT_TRUE(Modified());

  // Checked twice is back where it was: no change, no mark.
  g_project.Saved = 1;
  Enter(PageIndex::PagePlugin);
  EXPECT_TRUE(plan_->ShowPlanCheck()->isChecked());
  plan_->ShowPlanCheck()->click();
  plan_->ShowPlanCheck()->click();
  Leave();
  EXPECT_FALSE(Modified());
  EXPECT_EQ(1, g_project.ShowPlan);
}

TEST_F(CounterPagesTest, CounterRowsKeepTheirTextsWhenDisabledAndStoreThem) {
  SetSlot(0, 1, L"", kKBytes, L"Free KB");
  SetSlot(1, 0, L"db1", kThreads, L"Threads on db1");
  g_project.CountersReport = L"/tmp/counters.html";
  g_project.pcIsReport = 0;
  g_project.pcIsSQL = 1;
  Enter(PageIndex::PagePlugin2);
  EXPECT_EQ(QStringLiteral("Performance Counters Settings"), counters_->Caption());

  const PagePlugin2::SlotRow& first = counters_->Row(0);
  const PagePlugin2::SlotRow& second = counters_->Row(1);
  EXPECT_TRUE(first.enabled->isChecked());
  EXPECT_TRUE(RowEnabled(first));
  EXPECT_EQ(QString::fromStdWString(kKBytes), first.counter->currentText());
  EXPECT_EQ(QStringLiteral("Free KB"), first.title->text());
  EXPECT_FALSE(second.enabled->isChecked());
  EXPECT_FALSE(RowEnabled(second));
  EXPECT_EQ(QStringLiteral("db1"), second.machine->text()) << "a disabled row shows its texts";
  EXPECT_EQ(QString::fromStdWString(kThreads), second.counter->currentText());
  ASSERT_EQ(PerfCounters::kSuggestedCount, first.counter->count());
  EXPECT_EQ(QStringLiteral("\\Processor(_Total)\\% Idle Time"), first.counter->itemText(0));
  // The report path goes with its check.
  EXPECT_FALSE(counters_->ReportCheck()->isChecked());
  EXPECT_FALSE(counters_->ReportPath()->isEnabled());
  EXPECT_FALSE(counters_->ReportBrowse()->isEnabled());
  EXPECT_TRUE(counters_->AddToSqlCheck()->isChecked());
  EXPECT_FALSE(counters_->AddToTextCheck()->isChecked());
  Leave();
  EXPECT_FALSE(Modified()) << "shown and left unchanged";

  Enter(PageIndex::PagePlugin2);
  first.title->setText(QStringLiteral("Free KB now"));
  first.enabled->click();
  EXPECT_FALSE(RowEnabled(first));
  EXPECT_EQ(QStringLiteral("Free KB now"), first.title->text());
  second.enabled->click();
  EXPECT_TRUE(RowEnabled(second));
  second.counter->setEditText(QString::fromStdWString(kProcesses));
  counters_->ReportCheck()->click();
  EXPECT_TRUE(counters_->ReportPath()->isEnabled());
  EXPECT_TRUE(counters_->ReportBrowse()->isEnabled());
  counters_->AddToSqlCheck()->click();
  counters_->AddToTextCheck()->click();
  Leave();
  EXPECT_TRUE(Modified());
  EXPECT_EQ(0, g_project.Counters[0].Enabled);
  EXPECT_EQ(kKBytes, g_project.Counters[0].Name);
  EXPECT_EQ(L"Free KB now", g_project.Counters[0].Title) << "a disabled row is stored too";
  EXPECT_EQ(1, g_project.Counters[1].Enabled);
  EXPECT_EQ(L"db1", g_project.Counters[1].Machine);
  EXPECT_EQ(kProcesses, g_project.Counters[1].Name);
  EXPECT_EQ(1, g_project.pcIsReport);
  EXPECT_EQ(0, g_project.pcIsSQL);
  EXPECT_EQ(1, g_project.pcIsText);
  EXPECT_EQ(L"/tmp/counters.html", g_project.CountersReport);
}

TEST_F(CounterPagesTest, ReportBrowseOffersHtmlFilesAndACancelKeepsThePath) {
  g_project.pcIsReport = 1;
  g_project.CountersReport = L"/old/counters.html";
  Enter(PageIndex::PagePlugin2);
  ui.fileChoices.push_back(L"");
  counters_->ReportBrowse()->click();
  EXPECT_EQ(1, ui.fileDialogs);
  EXPECT_EQ(QStringLiteral("/old/counters.html"), counters_->ReportPath()->text());
  ui.fileChoices.push_back(L"/new/counters.html");
  counters_->ReportBrowse()->click();
  EXPECT_EQ(QStringLiteral("/new/counters.html"), counters_->ReportPath()->text());
}

TEST_F(CounterPagesTest, TestTellsHowEachEnabledCounterOpened) {
  Enter(PageIndex::PagePlugin2);
  counters_->TestButton()->click();
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"No counter enabled.", LastMessage().text);
  EXPECT_EQ(L"Test", LastMessage().caption);
  EXPECT_EQ(platform::MsgIcon::Error, LastMessage().icon);
  EXPECT_EQ(platform::MsgButtons::Ok, LastMessage().buttons);
  EXPECT_FALSE(Modified());

  // What is on the screen is tested, and stored first.
  const PagePlugin2::SlotRow& first = counters_->Row(0);
  first.enabled->click();
  first.counter->setEditText(QString::fromStdWString(kKBytes));
  counters_->TestButton()->click();
  EXPECT_EQ(kKBytes + L"\tOK\r\n\r\n", LastMessage().text);
  EXPECT_EQ(platform::MsgIcon::Information, LastMessage().icon);
  EXPECT_TRUE(Modified());
  EXPECT_EQ(1, g_project.Counters[0].Enabled);

  const PagePlugin2::SlotRow& third = counters_->Row(2);
  third.enabled->click();
  third.counter->setEditText(QStringLiteral("\\Memory\\No Such Counter"));
  counters_->TestButton()->click();
  EXPECT_EQ(platform::MsgIcon::Error, LastMessage().icon);
  EXPECT_TRUE(platform::StartsWith(LastMessage().text, kKBytes + L"\tOK\r\n\r\n"))
      << platform::ToUtf8(LastMessage().text);
  EXPECT_NE(std::wstring::npos,
            LastMessage().text.find(L"\\Memory\\No Such Counter\tAdd Counter '\\Memory\\No Such "
                                    L"Counter' Error 0xC0000BB9"))
      << platform::ToUtf8(LastMessage().text);
}

TEST_F(CounterPagesTest, BrowserOffersWhatThisComputerSamplesAndPutsTheChoiceIntoTheRow) {
  Enter(PageIndex::PagePlugin2);
  const PagePlugin2::SlotRow& row = counters_->Row(3);
  row.enabled->click();
  row.counter->setEditText(QString::fromStdWString(kKBytes));

  testsupport::ModalAnswerer answer;
  QStringList groups, offered;
  QString preselected;
  answer.Custom([&](QWidget* dialog) {
    auto* browser = qobject_cast<CounterBrowser*>(dialog);
    ASSERT_NE(nullptr, browser);
    QTreeWidget* tree = browser->Tree();
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
      groups << tree->topLevelItem(g)->text(0);
      for (int c = 0; c < tree->topLevelItem(g)->childCount(); ++c) {
        tree->setCurrentItem(tree->topLevelItem(g)->child(c));
        offered << browser->ChosenPath();
      }
    }
    browser->Select(QString::fromStdWString(kKBytes));
    preselected = browser->ChosenPath();
    EXPECT_TRUE(browser->Select(QStringLiteral("\\system\\threads"))) << "case does not matter";
    EXPECT_FALSE(
        testsupport::SaveScreenshot(*browser, QStringLiteral("counter_browser")).isEmpty());
    browser->accept();
  });
  row.browse->click();
  EXPECT_EQ(0, answer.Pending());
  EXPECT_EQ((QStringList{"Processor(_Total)", "Memory", "System"}), groups);
  QStringList sampleable;
  for (const std::wstring& path : PerfCounters::SampleableCounters())
    sampleable << QString::fromStdWString(path);
  EXPECT_EQ(sampleable, offered);
  EXPECT_EQ(QString::fromStdWString(kKBytes), preselected) << "the row's counter is selected";
  EXPECT_EQ(QString::fromStdWString(kThreads), row.counter->currentText());

  // Cancelled, or closed with only a group selected: the row keeps its counter.
  answer.Custom([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
  row.browse->click();
  answer.Custom([](QWidget* dialog) {
    auto* browser = qobject_cast<CounterBrowser*>(dialog);
    browser->Tree()->setCurrentItem(browser->Tree()->topLevelItem(0));
    EXPECT_EQ(QString(), browser->ChosenPath());
    browser->reject();
  });
  row.browse->click();
  EXPECT_EQ(0, answer.Pending());
  EXPECT_EQ(QString::fromStdWString(kThreads), row.counter->currentText());
}

TEST_F(CounterPagesTest, CountersChosenOnThePageAreSampledIntoTheCountersReportOfARun) {
  ConnectSqlite();
  g_settings->setInt(kStoreMain, L"StatPeriod", 1);
  UseTimedTask(L"sampled", L"3");
  Enter(PageIndex::PagePlugin2);
  const PagePlugin2::SlotRow& first = counters_->Row(0);
  first.enabled->click();
  first.counter->setEditText(QString::fromStdWString(kKBytes));
  first.title->setText(QStringLiteral("Free memory KB"));
  const PagePlugin2::SlotRow& third = counters_->Row(2);
  third.enabled->click();
  third.counter->setEditText(QString::fromStdWString(kProcesses));
  third.title->setText(QStringLiteral("Processes now"));
  counters_->ReportCheck()->click();
  const std::wstring reportPath = scratch_ + L"/counters.html";
  counters_->ReportPath()->setText(QString::fromStdWString(reportPath));
  EXPECT_FALSE(testsupport::SaveScreenshot(*window, QStringLiteral("counters_page")).isEmpty());

  // Run from the page, as a user would.
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRun));
  Settle();
  EXPECT_TRUE(ui.messages.empty()) << platform::ToUtf8(ui.messages[0].text);
  EXPECT_EQ(reportPath, g_project.CountersReport);

  const std::vector<uint32_t>& memory = g_project.Counters[0].Samples;
  const std::vector<uint32_t>& processes = g_project.Counters[2].Samples;
  ASSERT_GE(memory.size(), 2u) << "one sample per second of a three-second run";
  ASSERT_EQ(memory.size(), processes.size());
  EXPECT_TRUE(g_project.Counters[1].Samples.empty()) << "a disabled slot is not sampled";

  std::string html;
  ASSERT_TRUE(platform::ReadFileBytes(reportPath, html));
  const std::wstring report = platform::FromUtf8(html);
  EXPECT_NE(std::wstring::npos, report.find(L"Free memory KB"));
  EXPECT_NE(std::wstring::npos, report.find(L"Processes now"));
  EXPECT_EQ(std::wstring::npos, report.find(L"Not available yet")) << "neither needs two samples";
  for (size_t i = 0; i < memory.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(static_cast<uint32_t>(-1), memory[i]) << "a failed sample";
    EXPECT_GT(memory[i], 0u);
    EXPECT_GT(processes[i], 1u);
    EXPECT_NE(std::wstring::npos, report.find(L">" + platform::FromUInt(memory[i]) + L"<"));
    EXPECT_NE(std::wstring::npos, report.find(L">" + platform::FromUInt(processes[i]) + L"<"));
  }
}

TEST_F(CounterPagesTest, PlanPageShowsThePlansTheLastRunCaptured) {
  ConnectSqlite();
  UseTimedTask(L"orders by day", L"1");
  Enter(PageIndex::PagePlugin);
  EXPECT_TRUE(plan_->NoPlanNote()->isVisible());
  plan_->ShowPlanCheck()->click();
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRun));
  Settle();
  EXPECT_EQ(1, g_project.ShowPlan) << "the check reached the run";
  EXPECT_EQ(0, g_project.Tasks[0].PlanWanted) << "the capture was tried";
  Enter(PageIndex::PagePlugin);
  EXPECT_TRUE(plan_->NoPlanNote()->isVisible()) << "SQLite has no plan dialect";
  EXPECT_EQ(QStringLiteral("No plan was captured."), plan_->NoPlanNote()->text());
  EXPECT_FALSE(plan_->PlanTree()->isVisible());

  // A server with a plan dialect, captured the way a worker of the run captures it.
  Task second = g_project.Tasks[0];
  second.Name.clear();
  g_project.Tasks.push_back(second);
  ScriptedPlanDb server(DBMS_MSSQL);
  auto showplanRow = [](const std::wstring& text, const std::wstring& physical,
                        const std::wstring& rows) {
    return std::vector<std::wstring>{text, L"",  L"",      L"",       physical, L"Inner Join", L"",
                                     L"",  rows, L"0.003", L"0.0001", L"27",    L"0.0065"};
  };
  server.rows = {showplanRow(L"select * from orders", L"Nested Loops", L"12"),
                 showplanRow(L"|--Index Seek", L"Index Seek", L"12")};
  ThreadInfo record;
  record.TheTask = &g_project.Tasks[0];
  g_runner->CollectPlan(&record, &server, L"select * from orders");
  g_project.MainDB = &server;
  Leave();
  Enter(PageIndex::PagePlugin);
  QTreeWidget* tree = plan_->PlanTree();
  EXPECT_TRUE(tree->isVisible());
  EXPECT_FALSE(plan_->NoPlanNote()->isVisible());
  ASSERT_EQ(8, tree->columnCount());
  EXPECT_EQ(QStringLiteral("Physical Operation"), tree->headerItem()->text(1));
  EXPECT_EQ(QStringLiteral("Subtree Cost"), tree->headerItem()->text(7));
  ASSERT_EQ(1, tree->topLevelItemCount()) << "the second task has no plan";
  QTreeWidgetItem* branch = tree->topLevelItem(0);
  EXPECT_EQ(QStringLiteral("Task #1 \"orders by day\""), branch->text(0));
  ASSERT_EQ(2, branch->childCount());
  EXPECT_EQ(QStringLiteral("select * from orders"), branch->child(0)->text(0));
  EXPECT_EQ(QStringLiteral("Nested Loops"), branch->child(0)->text(1));
  EXPECT_EQ(QStringLiteral("12"), branch->child(1)->text(3));
  EXPECT_EQ(QStringLiteral("0.0065"), branch->child(1)->text(7));
  EXPECT_FALSE(testsupport::SaveScreenshot(*window, QStringLiteral("plan_page")).isEmpty());

  // The plan-table dialect: operation, option and the object as owner.name [type].
  ScriptedPlanDb planTable(DBMS_ORACLE);
  planTable.rows = {{L"SELECT STATEMENT", L"", L"", L"", L""},
                    {L"TABLE ACCESS", L"FULL", L"SALES", L"ORDERS", L"TABLE"}};
  record.TheTask = &g_project.Tasks[1];
  g_runner->CollectPlan(&record, &planTable, L"select * from orders");
  g_project.MainDB = &planTable;
  plan_->LoadFromProject();
  ASSERT_EQ(3, tree->columnCount());
  EXPECT_EQ(QStringLiteral("Object"), tree->headerItem()->text(2));
  ASSERT_EQ(2, tree->topLevelItemCount());
  QTreeWidgetItem* unnamed = tree->topLevelItem(1);
  EXPECT_EQ(QStringLiteral("Task #2"), unnamed->text(0));
  ASSERT_EQ(2, unnamed->childCount());
  EXPECT_EQ(QString(), unnamed->child(0)->text(2));
  EXPECT_EQ(QStringLiteral("FULL"), unnamed->child(1)->text(1));
  EXPECT_EQ(QStringLiteral("SALES.ORDERS [TABLE]"), unnamed->child(1)->text(2));
  g_project.MainDB = g_mainDB;
}

}  // namespace
