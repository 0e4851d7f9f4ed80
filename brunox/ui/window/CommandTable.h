#pragma once
// The one table of the main window's commands: where each appears, what it says, its keys and
// when it may run. The window builds its actions, menus and toolbar from it, and the same rule
// decides whether a command is enabled and whether the dispatcher accepts it.
#include <vector>

enum class CommandMenu { File, Task, Project, Tools, LogFile, Help };

enum class EnableRule {
  Always,
  Idle,              // not while a run is under way: it would change what the run reads
  Running,           // acts on the run
  IdleConnected,     // e.g. Disconnect
  IdleDisconnected,  // e.g. Connect
};

struct CommandSpec {
  int id;
  CommandMenu menu;
  const char* text;       // menu text; after a tab, a key shown but not bound here
  const char* prompt;     // tooltip and status-bar text; "" for none
  const char* shortcuts;  // portable key sequences separated by "; ", "" for none
  EnableRule rule;
  bool separatorBefore;  // a separator precedes the item in its menu
};

// In menu order.
const std::vector<CommandSpec>& CommandTable();
// nullptr for an id that is not in the table (the recent projects are not).
const CommandSpec* FindCommand(int id);
bool IsEnabled(EnableRule rule, bool running, bool connected);

// The toolbar, left to right; 0 stands for a separator.
const std::vector<int>& ToolbarLayout();
