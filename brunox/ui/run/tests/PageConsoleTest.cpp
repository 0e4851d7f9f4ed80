// The execution console page: its rows, its buttons and the flags they set for a run.
#include "brunox/ui/run/PageConsole.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/project/RunEvents.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/common/CommandIds.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

class PageConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"config"));
    setenv("BRUNOX_CONFIG_DIR", platform::ToUtf8(folder).c_str(), 1);
    ASSERT_EQ(nullptr, g_settings);
    ASSERT_EQ(nullptr, g_runner);
    g_settings = new CSettings();
    g_settings->LoadData();
    g_runner = new BrunoxRunner();
    g_project = Project();
    page = std::make_unique<PageConsole>();
    page->resize(760, 420);
  }
  void TearDown() override {
    page.reset();
    delete g_runner;
    g_runner = nullptr;
    delete g_settings;
    g_settings = nullptr;
    g_project = Project();
  }

  QAbstractItemModel& Model() const { return *page->List()->model(); }
  QString Cell(int row, int column) const {
    return Model().index(row, column).data().toString();
  }
  QHeaderView& Columns() const {
    return *qobject_cast<QTableView*>(page->List())->horizontalHeader();
  }
  QPushButton& Button(int id) const { return *page->Button(id); }
  // What a run's threads do: a row per thread, each at its own state.
  void AddRows(int count) {
    for (int row = 0; row < count; ++row)
      page->Rows().Add(L"Task " + std::to_wstring(row / 4 + 1), row % 4 + 1);
  }

  testsupport::RecordingUi ui;
  std::unique_ptr<PageConsole> page;
};

constexpr int kReportButtonIds[] = {1103, 1104, 4105, 1406, 1171, 1106};

TEST_F(PageConsoleTest, RowsShowTaskThreadStatusAndExecutionsAsStatesArrive) {
  RunRows& rows = page->Rows();
  rows.Add(L"Orders", 3);
  rows.Add(L"Lookups", 12);
  page->Refresh();
  ASSERT_EQ(2, Model().rowCount());
  ASSERT_EQ(4, Model().columnCount());
  EXPECT_EQ("Task", Model().headerData(0, Qt::Horizontal).toString());
  EXPECT_EQ("Thread", Model().headerData(1, Qt::Horizontal).toString());
  EXPECT_EQ("Status", Model().headerData(2, Qt::Horizontal).toString());
  EXPECT_EQ("Executed", Model().headerData(3, Qt::Horizontal).toString());
  EXPECT_EQ("Orders", Cell(0, 0));
  EXPECT_EQ(" 3", Cell(0, 1));
  EXPECT_EQ("12", Cell(1, 1));
  EXPECT_EQ("Prepared", Cell(0, 2));
  EXPECT_EQ("0", Cell(0, 3));

  const struct {
    int state;
    const char* status;
    const char* executed;
  } steps[] = {{kThreadRunning, "Running", "0"},  {1, "Running", "1"},
               {250, "Running", "250"},           {kThreadPaused, "Paused", "250"},
               {kThreadRunning, "Running", "250"}, {kThreadFinished, "All done", "250"},
               {kThreadStopped, "Terminated", "250"}, {kThreadEndedFailed, "Error found", "250"},
               {-3, "", "250"}};
  for (const auto& step : steps) {
    rows.SetState(0, step.state);
    page->Refresh();
    EXPECT_EQ(step.status, Cell(0, 2)) << step.state;
    EXPECT_EQ(step.executed, Cell(0, 3)) << step.state;
  }
  EXPECT_EQ("Prepared", Cell(1, 2)) << "the other row is untouched";
}

TEST_F(PageConsoleTest, RefreshTellsTheViewOnlyWhatChanged) {
  QSignalSpy inserted(&Model(), &QAbstractItemModel::rowsInserted);
  QSignalSpy changed(&Model(), &QAbstractItemModel::dataChanged);
  AddRows(3);
  EXPECT_EQ(0, Model().rowCount()) << "rows reach the list on a refresh, not from other threads";
  page->Refresh();
  ASSERT_EQ(1, inserted.count());
  EXPECT_EQ(0, inserted[0][1].toInt());
  EXPECT_EQ(2, inserted[0][2].toInt());
  EXPECT_EQ(0, changed.count()) << "new rows are painted by their insertion";

  page->Refresh();
  EXPECT_EQ(1, inserted.count());
  EXPECT_EQ(0, changed.count()) << "nothing changed, nothing to repaint";

  page->Rows().SetState(1, kThreadRunning);
  page->Refresh();
  EXPECT_EQ(1, changed.count());
  page->Refresh();
  EXPECT_EQ(1, changed.count());

  AddRows(2);
  page->Refresh();
  ASSERT_EQ(2, inserted.count());
  EXPECT_EQ(3, inserted[1][1].toInt());
  EXPECT_EQ(4, inserted[1][2].toInt());
  EXPECT_EQ(5, Model().rowCount());
}

