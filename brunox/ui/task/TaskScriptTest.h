#pragma once
// The Test buttons of the task dialog: a task's statements run once on the task's connection,
// one after another up to the first that fails, and a box captioned "Test" says how it went.
#include <string>
#include <vector>

class CDB;

struct TaskScriptTest {
  std::wstring shownScript;              // the script as the box shows it on success
  std::vector<std::wstring> statements;  // what runs, in order
  bool fetchRows = false;                // fetch (and drop) the rows a statement returns
  std::wstring note;                     // said after the outcome when not empty
};

// Runs `test` on `db` and shows the outcome. Without a connected `db` nothing runs and the box
// says the task has no connection. True when every statement succeeded.
bool RunTaskScriptTest(CDB* db, const TaskScriptTest& test);
