#include "brunox/engine/BrunoxApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brunox/engine/BrunoxRunner.h"
#include "brunox/engine/Project.h"
#include "brunox/engine/SettingsStores.h"
#include "platform/Folders.h"
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

// A project file whose default connection is a fresh SQLite file.
std::wstring WriteSqliteProject(const std::wstring& name) {
  const std::wstring path = testsupport::NewScratchPath(name);
  Project p;
  p.DefConnection.Kind = CONN_STRING;
  p.DefConnection.ConnString =
      testsupport::SqliteConnString(platform::FolderPart(path) + L"/demo.sqlite");
  p.Note = L"console test";
  EXPECT_EQ(1, p.Save(path));
  return path;
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
  app.ParseParam(L"-C");  // switch letters compare with case
  EXPECT_FALSE(app.ConsoleMode());
  app.ParseParam(L"-Z");
  app.ParseParam(L"\"/no/such/file.bxp\"");
  EXPECT_TRUE(app.FileList.empty());
  app.ParseParam(L"\"" + project + L"\"");
  ASSERT_EQ(1u, app.FileList.size());
  EXPECT_EQ(project, app.FileList[0]);
  app.ParseParam(L"-c");
  EXPECT_TRUE(app.ConsoleMode());
  EXPECT_TRUE(ui.messages.empty());
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

TEST(ConsoleMode, LoadsConnectsAndSucceeds) {
  RecordingUi ui;
  const std::wstring project = WriteSqliteProject(L"run.bxp");
  CBrunoxApp app;
  EXPECT_EQ(0, RunApp(app, {"-c", platform::ToUtf8(project)}));
  EXPECT_NE(std::wstring::npos, ui.console.find(L"(console mode)...")) << platform::ToUtf8(ui.console);
  EXPECT_NE(std::wstring::npos, ui.console.find(L"Connected: ")) << platform::ToUtf8(ui.console);
  EXPECT_NE(std::wstring::npos, ui.console.find(L"Run finished: 0 threads, 0 executions"))
      << platform::ToUtf8(ui.console);
  EXPECT_NE(std::wstring::npos, ui.console.find(L"No executed-statement log"));
  EXPECT_EQ(project, g_project.Path);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(nullptr, g_mainDB);  // freed at the end of start-up
  EXPECT_EQ(nullptr, g_settings);
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
  EXPECT_EQ(0, RunApp(app, {"-c", platform::ToUtf8(path)}));
  EXPECT_NE(std::wstring::npos, ui.console.find(L"Run finished: 2 threads, 6 executions in "))
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

TEST(ConsoleMode, WithoutProjectArgumentUsesLastFile) {
  RecordingUi ui;
  const std::wstring project = WriteSqliteProject(L"last.bxp");
  {
    CSettings settings;
    settings.setStr(0, L"LastFile", project);
    settings.SaveData(0);
  }
  CBrunoxApp app;
  EXPECT_EQ(0, RunApp(app, {"-c"}));
  EXPECT_EQ(project, g_project.Path);
}

TEST(ConsoleMode, ConnectionFailureIsReportedAndFails) {
  RecordingUi ui;
  const std::wstring path = testsupport::NewScratchPath(L"bad.bxp");
  Project p;
  p.DefConnection.Kind = CONN_STRING;
  p.DefConnection.ConnString = L"Driver=NoSuchDriver;Database=x;";
  ASSERT_EQ(1, p.Save(path));
  CBrunoxApp app;
  EXPECT_EQ(1, RunApp(app, {"-c", platform::ToUtf8(path)}));
  EXPECT_TRUE(ui.Saw(L"Could not restore connection from the project properties.\nSee log for "
                     L"details."));
}

TEST(ConsoleMode, ProfileFileOverridesProjectConnection) {
  RecordingUi ui;
  const std::wstring profileProject = WriteSqliteProject(L"profile.bxp");
  const std::wstring path = testsupport::NewScratchPath(L"p.bxp");
  Project p;
  p.DefConnection.Kind = CONN_STRING;
  p.DefConnection.ConnString = L"Driver=NoSuchDriver;";
  ASSERT_EQ(1, p.Save(path));
  CBrunoxApp app;
  EXPECT_EQ(0, RunApp(app, {"-c", "-@" + platform::ToUtf8(profileProject), platform::ToUtf8(path)}));
}

TEST(WindowMode, WithoutWindowSaysSoAndFails) {
  RecordingUi ui;
  CBrunoxApp app;
  EXPECT_EQ(1, RunApp(app, {}));
  ASSERT_EQ(1u, ui.messages.size());
  bool shown = false;
  app.ShowMainWindow = [&](CBrunoxApp&) { shown = true; };
  EXPECT_EQ(0, RunApp(app, {}));
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
