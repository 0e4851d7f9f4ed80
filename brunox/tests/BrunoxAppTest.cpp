#include "brunox/engine/app/BrunoxApp.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/tests/AppTestSupport.h"
#include "platform/Folders.h"
#include "platform/Limits.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/TestEnv.h"

namespace {

using testsupport::RecordingUi;

// Runs the application object with the given arguments, as main() does.
int RunApp(CBrunoxApp& app, std::vector<std::string> args) {
  args.insert(args.begin(), "brunox");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  app.Run(static_cast<int>(argv.size()), argv.data());
  return app.ExitCode();
}

using apptest::MakeTask;
using apptest::WriteSqliteProject;

// A project with one task that runs `sql` once on one thread.
std::wstring OneStatementProject(const std::wstring& name, const std::wstring& sql) {
  Project p;
  p.Tasks.push_back(MakeTask(sql, 1, 1));
  return WriteSqliteProject(name, p);
}

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST(CommandLine, SwitchesAndFiles) {
  RecordingUi ui;
  const std::wstring project = WriteSqliteProject(L"cmd.bxp");
  CBrunoxApp app;
  app.ParseParam(L"/r");
  EXPECT_EQ(1, app.RunAtStart);
  app.ParseParam(L"-q");
  EXPECT_EQ(1, app.QuitAfterRun);
  app.ParseParam(L"-x");
  EXPECT_EQ(1, app.NoConnect);
  app.ParseParam(L"\"" + project + L"\"");
  ASSERT_EQ(1u, app.FileList.size());
  EXPECT_EQ(project, app.FileList[0]);
  EXPECT_EQ(project, app.ProjectArgument);
  app.ParseParam(L"-c");
  EXPECT_TRUE(app.ConsoleMode());
  EXPECT_TRUE(ui.messages.empty());
}

TEST(CommandLine, MissingProjectIsRememberedNotListed) {
  // A path that starts with '/' is a file even when it does not exist, never a switch.
  CBrunoxApp app;
  app.ParseParam(L"\"/no/such/file.bxp\"");
  EXPECT_TRUE(app.FileList.empty());
  EXPECT_EQ(L"/no/such/file.bxp", app.ProjectArgument);
}

TEST(CommandLine, WrongSwitchesAreUsageErrors) {
  // Switch letters compare with case; a known letter with more after it is no switch either.
  for (const char* wrong : {"-z", "--foo", "-C", "-cq", "-", "/z"}) {
    RecordingUi ui;
    CBrunoxApp app;
    EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", wrong})) << wrong;
    ASSERT_EQ(1u, ui.messages.size()) << wrong;
    EXPECT_TRUE(Contains(ui.messages[0].text, L"Unknown switch '" + platform::FromUtf8(wrong) +
                                                  L"'.\nUsage: brunox"))
        << platform::ToUtf8(ui.messages[0].text);
    EXPECT_TRUE(Contains(ui.messages[0].text, L"-h, --help"));
    EXPECT_FALSE(Contains(ui.console, L"console mode")) << "nothing runs";
  }
}

TEST(CommandLine, TwoProjectsAreAUsageError) {
  RecordingUi ui;
  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", "a.bxp", "b.bxp"}));
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_TRUE(Contains(ui.messages[0].text,
                       L"More than one project file was named: 'a.bxp' and 'b.bxp'."));
}

TEST(CommandLine, HelpListsTheSwitches) {
  for (const char* help : {"-h", "--help", "/h"}) {
    RecordingUi ui;
    CBrunoxApp app;
    EXPECT_EQ(CBrunoxApp::kExitOk, RunApp(app, {"-c", help})) << help;
    EXPECT_EQ(CBrunoxApp::UsageText(), ui.console);
    EXPECT_TRUE(ui.messages.empty());
  }
  for (const wchar_t* line : {L"-c ", L"-r ", L"-q ", L"-x ", L"-@profile ", L"-h, --help"})
    EXPECT_TRUE(Contains(CBrunoxApp::UsageText(), line)) << platform::ToUtf8(line);
}

TEST(StartUp, RaisesTheOpenFileLimit) {
  rlimit limit{};
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &limit));
  if (limit.rlim_max <= 64) GTEST_SKIP() << "hard limit too low to lower the soft one";
  rlimit lowered = limit;
  lowered.rlim_cur = 64;
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &lowered));
  RecordingUi ui;
  CBrunoxApp app;
  RunApp(app, {"-h"});
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &lowered));
  EXPECT_EQ(limit.rlim_max, lowered.rlim_cur);
}