TEST_F(PageConsoleTest, ClearEmptiesTheListAndItsChecksAndBringsBackTheCaption) {
  AddRows(4);
  page->Refresh();
  page->SetRowChecked(2, true);
  page->SetProgress(9, 9.0, 50);
  EXPECT_EQ("     9 seconds, 50 threads executed, 5.6 per second", page->Caption());
  page->ShowButtons(false);
  EXPECT_EQ("     9 seconds, 50 threads executed, 5.6 per second", page->Caption())
      << "the last progress stays after the run";

  page->Rows().Clear();
  EXPECT_EQ("     Execution Console", page->Caption());
  EXPECT_EQ(0, Model().rowCount());
  EXPECT_TRUE(page->CheckedRows().isEmpty());
  AddRows(3);
  page->Refresh();
  EXPECT_EQ(3, Model().rowCount());
  EXPECT_TRUE(page->CheckedRows().isEmpty()) << "a check belongs to its run";

  // The rate is over the time the run took: not over one second more, and under a second
  // over the part of a second.
  page->SetProgress(12, 12.0, 2490);
  EXPECT_EQ("     12 seconds, 2490 threads executed, 207.5 per second", page->Caption());
  page->SetProgress(0, 0.25, 7);
  EXPECT_EQ("     0 seconds, 7 threads executed, 28.0 per second", page->Caption());
  page->SetProgress(0, 0.0, 0);
  EXPECT_EQ("     0 seconds, 0 threads executed, 0.0 per second", page->Caption());
  page->ShowFinalTotals(0.4, 0.4, 10);
  EXPECT_EQ("     0 seconds, 10 threads executed, 25.0 per second", page->Caption());
}

TEST_F(PageConsoleTest, ChecksFollowTheUserAndTheCallers) {
  AddRows(5);
  page->Refresh();
  page->SetRowChecked(3, true);
  page->SetRowChecked(1, true);
  EXPECT_EQ(QList<int>({1, 3}), page->CheckedRows());
  // The check box in the list does the same as the window's call.
  EXPECT_TRUE(Model().setData(Model().index(4, 0), Qt::Checked, Qt::CheckStateRole));
  page->SetRowChecked(1, false);
  EXPECT_EQ(QList<int>({3, 4}), page->CheckedRows());
  EXPECT_EQ(Qt::Checked, Model().index(3, 0).data(Qt::CheckStateRole).value<Qt::CheckState>());
  EXPECT_TRUE(Model().flags(Model().index(0, 0)) & Qt::ItemIsUserCheckable);
  page->SetRowChecked(9, true);  // no such row
  EXPECT_EQ(QList<int>({3, 4}), page->CheckedRows());
}

TEST_F(PageConsoleTest, PauseTogglesTheRunAndStopEndsAPause) {
  page->ShowButtons(true);
  EXPECT_EQ("Pause", Button(kCmdPause).text());
  QTest::mouseClick(&Button(kCmdPause), Qt::LeftButton);
  EXPECT_EQ(1, g_runner->PauseAll.load());
  EXPECT_EQ("Continue", Button(kCmdPause).text());
  EXPECT_TRUE(page->HandleCommand(kCmdPause));
  EXPECT_EQ(0, g_runner->PauseAll.load());
  EXPECT_EQ("Pause", Button(kCmdPause).text());

  page->OnPause();
  ASSERT_EQ(1, g_runner->PauseAll.load());
  QTest::mouseClick(&Button(kCmdStop), Qt::LeftButton);
  EXPECT_EQ(1, g_runner->Stop.load());
  EXPECT_EQ(0, g_runner->PauseAll.load()) << "paused threads must be free to see the stop";
  EXPECT_EQ("Pause", Button(kCmdPause).text());
  g_runner->Stop.store(0);
  EXPECT_TRUE(page->HandleCommand(kCmdStop));
  EXPECT_EQ(1, g_runner->Stop.load());
  page->ShowButtons(false);
}

