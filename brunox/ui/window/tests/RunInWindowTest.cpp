// Running projects in the window: the run commands, what the run shows on the pages while it
// lasts, the console's run controls, the reports afterwards, and -r -q.
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <functional>
#include <string>
#include <vector>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/reports/ExReport.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/run/PageConsole.h"
#include "brunox/ui/run/PageStat.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "parlemont/tests/HtmlValidation.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/ErrorDlg.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

using namespace std::chrono_literals;
using apptest::MakeTask;

// Rounds of "until stopped" runs keep a few milliseconds apart, so hundreds of threads leave
// the machine usable.
Task Endless(const std::wstring& name, int threads) {
  Task task = MakeTask(L"SELECT 1", threads, 0);
  task.Name = name;
  task.Delay = task.DelayMax = 5;
  return task;
}

// Each round waits a little, so that the run lasts long enough to be watched.
Task Counted(const std::wstring& name, int threads, int execs) {
  Task task = MakeTask(L"SELECT 1", threads, execs);
  task.Name = name;
  task.Delay = task.DelayMax = 40;
  return task;
}

class RunInWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    // The temporary report folders go into the test's scratch folder, removed with it.
    const char* tmp = std::getenv("TMPDIR");
    if (tmp) oldTmp_ = tmp;
    hadTmp_ = tmp != nullptr;
    setenv("TMPDIR",
           platform::ToUtf8(platform::FolderPart(testsupport::NewScratchPath(L"tmp"))).c_str(), 1);
    WindowTest::SetUp();
    OpenWindow();
    window->resize(1000, 680);
  }

  void TearDown() override {
    WindowTest::TearDown();
    if (hadTmp_)
      setenv("TMPDIR", oldTmp_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

  void Connect(const std::wstring& connString) {
    CONN_INFO info;
    info.Kind = CONN_STRING;
    info.ConnString = connString;
    ASSERT_TRUE(CDB::isOK(g_mainDB->OpenConnection(&info))) << g_mainDB->ErrorText;
    window->UpdateStatus();
  }
  void ConnectScratchSqlite() {
    Connect(testsupport::SqliteConnString(platform::FolderPart(testsupport::NewScratchPath(L"db")) +
                                          L"/run.sqlite"));
  }

  // The tasks of an unsaved project, which is not modified by having them.
  void UseTasks(std::vector<Task> tasks, int runMode = kRunByTaskCounts) {
    g_project.Tasks = std::move(tasks);
    g_project.DoType = runMode;
    g_project.Saved = 1;
  }

  // Runs the project with the Run command. While the run lasts `during` is called every 50 ms on
  // the GUI thread with the milliseconds since the run began, until it returns true. A run that
  // is still going after a minute is stopped and fails the test.
  void RunWith(const std::function<bool(int ms)>& during = {}) {
    QElapsedTimer clock;
    clock.start();
    bool done = !during;
    QTimer driver;
    driver.setInterval(50);
    QObject::connect(&driver, &QTimer::timeout, [&] {
      if (!g_runner->IsRunning()) return;
      if (clock.elapsed() > 60000) {
        ADD_FAILURE() << "the run did not end within a minute";
        g_runner->Stop = 1;
        done = true;
      }
      if (!done) done = during(static_cast<int>(clock.elapsed()));
    });
    driver.start();
    EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRun));
    driver.stop();
    EXPECT_TRUE(done) << "the run ended before the test was through with it";
  }

  PageConsole& Console() {
    PageConsole* page = window->ConsolePage();
    EXPECT_NE(nullptr, page);
    return *page;
  }
  RunRows& Rows() { return Console().Rows(); }
  bool AllRunning(int count) {
    if (Rows().Count() != count) return false;
    for (int i = 0; i < count; ++i)
      if (Rows().Get(i).status != kThreadRunning) return false;
    return true;
  }

  void ExpectIdleAgain() {
    EXPECT_FALSE(window->Running());
    EXPECT_TRUE(window->Action(kCmdRun)->isEnabled());
    EXPECT_FALSE(window->Action(kCmdStop)->isEnabled());
    EXPECT_EQ(0, g_runner->RunMode);
  }

  void Shot(const QString& name) {
    EXPECT_FALSE(testsupport::SaveScreenshot(*window, name).isEmpty()) << name.toStdString();
  }

  std::string oldTmp_;
  bool hadTmp_ = false;

  // Every thread has its row, in the order of the tasks, with its final state and count.
  void ExpectRowsOfCountedRun() {
    ASSERT_EQ(5, Rows().Count());
    const std::vector<std::pair<std::wstring, int>> expected = {
        {L"first", 1}, {L"first", 2}, {L"first", 3}, {L"second", 1}, {L"second", 2}};
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE(i);
      const RunRows::Row row = Rows().Get(i);
      EXPECT_EQ(expected[i].first, row.task);
      EXPECT_EQ(expected[i].second, row.thread);
      EXPECT_EQ(kThreadFinished, row.status);
      EXPECT_EQ(i < 3 ? 4 : 6, row.executed);
    }
  }

  void RunCountedProject() {
    UseTasks({Counted(L"first", 3, 4), Counted(L"second", 2, 6)});
    bool refusedWhileRunning = false;
    RunWith([&](int) {
      refusedWhileRunning =
          window->OnCommand(kCmdRun) == CBrunoxDlg::CommandResult::Refused && window->Running();
      return true;
    });
    EXPECT_TRUE(refusedWhileRunning);
    EXPECT_EQ(PageIndex::PageConsole, window->CurrentPage());
    ExpectRowsOfCountedRun();
    EXPECT_EQ(24, g_runner->TotalExecs.load());
    EXPECT_EQ(5, g_runner->ThreadsOfLastRun);  // the second Run did not start another run
    EXPECT_TRUE(ui.messages.empty()) << platform::ToUtf8(ui.messages[0].text);
    ExpectIdleAgain();
  }
};