TEST(CommandLine, ProfileSwitch) {
  RecordingUi ui;
  CBrunoxApp app;
  app.ParseParam(L"-@");
  EXPECT_TRUE(app.Profile.empty());
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"-@ switch without profile was specified.", ui.messages[0].text);
  EXPECT_EQ(L"Warning!", ui.messages[0].caption);
  app.ParseParam(L"/@\"my profile.ini\"");
  EXPECT_EQ(L"my profile.ini", app.Profile);
}

TEST(ConsoleMode, ProjectsWithNothingToRunAreRefused) {
  RecordingUi ui;
  const std::wstring empty = WriteSqliteProject(L"empty.bxp");
  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", platform::ToUtf8(empty)}));
  EXPECT_TRUE(Contains(ui.console, L"Connected: ")) << platform::ToUtf8(ui.console);
  EXPECT_TRUE(ui.Saw(L"Your test project is empty.\nPlease add at least one task before execution."));
  EXPECT_FALSE(Contains(ui.console, L"Run finished"));
  EXPECT_EQ(nullptr, g_mainDB);  // freed at the end of start-up
  EXPECT_EQ(nullptr, g_settings);

  Project inactive;
  inactive.Tasks.push_back(MakeTask(L"select 1", 2, 1));
  inactive.Tasks.back().isActive = 0;
  const std::wstring path = WriteSqliteProject(L"inactive.bxp", inactive);
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", platform::ToUtf8(path)}));
  EXPECT_TRUE(ui.Saw(L"Your test project has no active task.\nPlease make at least one task "
                     L"active before execution."));
  EXPECT_FALSE(Contains(ui.console, L"Run finished"));
}

TEST(ConsoleMode, ThreadlessRunIsNotASuccess) {
  RecordingUi ui;
  Project p;
  p.Tasks.push_back(MakeTask(L"select 1", 0, 1));
  const std::wstring path = WriteSqliteProject(L"nothreads.bxp", p);
  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", platform::ToUtf8(path)}));
  EXPECT_TRUE(Contains(ui.console, L"0 threads, 0 executions")) << platform::ToUtf8(ui.console);
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_TRUE(Contains(ui.messages[0].text, L"Nothing ran")) << platform::ToUtf8(ui.messages[0].text);
}

TEST(ConsoleMode, RunsTheProjectAndWritesTheStatementLog) {
  RecordingUi ui;
  const std::wstring path = testsupport::NewScratchPath(L"work.bxp");
  const std::wstring folder = platform::FolderPart(path);
  Project p;
  p.DefConnection.Kind = CONN_STRING;
  p.DefConnection.ConnString = testsupport::SqliteConnString(folder + L"/work.sqlite");
  p.DoType = kRunByTaskCounts;
  p.SQLFile = folder + L"/statements.txt";
  Task task;
  task.Name = L"insert";
  task.SQL = L"insert into t values (1)";
  task.SQLBefore = L"create table t(x int)";
  task.Threads = 2;
  task.ExecCntr = 3;
  task.Delay = task.DelayMax = 0;
  p.Tasks.push_back(task);
  ASSERT_EQ(1, p.Save(path));

  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitOk, RunApp(app, {"-c", platform::ToUtf8(path)}));
  EXPECT_TRUE(Contains(ui.console, L" s: 2 threads, 6 executions (")) << platform::ToUtf8(ui.console);
  EXPECT_TRUE(Contains(ui.console, L"per second), 0 failed rounds.\n"))
      << platform::ToUtf8(ui.console);
  EXPECT_NE(std::wstring::npos, ui.console.find(L"Executed-statement log: " + p.SQLFile + L"\n"))
      << platform::ToUtf8(ui.console);
  std::string bytes;
  ASSERT_TRUE(platform::ReadFileBytes(p.SQLFile, bytes));
  const std::wstring text = platform::FromUtf16Le(bytes.substr(2));
  EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
  size_t lines = 0;
  for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2))
    ++lines;
  EXPECT_EQ(7u, lines) << "a header and six statements";
  EXPECT_EQ(nullptr, g_runner) << "the runner lives as long as the start-up";
  EXPECT_TRUE(ui.messages.empty());
}