TEST_F(PageConsoleTest, StopAndPauseCheckedReachOnlyTheCheckedThreads) {
  AddRows(6);
  page->Refresh();
  page->SetRowChecked(1, true);
  page->SetRowChecked(4, true);
  g_runner->ThreadsStarted.store(3);  // rows 3..5 have no thread yet

  EXPECT_TRUE(page->HandleCommand(kCmdStopChecked));
  for (int row = 0; row < 6; ++row)
    EXPECT_EQ(row == 1 || row == 4 ? 1 : 0, g_runner->Record(row).Stop.load()) << row;

  EXPECT_TRUE(page->HandleCommand(kCmdPauseChecked));
  EXPECT_EQ(1, g_runner->Record(1).Pause.load());
  EXPECT_EQ(0, g_runner->Record(4).Pause.load()) << "no started thread behind row 4";
  for (int row : {0, 2, 3, 5}) EXPECT_EQ(0, g_runner->Record(row).Pause.load()) << row;
  page->PauseChecked();
  EXPECT_EQ(0, g_runner->Record(1).Pause.load()) << "a second time lets the thread go on";
  EXPECT_EQ(0, g_runner->Record(4).Pause.load());
  EXPECT_EQ(0, g_runner->PauseAll.load());
  EXPECT_EQ(0, g_runner->Stop.load()) << "single threads, not the run";

  EXPECT_FALSE(page->HandleCommand(kCmdRun)) << "Run is the window's";
  g_runner->ThreadsStarted.store(0);
}

TEST_F(PageConsoleTest, ShowButtonsSwapsRunAndReportsForPauseAndStopAndDrivesTheRefresh) {
  page->show();
  page->ShowButtons(true);
  EXPECT_FALSE(Button(kCmdStop).isHidden());
  EXPECT_FALSE(Button(kCmdPause).isHidden());
  EXPECT_TRUE(Button(kCmdRun).isHidden());
  for (int id : kReportButtonIds) EXPECT_TRUE(Button(id).isHidden()) << id;
  EXPECT_FALSE(Button(kCmdLogView).isHidden());

  // While running the rows show up by themselves and their changes are repainted.
  AddRows(2);
  QTRY_COMPARE_WITH_TIMEOUT(Model().rowCount(), 2, 2000);
  QSignalSpy changed(&Model(), &QAbstractItemModel::dataChanged);
  page->Rows().SetState(0, 42);
  QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 2000);
  EXPECT_EQ("42", Cell(0, 3));

  page->ShowButtons(false);
  EXPECT_TRUE(Button(kCmdStop).isHidden());
  EXPECT_TRUE(Button(kCmdPause).isHidden());
  EXPECT_FALSE(Button(kCmdRun).isHidden());
  for (int id : kReportButtonIds) EXPECT_FALSE(Button(id).isHidden()) << id;
  EXPECT_FALSE(Button(kCmdLogView).isHidden());

  // The states the threads set just before the end are shown, and then the timer rests.
  changed.clear();
  page->Rows().SetState(1, kThreadFinished);
  page->ShowButtons(false);
  EXPECT_EQ(1, changed.count());
  EXPECT_EQ("All done", Cell(1, 2));
  page->Rows().SetState(0, kThreadFinished);
  QTest::qWait(250);
  EXPECT_EQ(1, changed.count()) << "no timer while idle";
}

TEST_F(PageConsoleTest, RunAndViewLogAreHandedToTheWindowAfterTheClick) {
  QSignalSpy requested(page.get(), &PageConsole::CommandRequested);
  QTest::mouseClick(&Button(kCmdRun), Qt::LeftButton);
  EXPECT_EQ(0, requested.count()) << "the run must not start inside the click";
  QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 1, 1000);
  EXPECT_EQ(kCmdRun, requested[0][0].toInt());
  QTest::mouseClick(&Button(kCmdLogView), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 2, 1000);
  EXPECT_EQ(kCmdLogView, requested[1][0].toInt());
}

TEST_F(PageConsoleTest, ReportButtonsWarnWithoutAReportAndOpenOneThatExists) {
  RunReports reports;  // none made yet: the buttons do nothing
  page->SetReports(&reports);
  for (int id : {1103, 4105, 1406}) QTest::mouseClick(&Button(id), Qt::LeftButton);
  page->SetReports(nullptr);
  QTest::mouseClick(&Button(1103), Qt::LeftButton);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.started.empty());

  QTest::mouseClick(&Button(1104), Qt::LeftButton);
  g_project.SQLFile = testsupport::NewScratchPath(L"never-written.txt");
  QTest::mouseClick(&Button(1104), Qt::LeftButton);
  ASSERT_EQ(2u, ui.messages.size());
  for (const auto& message : ui.messages) {
    EXPECT_EQ(L"Report file is not specified or report is not created.\n"
              L"See 'Project Properties' for details.",
              message.text);
    EXPECT_EQ(L"Warning!", message.caption);
    EXPECT_EQ(platform::MsgIcon::Error, message.icon);
  }
  EXPECT_TRUE(ui.started.empty());

  const std::wstring log = testsupport::NewScratchPath(L"sqlr.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(log, L"select 1\n"));
  g_project.SQLFile = log;
  QTest::mouseClick(&Button(1104), Qt::LeftButton);
  ASSERT_EQ(1u, ui.started.size());
  EXPECT_EQ(std::vector<std::wstring>{log}, ui.started[0].second);
  EXPECT_EQ(2u, ui.messages.size());
}

