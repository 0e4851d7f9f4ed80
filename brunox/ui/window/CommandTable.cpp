#include "brunox/ui/window/CommandTable.h"

#include "brunox/ui/common/CommandIds.h"

namespace {

using M = CommandMenu;
using R = EnableRule;

const std::vector<CommandSpec> kCommands = {
    {kCmdNewProject, M::File, "&New Project", "New empty project (Ctrl+N)", "Ctrl+N", R::Idle,
     false},
    {kCmdOpen, M::File, "&Open…", "Load project from the disk file (Ctrl+O)", "Ctrl+O", R::Idle,
     false},
    {kCmdSave, M::File, "&Save", "Save project to file (Ctrl+S)", "Ctrl+S", R::Always, false},
    {kCmdSaveAs, M::File, "Save &As…", "Save project with new name", "", R::Idle, false},
    {kCmdConnect, M::File, "Connect…", "Connect to database (F2)", "F2; Ctrl+F2",
     R::IdleDisconnected, true},
    {kCmdDisconnect, M::File, "Disconnect", "Disconnect (F3)", "F3; Ctrl+F3", R::IdleConnected,
     false},
    {kCmdExit, M::File, "E&xit", "Discard changes and close", "Ctrl+Q", R::Always, true},

    {kCmdTaskAdd, M::Task, "&Add…", "Add new task definition (Ctrl+T)", "Ctrl+T", R::Idle, false},
    {kCmdTaskEdit, M::Task, "&Edit…", "Edit selected task", "", R::Idle, false},
    {kCmdTaskDelete, M::Task, "&Delete\tDel", "Remove task from the project (Del)", "", R::Idle,
     false},
    {kCmdTaskCopy, M::Task, "Insert Copy", "Insert copy of the task", "", R::Idle, false},
    {kCmdTaskUp, M::Task, "Move task up", "Move task definition up (Ctrl+U)", "Ctrl+U", R::Idle,
     true},
    {kCmdTaskDown, M::Task, "Move task down", "Move task definition down (Ctrl+D)", "Ctrl+D",
     R::Idle, false},
    {kCmdTaskEnable, M::Task, "Enable/Disable", "Enable or disable task (Ctrl+F8)", "Ctrl+F8",
     R::Idle, true},

    {kCmdProjectReport, M::Project, "Project Report…", "Save Project Report (Ctrl+F4)", "Ctrl+F4",
     R::Always, false},
    {kCmdRun, M::Project, "&Run Project", "Execute project (Ctrl+R)", "Ctrl+R", R::Idle, true},
    {kCmdRunSequential, M::Project, "Run tasks S&equentially",
     "Execute project's tasks sequentially (Ctrl+E)", "Ctrl+E", R::Idle, false},
    {kCmdRunByGroup, M::Project, "Run tasks by &Group", "Run tasks by group (Ctrl+G)", "Ctrl+G",
     R::Idle, false},
    {kCmdStop, M::Project, "S&top project", "Break project execution", "", R::Running, true},
    {kCmdPause, M::Project, "Pause", "Pause/Continue\nall threads", "", R::Running, false},
    {kCmdStopChecked, M::Project, "Stop checked items", "Stop checked threads", "", R::Running,
     false},
    {kCmdPauseChecked, M::Project, "Pause checked", "Pause/Continue\nchecked thread(s)", "",
     R::Running, false},

    {kCmdLogView, M::LogFile, "&View…", "View Log (Ctrl+L)", "Ctrl+L", R::Always, false},
    {kCmdLogTruncate, M::LogFile, "&Truncate", "Empty the log file", "", R::Always, false},
    {kCmdExportSettings, M::Tools, "Export Settings…", "Save all settings to an ini file", "",
     R::Always, true},
    {kCmdImportSettings, M::Tools, "Import Settings…", "Load all settings from an ini file", "",
     R::Always, false},

    // F1 opens the help of the page shown, which is the index where a page has none of its own.
    {kCmdHelpIndex, M::Help, "&Index…\tF1", "Open the help index", "", R::Always, false},
    {kCmdAbout, M::Help, "&About Ovra DB Brunox", "About Ovra DB Brunox (Ctrl+A)", "Ctrl+A",
     R::Always, true},
};

const std::vector<int> kToolbar = {kCmdNewProject,
                                   kCmdOpen,
                                   kCmdSave,
                                   0,
                                   kCmdConnect,
                                   kCmdDisconnect,
                                   0,
                                   kCmdRun,
                                   kCmdRunSequential,
                                   kCmdRunByGroup,
                                   0,
                                   kCmdStop,
                                   kCmdPause,
                                   kCmdStopChecked,
                                   kCmdPauseChecked,
                                   kCmdLogView,
                                   0,
                                   kCmdAbout,
                                   0};

}  // namespace

const std::vector<CommandSpec>& CommandTable() { return kCommands; }

const CommandSpec* FindCommand(int id) {
  for (const CommandSpec& spec : kCommands)
    if (spec.id == id) return &spec;
  return nullptr;
}

bool IsEnabled(EnableRule rule, bool running, bool connected) {
  switch (rule) {
    case EnableRule::Always:
      return true;
    case EnableRule::Idle:
      return !running;
    case EnableRule::Running:
      return running;
    case EnableRule::IdleConnected:
      return !running && connected;
    case EnableRule::IdleDisconnected:
      return !running && !connected;
  }
  return false;
}

const std::vector<int>& ToolbarLayout() { return kToolbar; }
