#pragma once
// The program's start-up: settings, log, file type, command line, the main database object, and
// then either the window or, in console mode, one unattended run of a project.
#include <functional>
#include <string>
#include <vector>

#include "sompel/AdvConnect.h"
#include "sompel/SmApp.h"

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
  // object; returns when the window closes. Without it window mode says it is not available.
  std::function<void(CBrunoxApp&)> ShowMainWindow;

  // 0 when the program did what was asked; 1 when console mode could not run its project (no
  // database environment, no connection), so that unattended callers see the failure.
  int ExitCode() const { return exitCode_; }
  bool ConsoleMode() const { return console_ != 0; }

  std::wstring VisualizerPath;
  std::wstring Profile;
  int RunAtStart = 0;
  int QuitAfterRun = 0;
  int NoConnect = 0;

 private:
  void RunConsole();
  // Connects the main database object as the window does on start: from the project's default
  // connection, or from the -@ profile when that file exists.
  bool RestoreConnection();

  int console_ = 0;
  int exitCode_ = 0;
  CAdvConnect connectDialog_;
};

extern CBrunoxApp* g_app;
extern CDB* g_mainDB;
extern Project g_project;