TEST_F(RunInWindowTest, SqliteRunShowsEveryThreadWithItsFinalState) {
  ConnectScratchSqlite();
  RunCountedProject();
}

TEST_F(RunInWindowTest, PostgresRunShowsEveryThreadWithItsFinalState) {
  REQUIRE_POSTGRES();
  Connect(testsupport::PostgresConnString());
  RunCountedProject();
}

// A round that fails is no execution: the row counts what the thread's row of the reports does.
TEST_F(RunInWindowTest, AThreadWhoseOnlyRoundFailedShowsNoExecutions) {
  ConnectScratchSqlite();
  UseTasks({MakeTask(L"SELECT * FROM no_such_table", 1, 1)});
  RunWith();
  ASSERT_EQ(1, Rows().Count());
  EXPECT_EQ(kThreadEndedFailed, Rows().Get(0).status);
  EXPECT_EQ(0, g_runner->Record(0).Execs.load());
  EXPECT_EQ(1, g_runner->Record(0).FailedRounds.load());
  const QAbstractItemModel& list = *Console().List()->model();
  EXPECT_EQ(QStringLiteral("Error found"), list.index(0, 2).data().toString());
  EXPECT_EQ(QStringLiteral("0"), list.index(0, 3).data().toString());
}

TEST_F(RunInWindowTest, StopEndsARunOfTwoHundredThreadsWithinASecond) {
  ConnectScratchSqlite();
  UseTasks({Endless(L"crowd", 200)}, kRunUntilStopped);
  std::chrono::steady_clock::time_point pressed;
  RunWith([&](int) {
    if (!AllRunning(200)) return false;
    Console().Refresh();
    Shot(QStringLiteral("MainWindow-Console-during-run"));
    pressed = std::chrono::steady_clock::now();
    EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdStop));
    return true;
  });
  const auto took = std::chrono::steady_clock::now() - pressed;
  EXPECT_LT(took, 1s) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                      << " ms";
  ASSERT_EQ(200, Rows().Count());
  for (int i = 0; i < 200; ++i) EXPECT_EQ(kThreadStopped, Rows().Get(i).status) << i;
  ExpectIdleAgain();
  Shot(QStringLiteral("MainWindow-Console-after-run"));
}

