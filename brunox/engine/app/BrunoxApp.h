#pragma once
// The program's start-up: settings, log, file type, command line, the main database object, and
// then either the window or, in console mode, one unattended run of a project.
#include <functional>
#include <string>
#include <vector>

#include "sompel/AdvConnect.h"
#include "sompel/SmApp.h"

class BrunoxRunner;
class CDB;
class Project;

class CBrunoxApp : public CSmApp {
 public:
  CBrunoxApp();
  ~CBrunoxApp() override;

  int InitInstance() override;
  void ParseParam(const std::wstring& argument) override;

  // Starts the visualizer with the given files as arguments.
  void LaunchVisualizer(const std::vector<std::wstring>& files);
  // Starts the visualizer on `path` after checking that the file exists.
  void ShowSqlReport(const std::wstring& path);

  // The window, when the program was built with one: called in window mode with the application
  // object; returns the process's exit status when the window has closed (or could not open).
  // Without it window mode says it is not available.
  std::function<int(CBrunoxApp&)> ShowMainWindow;

  // The process's exit status, so that unattended callers see what happened: kExitOk when the
  // program did what was asked (in console mode: the run ran and no thread failed),
  // kExitNotRun when it could not (a wrong command line, no project, no connection, nothing to
  // run), kExitRunFailed when the run ran but threads failed or could not connect, rounds or
  // values failed, or the run itself reported errors.
  static constexpr int kExitOk = 0;
  static constexpr int kExitNotRun = 1;
  static constexpr int kExitRunFailed = 2;
  int ExitCode() const { return exitCode_; }

  // What a run that has ended on `runner` came to, from what it measured.
  struct RunOutcome {
    int threads = 0;        // threads the run started
    int ran = 0;            // threads that connected
    int failedThreads = 0;  // threads with a failing statement, but not those below
    int lostConnection = 0;  // threads that ended because their connection was lost
    int unconnected = 0;    // threads that could not connect
    int neverTried = 0;     // threads the run ended while they waited for their turn to connect
    int leftBehind = 0;     // threads the run ended without, inside a database call
    long long failedRounds = 0;
    long long failedValues = 0;  // parameter values whose pattern failed
    bool runErrors = false;  // the run as a whole reported errors
    bool statementLogComplete = true;
    // kExitNotRun when no thread ran, kExitRunFailed when anything above failed, else kExitOk.
    int ExitStatus() const;
  };
  static RunOutcome OutcomeOf(const BrunoxRunner& runner);
  // The run-time fields a run takes from the settings (statistics, StopOnError, log level, the
  // column size limit), the same for console and window runs. Nothing without settings.
  static void ReadRunSettings(Project& project);
  bool ConsoleMode() const { return console_ != 0; }
  // The list of switches that -h shows and a wrong switch repeats.
  static std::wstring UsageText();

  // The project file as named on the command line, whether or not it exists: console mode
  // refuses a name it cannot load rather than run some other project.
  std::wstring ProjectArgument;

  std::wstring VisualizerPath;
  std::wstring Profile;
  int RunAtStart = 0;
  int QuitAfterRun = 0;
  int NoConnect = 0;

 private:
  void RunConsole();
  // The project console mode runs: the one named on the command line, else the setting LastFile.
  // "" after telling the user why there is none that can be loaded.
  std::wstring ConsoleProjectPath();
  // Fills the project's run-time fields from the settings and the main connection.
  void PrepareConsoleRun();
  // The summary, the run's own errors and the exit status of a console run that has ended.
  void ReportConsoleRun();
  // Ends the process with ExitCode() at once, for threads of the run that are still inside a
  // driver's call: the destructors of the runner, the connections and the driver libraries would
  // pull their memory from under them.
  [[noreturn]] void QuitLeavingWorkersBehind();
  void ShowError(const std::wstring& text);
  // Connects the main database object as the window does on start: from the project's default
  // connection, or from the -@ profile when that file exists.
  bool RestoreConnection();

  int console_ = 0;
  int exitCode_ = 0;
  bool helpWanted_ = false;
  std::wstring usageError_;  // the first thing wrong with the command line
  CAdvConnect connectDialog_;
};

extern CBrunoxApp* g_app;
extern CDB* g_mainDB;
extern Project g_project;
