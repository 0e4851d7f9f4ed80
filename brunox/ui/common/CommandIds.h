#pragma once
// Every command of the main window. Menus, toolbar buttons and shortcuts all end in
// CBrunoxDlg::OnCommand with one of these ids.

enum CommandId : int {
  kCmdExit = 2,
  kCmdTaskAdd = 1001,
  kCmdTaskEdit = 1002,
  kCmdTaskDelete = 1004,
  kCmdStop = 1006,
  kCmdNewProject = 1081,
  kCmdLogTruncate = 1108,
  kCmdRun = 1179,
  kCmdProjectReport = 1180,
  kCmdStopChecked = 1776,
  kCmdHelpIndex = 2005,
  kCmdOpen = 2006,
  kCmdSave = 2007,
  kCmdPause = 2775,
  kCmdPauseChecked = 2777,
  kCmdRecentFirst = 3072,  // the recent projects PackageFile0..9
  kCmdRecentLast = 3081,
  kCmdSaveAs = 5784,
  kCmdDisconnect = 5900,
  kCmdTaskDown = 12794,
  kCmdRunByGroup = 32085,
  kCmdRunSequential = 32086,
  kCmdAbout = 32772,
  kCmdTaskEnable = 32778,
  kCmdConnect = 32779,
  kCmdLogView = 32780,
  kCmdTaskCopy = 32787,
  kCmdExportSettings = 32788,
  kCmdImportSettings = 32789,
  kCmdTaskUp = 32793,
};

constexpr int kRecentFileCount = kCmdRecentLast - kCmdRecentFirst + 1;

// The commands that edit the project's task list; the window forwards them to the project page.
constexpr bool IsTaskCommand(int id) {
  switch (id) {
    case kCmdTaskAdd:
    case kCmdTaskEdit:
    case kCmdTaskDelete:
    case kCmdTaskCopy:
    case kCmdTaskUp:
    case kCmdTaskDown:
    case kCmdTaskEnable:
      return true;
    default:
      return false;
  }
}
