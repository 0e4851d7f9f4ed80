#pragma once
// The application base: program folder, command-line arguments, the log set up from the main
// settings store, the project file type registration and console output. It knows nothing of
// windows; the Qt window is started by the program on top of it.
#include <string>
#include <vector>

class _Settings;

class CSmApp {
 public:
  CSmApp();
  virtual ~CSmApp();
  CSmApp(const CSmApp&) = delete;
  CSmApp& operator=(const CSmApp&) = delete;

  // Keeps the arguments (argv[0] excluded) and runs InitInstance.
  int Run(int argc, char** argv);
  virtual int InitInstance() = 0;
  // Called by ParseParams once for every command-line argument.
  virtual void ParseParam(const std::wstring& argument);

  // Remembers the main settings store and the title and opens the log as the store says
  // (keys LogLevel, LogFilePath, TruncateBigLog, TruncateSize in megabytes).
  void Initialize(_Settings* mainSettings, const std::wstring& title);
  void ParseParams();
  // Registers a file type for the desktop (shared-mime-info and a .desktop entry in the user's
  // XDG data folder) and has the desktop's database rebuilt, unless the files there already say
  // what they should. False when the files could not be written.
  bool RegisterFileType(const std::wstring& description, const std::wstring& extension);
  void ConsoleWrite(const std::wstring& text, int = 0);
  void Terminate();

  // Help: HTML pages in the help folder, the "help" folder next to the program unless
  // SetHelpFolder named another (empty: back to that). Opens the page `topic` (empty: the
  // index) with the desktop; a page that is not there is reported with the path looked at, and
  // false returned.
  static bool ShowHtmlHelp(const std::wstring& topic);
  static std::wstring HelpFolder();
  static void SetHelpFolder(const std::wstring& folder);

  const std::wstring& ProgramFolder() const { return programFolder_; }
  const std::wstring& Title() const { return title_; }
  const std::vector<std::wstring>& Arguments() const { return arguments_; }
  // Files named on the command line; the first is the project file.
  std::vector<std::wstring> FileList;

 protected:
  _Settings* mainSettings_ = nullptr;

 private:
  std::wstring programFolder_;
  std::wstring title_;
  std::vector<std::wstring> arguments_;
};