TEST_F(RunInWindowTest, PauseHoldsEveryThreadUntilContinued) {
  ConnectScratchSqlite();
  UseTasks({Endless(L"paused", 4)}, kRunUntilStopped);
  enum { kStarting, kPausing, kPaused, kContinued } phase = kStarting;
  int since = 0;
  long long base = 0, whilePaused = -1, afterContinue = -1;
  RunWith([&](int ms) {
    const long long execs = g_runner->TotalExecs.load();
    switch (phase) {
      case kStarting:
        if (execs < 20) return false;
        window->OnCommand(kCmdPause);
        phase = kPausing;
        since = ms;
        return false;
      case kPausing:  // rounds under way when Pause came may still end
        if (ms < since + 150) return false;
        base = execs;
        phase = kPaused;
        since = ms;
        return false;
      case kPaused:
        if (ms < since + 300) return false;
        whilePaused = execs - base;
        window->OnCommand(kCmdPause);
        base = execs;
        phase = kContinued;
        since = ms;
        return false;
      case kContinued:
        if (ms < since + 300) return false;
        afterContinue = execs - base;
        window->OnCommand(kCmdStop);
        return true;
    }
    return true;
  });
  EXPECT_EQ(0, whilePaused);
  EXPECT_GT(afterContinue, 0);
}

TEST_F(RunInWindowTest, StopCheckedEndsOnlyTheCheckedThreads) {
  ConnectScratchSqlite();
  UseTasks({Endless(L"a", 2), Endless(L"b", 2)}, kRunUntilStopped);
  int since = -1;
  std::vector<int> statusAtCheck;
  std::vector<long long> executedAtCheck;
  std::vector<long long> executedLater;
  RunWith([&](int ms) {
    if (since < 0) {
      if (!AllRunning(4) || Rows().Get(3).executed == 0) return false;
      Console().Refresh();  // the rows a user sees and can check
      Console().SetRowChecked(0, true);
      Console().SetRowChecked(2, true);
      EXPECT_EQ((QList<int>{0, 2}), Console().CheckedRows());
      window->OnCommand(kCmdStopChecked);
      since = ms;
      return false;
    }
    if (ms < since + 500) return false;
    if (statusAtCheck.empty()) {
      for (int i = 0; i < 4; ++i) {
        statusAtCheck.push_back(Rows().Get(i).status);
        executedAtCheck.push_back(Rows().Get(i).executed);
      }
      return false;
    }
    if (ms < since + 800) return false;
    for (int i = 0; i < 4; ++i) executedLater.push_back(Rows().Get(i).executed);
    window->OnCommand(kCmdStop);
    return true;
  });
  ASSERT_EQ(4u, executedLater.size());
  EXPECT_EQ((std::vector<int>{kThreadStopped, kThreadRunning, kThreadStopped, kThreadRunning}),
            statusAtCheck);
  EXPECT_EQ(executedAtCheck[0], executedLater[0]);
  EXPECT_EQ(executedAtCheck[2], executedLater[2]);
  EXPECT_GT(executedLater[1], executedAtCheck[1]);
  EXPECT_GT(executedLater[3], executedAtCheck[3]);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kThreadStopped, Rows().Get(i).status) << i;
}

TEST_F(RunInWindowTest, StatisticsTableGetsARowPerPeriod) {
  ConnectScratchSqlite();
  g_settings->setInt(kStoreMain, L"StatPeriod", 1);
  UseTasks({Endless(L"measured", 2)}, kRunSeconds);
  g_project.Seconds = L"3";
  bool graphShownDuringRun = false;
  RunWith([&](int ms) {
    if (ms < 1500) return false;
    window->Tree()->SelectPage(PageIndex::PageGraph);
    graphShownDuringRun = window->CurrentPage() == PageIndex::PageGraph;
    return true;
  });
  EXPECT_TRUE(graphShownDuringRun);
  Settle();  // the rows posted last
  QTableWidget* table = window->StatPage()->Table();
  EXPECT_GE(table->rowCount(), 2);
  EXPECT_LE(table->rowCount(), 4);
  Shot(QStringLiteral("MainWindow-Graph-after-run"));
  window->Tree()->SelectPage(PageIndex::PageStat);
  Shot(QStringLiteral("MainWindow-Statistics-after-run"));

  // The next run starts with an empty table.
  g_settings->setInt(kStoreMain, L"StatPeriod", 0);
  UseTasks({Counted(L"quick", 1, 1)});
  RunWith();
  Settle();
  EXPECT_EQ(0, table->rowCount());
}