// Stores `path` as the setting LastFile of the test's settings folder.
void SetLastFile(const std::wstring& path) {
  CSettings settings;
  settings.setStr(kStoreMain, L"LastFile", path);
  settings.SaveData(0);
}

TEST(ConsoleMode, WithoutProjectArgumentUsesLastFile) {
  RecordingUi ui;
  const std::wstring project = OneStatementProject(L"last.bxp", L"select 1");
  SetLastFile(project);
  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitOk, RunApp(app, {"-c"}));
  EXPECT_EQ(project, g_project.Path);

  SetLastFile(L"");
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c"}));
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_TRUE(Contains(ui.messages[0].text, L"No project file was named, and the setting LastFile"))
      << platform::ToUtf8(ui.messages[0].text);

  const std::wstring gone = testsupport::NewScratchPath(L"gone.bxp");
  SetLastFile(gone);
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c"}));
  ASSERT_EQ(2u, ui.messages.size());
  EXPECT_TRUE(Contains(ui.messages[1].text, L"Project file '" + gone + L"' not found.\n"
                                            L"The project was named by the setting LastFile"))
      << platform::ToUtf8(ui.messages[1].text);
}

TEST(ConsoleMode, ConnectionFailureNamesTheErrorAndTheLog) {
  RecordingUi ui;
  const std::wstring path = testsupport::NewScratchPath(L"bad.bxp");
  Project p;
  p.DefConnection.Kind = CONN_STRING;
  p.DefConnection.ConnString = L"Driver=NoSuchDriver;Database=x;";
  p.Tasks.push_back(MakeTask(L"select 1", 1, 1));
  ASSERT_EQ(1, p.Save(path));
  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", platform::ToUtf8(path)}));
  ASSERT_EQ(1u, ui.messages.size());
  const std::wstring& text = ui.messages[0].text;
  EXPECT_TRUE(platform::StartsWith(text, L"Could not restore connection from the project properties.\n"));
  EXPECT_TRUE(Contains(text, L"NoSuchDriver")) << platform::ToUtf8(text);
  EXPECT_TRUE(platform::EndsWith(text, L"See the log for details: " + platform::StateFolder() +
                                           L"/brunox.log"))
      << platform::ToUtf8(text);
}

TEST(ConsoleMode, ProjectWithoutConnectionSaysSo) {
  RecordingUi ui;
  const std::wstring path = testsupport::NewScratchPath(L"noconn.bxp");
  ASSERT_TRUE(platform::WriteTextFileUtf8(path, L"[Package]\nTasks=1\n[Task0]\nSQL=select 1\n"));
  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", platform::ToUtf8(path)}));
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_TRUE(Contains(ui.messages[0].text, L"names no database connection: its [DefConnection]"))
      << platform::ToUtf8(ui.messages[0].text);
}

TEST(ConsoleMode, ProfileFileOverridesProjectConnection) {
  RecordingUi ui;
  const std::wstring profileProject = WriteSqliteProject(L"profile.bxp");
  const std::wstring path = testsupport::NewScratchPath(L"p.bxp");
  Project p;
  p.DefConnection.Kind = CONN_STRING;
  p.DefConnection.ConnString = L"Driver=NoSuchDriver;";
  p.DoType = kRunByTaskCounts;
  p.Tasks.push_back(MakeTask(L"select 1", 1, 1));
  ASSERT_EQ(1, p.Save(path));
  CBrunoxApp app;
  EXPECT_EQ(CBrunoxApp::kExitOk,
            RunApp(app, {"-c", "-@" + platform::ToUtf8(profileProject), platform::ToUtf8(path)}));

  // A profile that is not there is an error, not a quiet fall-back to the project's connection.
  const std::wstring good = OneStatementProject(L"good.bxp", L"select 1");
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {"-c", "-@/no/such/profile.ini",
                                                  platform::ToUtf8(good)}));
  EXPECT_TRUE(ui.Saw(L"Connection profile '/no/such/profile.ini' not found."));
}