TEST_F(PageConsoleTest, CountersButtonSaysUnderItsOwnTitleWhatIsMissing) {
  RunReports reports;
  reports.counters = std::make_unique<ExReport>(g_project);  // a run that wrote no counters
  page->SetReports(&reports);
  QTest::mouseClick(&Button(1406), Qt::LeftButton);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"View Counters Report", ui.messages[0].caption);
  EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(L"Counters page"))
      << platform::ToUtf8(ui.messages[0].text);
  EXPECT_TRUE(ui.started.empty());
  page->SetReports(nullptr);
}

TEST_F(PageConsoleTest, DoubleClickPointsToTheProjectPage) {
  AddRows(2);
  page->Refresh();
  page->show();
  QWidget* viewport = page->List()->viewport();
  const QRect cell = page->List()->visualRect(Model().index(1, 2));
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, cell.center());
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"Please switch to project window to edit task properties.", ui.messages[0].text);
  EXPECT_EQ(L"Warning!", ui.messages[0].caption);
  EXPECT_EQ(platform::MsgIcon::Information, ui.messages[0].icon);
}

TEST_F(PageConsoleTest, ColumnWidthsComeFromTheSettingsAndGoBackWhenThePageGoes) {
  EXPECT_EQ(190, Columns().sectionSize(0));
  EXPECT_EQ(70, Columns().sectionSize(1));
  Columns().resizeSection(2, 155);
  page.reset();
  CSettings later;
  later.LoadData();
  EXPECT_EQ(155, later.getInt(kStoreMain, L"PC_W3"));
  EXPECT_EQ(190, later.getInt(kStoreMain, L"PC_W1"));

  g_settings->setInt(kStoreMain, L"PC_W4", 123);
  page = std::make_unique<PageConsole>();
  EXPECT_EQ(123, Columns().sectionSize(3));
  EXPECT_EQ(155, Columns().sectionSize(2));
}

TEST_F(PageConsoleTest, TenThousandRowsRefreshQuickly) {
  page->show();
  page->ShowButtons(true);
  AddRows(BrunoxRunner::kMaxThreads);
  QElapsedTimer clock;
  clock.start();
  page->Refresh();
  QApplication::processEvents();  // the view lays out and paints the rows it shows
  const qint64 insertMs = clock.restart();
  for (int row = 0; row < BrunoxRunner::kMaxThreads; ++row) page->Rows().SetState(row, row + 1);
  page->Refresh();
  QApplication::processEvents();  // the view lays out and paints the rows it shows
  const qint64 updateMs = clock.elapsed();
  page->ShowButtons(false);
  std::printf("[ timing ] %d rows: first refresh %lld ms, refresh after a state in every row %lld ms\n",
              BrunoxRunner::kMaxThreads, static_cast<long long>(insertMs),
              static_cast<long long>(updateMs));
  EXPECT_EQ(BrunoxRunner::kMaxThreads, Model().rowCount());
  EXPECT_EQ(QString::number(BrunoxRunner::kMaxThreads),
            Cell(BrunoxRunner::kMaxThreads - 1, 3));
}

TEST_F(PageConsoleTest, Screenshots) {
  page->resize(820, 520);
  page->show();
  page->ShowButtons(true);
  const std::wstring tasks[] = {L"Insert orders", L"Lookup customers", L"Monthly summary",
                                L"Update stock with a rather long task name"};
  for (int row = 0; row < 20; ++row) page->Rows().Add(tasks[row % 4], row / 4 + 1);
  const int states[] = {kThreadRunning, kThreadRunning, kThreadPaused,   kThreadFinished,
                        kThreadRunning, kThreadStopped, kThreadEndedFailed};
  for (int row = 0; row < 18; ++row) {
    page->Rows().SetState(row, row * 37 + 5);
    page->Rows().SetState(row, states[row % 7]);
  }
  page->Refresh();
  page->SetRowChecked(2, true);
  page->SetRowChecked(5, true);
  page->OnPause();
  page->SetProgress(12, 12.0, 3540);
  EXPECT_FALSE(testsupport::SaveScreenshot(*page, QStringLiteral("PageConsole-running")).isEmpty());
  page->OnStop();
  page->ShowButtons(false);
  EXPECT_FALSE(testsupport::SaveScreenshot(*page, QStringLiteral("PageConsole-idle")).isEmpty());
}

}  // namespace
