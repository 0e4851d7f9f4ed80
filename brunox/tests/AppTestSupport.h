#pragma once
// Projects for the start-up and console tests, written the way the program saves them.
#include <functional>
#include <string>

#include "brunox/engine/project/Project.h"

namespace apptest {

// A task that runs `sql` on `threads` threads, `execs` times each, without think time.
Task MakeTask(const std::wstring& sql, int threads, int execs);

// A project whose default connection is the SQLite file "db.sqlite" next to it, run by the tasks'
// own counts, saved as `name` in a fresh scratch folder. Returns the file's path.
std::wstring WriteSqliteProject(const std::wstring& name, Project project = Project());

// Loads the project at `path`, lets `edit` change it and saves it again.
void EditProject(const std::wstring& path, const std::function<void(Project&)>& edit);

}  // namespace apptest