TEST_F(RunInWindowTest, FailingPrologueStatementShowsTheScriptErrorDialog) {
  ConnectScratchSqlite();
  Task task = Counted(L"scripted", 1, 1);
  task.SQLBefore = L"SELEC broken";
  UseTasks({task});
  testsupport::ModalAnswerer answer;
  QString errorText, statement;
  bool wasErrorDialog = false;
  answer.Custom([&](QWidget* dialog) {
    auto* error = qobject_cast<CErrorDlg*>(dialog);
    wasErrorDialog = error != nullptr;
    if (error) {
      errorText = error->ErrorText();
      statement = error->Statement();
    }
    dialog->close();
  });
  RunWith();
  EXPECT_EQ(0, answer.Pending());
  EXPECT_TRUE(wasErrorDialog);
  EXPECT_EQ(QStringLiteral("SELEC broken"), statement);
  EXPECT_TRUE(errorText.contains(QStringLiteral("syntax"), Qt::CaseInsensitive))
      << errorText.toStdString();
  ExpectIdleAgain();
}

TEST_F(RunInWindowTest, EmptyProjectIsRefusedAndTheNextRunIsConcurrent) {
  ConnectScratchSqlite();
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRunSequential));
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"Your test project is empty.\nPlease add at least one task before execution.",
            ui.messages[0].text);
  EXPECT_EQ(PageIndex::PagePackage, window->CurrentPage());  // the tree stays where it was
  EXPECT_TRUE(g_project.ReportFile.empty());
  ExpectIdleAgain();

  UseTasks({Counted(L"one", 1, 5)});
  int modeDuringRun = -2;
  RunWith([&](int) {
    modeDuringRun = g_runner->RunMode;
    return true;
  });
  EXPECT_EQ(0, modeDuringRun);
}

// A DoType that is no run mode is refused here as in console mode, and the project saved again
// keeps what its file said.
TEST_F(RunInWindowTest, RunModeThatIsNoNumberIsRefusedAndSavedAsWritten) {
  Project p;
  p.Tasks.push_back(Counted(L"one", 1, 5));
  const std::wstring path = apptest::WriteSqliteProject(L"mode.bxp", p);
  std::string bytes;
  ASSERT_TRUE(platform::ReadFileBytes(path, bytes));
  bytes = platform::ToUtf8(platform::ReplaceAll(platform::FromUtf8(bytes), L"\nDoType=1\n",
                                                L"\nDoType=abc\n"));
  ASSERT_TRUE(platform::WriteFileBytes(path, bytes));
  ASSERT_TRUE(window->OpenProject(path, false));
  // Should the run start after all, it is stopped, so that the test fails rather than waits.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { g_runner->Stop = 1; });
  guard.start(3000);
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdRun));
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"The run mode in DoType must be a number from 0 to 5; it is \"abc\". The run did "
            L"not start.",
            ui.messages[0].text);
  EXPECT_EQ(0, g_runner->ThreadsOfLastRun);
  ExpectIdleAgain();

  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdSave));
  ASSERT_TRUE(platform::ReadFileBytes(path, bytes));
  EXPECT_NE(std::string::npos, bytes.find("\nDoType=abc\n")) << bytes;
}

TEST_F(RunInWindowTest, EmptyReportNamesGetPrivateTemporaryFiles) {
  ConnectScratchSqlite();
  UseTasks({Counted(L"logged", 2, 3)});
  RunWith();
  ASSERT_NE(nullptr, window->Reports().execution);
  const std::wstring html = window->Reports().execution->HtmlName();
  const std::wstring log = g_runner->StatementLogPath();
  const std::wstring folder = platform::FolderPart(html);
  EXPECT_EQ(0u, folder.rfind(platform::TempFolder() + L"/", 0)) << platform::ToUtf8(html);
  EXPECT_EQ(folder, platform::FolderPart(log));
  EXPECT_EQ(0u, platform::FileNamePart(html).rfind(L"bnxr", 0));
  EXPECT_TRUE(platform::EndsWith(html, L".html"));
  EXPECT_EQ(0u, platform::FileNamePart(log).rfind(L"sqlr", 0));
  EXPECT_TRUE(platform::EndsWith(log, L".txt"));
  EXPECT_TRUE(platform::FileExists(html));
  std::string logged;
  ASSERT_TRUE(platform::ReadFileBytes(log, logged));
  ASSERT_GT(logged.size(), 2u);
  // UTF-16 after its byte order mark.
  const QString loggedText = QString::fromUtf16(
      reinterpret_cast<const char16_t*>(logged.data() + 2), (logged.size() - 2) / 2);
  EXPECT_TRUE(loggedText.contains(QStringLiteral("SELECT 1")))
      << loggedText.left(300).toStdString();
  struct stat info {};
  ASSERT_EQ(0, ::stat(platform::NativePath(folder).c_str(), &info));
  EXPECT_EQ(0700u, info.st_mode & 0777);
  EXPECT_EQ(1, g_project.Saved);
}