TEST(WindowMode, WithoutWindowSaysSoAndFails) {
  RecordingUi ui;
  CBrunoxApp app;
  EXPECT_EQ(1, RunApp(app, {}));
  ASSERT_EQ(1u, ui.messages.size());
  bool shown = false;
  app.ShowMainWindow = [&](CBrunoxApp&) {
    shown = true;
    return 0;
  };
  EXPECT_EQ(0, RunApp(app, {}));
  // The window's own status is the program's.
  app.ShowMainWindow = [](CBrunoxApp&) { return CBrunoxApp::kExitNotRun; };
  EXPECT_EQ(CBrunoxApp::kExitNotRun, RunApp(app, {}));
  EXPECT_TRUE(shown);
  EXPECT_EQ(1u, ui.messages.size());
}

TEST(StartUp, RegistersProjectFileTypeOnce) {
  RecordingUi ui;
  CBrunoxApp app;
  RunApp(app, {"-x"});
  const std::wstring mime = platform::DataHome() + L"/mime/packages/brunox-bxp.xml";
  std::wstring text;
  ASSERT_TRUE(platform::ReadTextFile(mime, text));
  EXPECT_NE(std::wstring::npos, text.find(L"*.bxp"));
  EXPECT_NE(std::wstring::npos, text.find(L"Ovra DB Brunox Project"));
  EXPECT_TRUE(platform::FileExists(platform::DataHome() + L"/applications/brunox.desktop"));
}

// Every start registers the file type, but the desktop's database is rebuilt only when the
// registration was missing or said something else.
TEST(StartUp, RebuildsTheDesktopDatabaseOnlyWhenTheRegistrationChanged) {
  const std::wstring desktop = platform::DataHome() + L"/applications/brunox.desktop";
  platform::RemoveFile(desktop);
  const auto rebuilds = [](const RecordingUi& ui) {
    int n = 0;
    for (const auto& [program, args] : ui.started) n += program == L"update-mime-database";
    return n;
  };
  for (const int expected : {1, 0, 1}) {
    RecordingUi ui;
    CBrunoxApp app;
    RunApp(app, {"-x"});
    EXPECT_EQ(rebuilds(ui), expected);
    if (expected == 0) {
      // The program moved since: the entry names a program that is no longer there.
      ASSERT_TRUE(platform::WriteFileBytes(desktop, "[Desktop Entry]\nExec=/gone\n"));
    }
  }
  std::string entry;
  ASSERT_TRUE(platform::ReadFileBytes(desktop, entry));
  EXPECT_EQ(entry.find("/gone"), std::string::npos);
}

TEST(Visualizer, MissingReportOrProgramIsReported) {
  RecordingUi ui;
  CBrunoxApp app;
  app.VisualizerPath = L"/no/such/vis/DBBrunoxVisualizer";
  app.ShowSqlReport(L"/no/such/report.bnxrep");
  ASSERT_EQ(1u, ui.messages.size());
  EXPECT_EQ(L"The report file '/no/such/report.bnxrep' does not exist or inaccessible",
            ui.messages[0].text);
  EXPECT_EQ(L"Visualizer", ui.messages[0].caption);
  EXPECT_TRUE(ui.started.empty());

  const std::wstring report = testsupport::NewScratchPath(L"log.txt");
  ASSERT_TRUE(platform::WriteTextFileUtf8(report, L"x"));
  app.ShowSqlReport(report);  // the report exists but the visualizer does not
  EXPECT_EQ(2u, ui.messages.size());
  EXPECT_TRUE(ui.started.empty());

  app.VisualizerPath = report;  // any existing file stands in for the program
  app.LaunchVisualizer({L"a b.txt", L"c"});
  ASSERT_EQ(1u, ui.started.size());
  EXPECT_EQ((std::vector<std::wstring>{L"a b.txt", L"c"}), ui.started[0].second);
}

}  // namespace