TEST_F(RunInWindowTest, TemporaryReportNamesServeOneRunAndAreNeverSaved) {
  ConnectScratchSqlite();
  UseTasks({Counted(L"logged", 2, 3)});
  RunWith();
  // The run wrote its reports under temporary names, which the project does not keep.
  ASSERT_NE(nullptr, window->Reports().execution);
  const std::wstring html = window->Reports().execution->HtmlName();
  const std::wstring log = g_runner->StatementLogPath();
  EXPECT_TRUE(platform::FileExists(html)) << platform::ToUtf8(html);
  EXPECT_TRUE(platform::FileExists(log)) << platform::ToUtf8(log);
  EXPECT_EQ(L"", g_project.ReportFile);
  EXPECT_EQ(L"", g_project.SQLFile);
  EXPECT_EQ(1, g_project.Saved);
  const std::wstring saved = testsupport::NewScratchPath(L"saved.bxp");
  ui.fileChoices = {saved};
  window->OnCommand(kCmdSaveAs);
  Project reread;
  reread.Load(saved);
  EXPECT_EQ(L"", reread.ReportFile);
  EXPECT_EQ(L"", reread.SQLFile);

  // The temporary folder is cleaned away between runs: the next run writes both all the same.
  const std::wstring folder = platform::FolderPart(html);
  std::error_code ignored;
  std::filesystem::remove_all(platform::NativePath(folder), ignored);
  ASSERT_FALSE(platform::FileExists(html));
  RunWith();
  const std::wstring html2 = window->Reports().execution->HtmlName();
  const std::wstring log2 = g_runner->StatementLogPath();
  EXPECT_TRUE(platform::FileExists(html2)) << platform::ToUtf8(html2);
  EXPECT_TRUE(platform::FileExists(log2)) << platform::ToUtf8(log2);
  EXPECT_TRUE(ui.messages.empty()) << platform::ToUtf8(ui.messages[0].text);
}

TEST_F(RunInWindowTest, ClosingRemovesTheTemporaryFolderButKeepsWhatTheDesktopOpened) {
  ConnectScratchSqlite();
  UseTasks({Counted(L"logged", 1, 2)});
  RunWith();
  const std::wstring html = window->Reports().execution->HtmlName();
  const std::wstring log = g_runner->StatementLogPath();
  window->Reports().execution->OpenInShell(ExReport::kHtmlReport);
  window.reset();
  EXPECT_TRUE(platform::FileExists(html)) << "the browser may still be reading it";
  EXPECT_FALSE(platform::FileExists(log));

  OpenWindow();
  UseTasks({Counted(L"logged", 1, 2)});  // the new window's pages know nothing of the tasks
  RunWith();
  const std::wstring other = window->Reports().execution->HtmlName();
  const std::wstring folder = platform::FolderPart(other);
  window.reset();
  EXPECT_FALSE(platform::FileExists(other));
  EXPECT_FALSE(std::filesystem::exists(platform::NativePath(folder)));
}

// Every report or log that a run could not write is named in one message, with its reason, once
// the window shows that the run has ended; the reports that could be written are written.
TEST_F(RunInWindowTest, FilesThatCannotBeWrittenAreNamedInOneMessageAfterTheRun) {
  // Records whether the run's controls were still on when a message came.
  struct Watching : testsupport::RecordingUi {
    std::function<bool()> running;
    std::vector<bool> shownWhileRunning;
    platform::MsgAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                    platform::MsgButtons buttons, platform::MsgIcon icon,
                                    platform::MsgAnswer defaultAnswer) override {
      shownWhileRunning.push_back(running());
      return RecordingUi::ShowMessage(text, caption, buttons, icon, defaultAnswer);
    }
  } watching;
  watching.running = [&] {
    return window->Action(kCmdStop)->isEnabled() || window->Action(kCmdPause)->isEnabled();
  };
  ConnectScratchSqlite();
  UseTasks({Counted(L"told", 1, 2)});
  const std::wstring good = platform::FolderPart(testsupport::NewScratchPath(L"good"));
  const std::wstring missing = testsupport::NewScratchPath(L"no-such-folder") + L"/deeper";
  const std::wstring reason = L"No such file or directory";
  const auto expectOneMessageNaming = [&](const std::vector<std::wstring>& files) {
    ASSERT_EQ(1u, watching.messages.size());
    const std::wstring& text = watching.messages[0].text;
    for (const std::wstring& file : files)
      EXPECT_NE(std::wstring::npos, text.find(L"'" + file + L"'")) << platform::ToUtf8(text);
    EXPECT_EQ(files.size(), static_cast<size_t>(std::count(text.begin(), text.end(), L'\n')) - 1)
        << "one line per file under the first";
    EXPECT_NE(std::wstring::npos, text.find(reason)) << platform::ToUtf8(text);
    EXPECT_EQ(std::vector<bool>{false}, watching.shownWhileRunning);
    watching.messages.clear();
    watching.shownWhileRunning.clear();
  };

  // The text report cannot be written, the HTML report can.
  g_project.ReportFile = good + L"/run.html";
  g_project.ReportTxtFile = missing + L"/run.txt";
  RunWith();
  expectOneMessageNaming({g_project.ReportTxtFile});
  parlemont_test::ExpectValidHtml(g_project.ReportFile);

  // The reverse.
  g_project.ReportFile = missing + L"/run.html";
  g_project.ReportTxtFile = good + L"/run.txt";
  RunWith();
  expectOneMessageNaming({g_project.ReportFile});
  std::string text;
  ASSERT_TRUE(platform::ReadFileBytes(g_project.ReportTxtFile, text));
  EXPECT_NE(std::string::npos, text.find("told")) << text;

  // Reports and the executed-statement log.
  g_project.ReportTxtFile = missing + L"/run.txt";
  g_project.SQLFile = missing + L"/statements.txt";
  RunWith();
  expectOneMessageNaming({g_project.ReportFile, g_project.ReportTxtFile, g_project.SQLFile});
  ExpectIdleAgain();
}

TEST_F(RunInWindowTest, CaptionShowsTheFinalTotalsOfTheRun) {
  ConnectScratchSqlite();
  // Fast rounds: many executions fall between the last progress text and the end of the run.
  UseTasks({apptest::MakeTask(L"SELECT 1", 2, 1500)});
  RunWith();
  Settle(200);  // progress texts the run posted last arrive now
  const long long total = g_runner->TotalExecs.load();
  EXPECT_EQ(3000, total);
  const double elapsed = g_runner->Timer.Seconds();  // stopped when the run ended
  const double loadSeconds = g_runner->LoadSeconds();
  ASSERT_GT(loadSeconds, 0);
  EXPECT_LE(loadSeconds, elapsed);
  EXPECT_EQ(QString::asprintf("     %d seconds, %lld threads executed, %.1f per second",
                              static_cast<int>(std::lround(elapsed)), total, total / loadSeconds),
            Console().Caption());
}

TEST_F(RunInWindowTest, ProjectPagesAreNotActivatedWhileTheRunReadsTheProject) {
  ConnectScratchSqlite();
  RecordingPage& plans = Instrument(PageIndex::PagePlugin);
  UseTasks({Counted(L"watched", 2, 6)});
  int loadsDuringRun = -1;
  bool shownDuringRun = false;
  RunWith([&](int) {
    window->Tree()->SelectPage(PageIndex::PagePlugin);
    shownDuringRun = window->CurrentPage() == PageIndex::PagePlugin && plans.isVisible();
    loadsDuringRun = plans.loads;
    return true;
  });
  EXPECT_TRUE(shownDuringRun);
  EXPECT_EQ(0, loadsDuringRun) << "the page read the tasks' plans while workers wrote them";
  // After the run the page shows the plans the run captured.
  EXPECT_GE(plans.loads, 1);
  EXPECT_EQ(PageIndex::PagePlugin, window->CurrentPage());
}

TEST_F(RunInWindowTest, ReportsNamedByTheProjectAreWrittenAfterTheRun) {
  ConnectScratchSqlite();
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"reports"));
  UseTasks({Counted(L"reported", 2, 3), Counted(L"other", 1, 2)});
  g_project.ReportFile = folder + L"/run.html";
  g_project.ReportTxtFile = folder + L"/run.txt";
  g_project.ReportIniFile = folder + L"/run.bnxrep";
  RunWith();

  ASSERT_NE(nullptr, window->Reports().execution);
  EXPECT_EQ(folder + L"/run.html", window->Reports().execution->HtmlName());
  parlemont_test::ExpectValidHtml(folder + L"/run.html");
  const std::vector<std::string> cells =
      parlemont_test::HtmlSelectFile(folder + L"/run.html", "//td");
  EXPECT_FALSE(cells.empty());
  std::string text;
  ASSERT_TRUE(platform::ReadFileBytes(folder + L"/run.txt", text));
  EXPECT_NE(std::string::npos, text.find("reported"));

  QSettings internal(QString::fromStdWString(folder + L"/run.bnxrep"), QSettings::IniFormat);
  EXPECT_EQ(QSettings::NoError, internal.status());
  EXPECT_EQ(2, internal.value(QStringLiteral("Report/ActiveTasks")).toInt());
  EXPECT_EQ(QStringLiteral("reported"), internal.value(QStringLiteral("Task1/Name")).toString());
  EXPECT_EQ(2, internal.value(QStringLiteral("Task1/Threads")).toInt());
  EXPECT_TRUE(ui.messages.empty());
}

TEST(RunInWindowProcess, RunAtStartAndQuitWritesTheReportsAndSucceeds) {
  Project project;
  project.Tasks = {MakeTask(L"SELECT 1", 2, 3)};
  const std::wstring path = apptest::WriteSqliteProject(L"unattended.bxp", project);
  const std::wstring folder = platform::FolderPart(path);
  apptest::EditProject(path, [&](Project& edited) {
    edited.ReportFile = folder + L"/unattended.html";
    edited.ReportTxtFile = folder + L"/unattended.txt";
    edited.ReportIniFile = folder + L"/unattended.bnxrep";
  });
  // The project file serves as the connection profile, as nothing else connects a fresh start.
  WindowProcess brunox({"-r", "-q", "-@" + platform::ToUtf8(path), platform::ToUtf8(path)},
                       {"QT_QPA_PLATFORM=offscreen"});
  brunox.Start();
  EXPECT_EQ(0, brunox.Wait(120s)) << brunox.Err();
  for (const wchar_t* name : {L"/unattended.html", L"/unattended.txt", L"/unattended.bnxrep"})
    EXPECT_TRUE(platform::FileExists(folder + name)) << platform::ToUtf8(name);
}

TEST(RunInWindowProcess, RunAtStartAndQuitTellsOfFailedThreads) {
  Project project;
  project.Tasks = {MakeTask(L"SELECT * FROM no_such_table", 1, 1)};
  const std::wstring path = apptest::WriteSqliteProject(L"failing.bxp", project);
  WindowProcess brunox({"-r", "-q", "-@" + platform::ToUtf8(path), platform::ToUtf8(path)},
                       {"QT_QPA_PLATFORM=offscreen"});
  brunox.Start();
  EXPECT_EQ(2, brunox.Wait(120s)) << brunox.Err();
}

// Offscreen nobody can answer a dialog: the refusal and a failing prologue go to standard error,
// and the window still closes with the status that says what happened.
TEST(RunInWindowProcess, UnattendedRunsWaitForNoDialog) {
  Project empty;
  const std::wstring emptyPath = apptest::WriteSqliteProject(L"empty.bxp", empty);
  WindowProcess refused({"-r", "-q", "-@" + platform::ToUtf8(emptyPath), platform::ToUtf8(emptyPath)},
                        {"QT_QPA_PLATFORM=offscreen"});
  refused.Start();
  EXPECT_EQ(1, refused.Wait(60s)) << refused.Err();
  EXPECT_NE(std::string::npos, refused.Err().find("[Warning!]")) << refused.Err();

  Project failingPrologue;
  failingPrologue.Tasks = {MakeTask(L"SELECT 1", 1, 1)};
  failingPrologue.Tasks[0].SQLBefore = L"SELECT * FROM no_prologue_table";
  const std::wstring path = apptest::WriteSqliteProject(L"prologue.bxp", failingPrologue);
  WindowProcess prologue({"-r", "-q", "-@" + platform::ToUtf8(path), platform::ToUtf8(path)},
                         {"QT_QPA_PLATFORM=offscreen"});
  prologue.Start();
  EXPECT_NE(-1, prologue.Wait(60s)) << prologue.Err();
  EXPECT_NE(std::string::npos, prologue.Err().find("no_prologue_table")) << prologue.Err();
}

}  // namespace
