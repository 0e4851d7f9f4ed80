#include "brunox/tests/AppTestSupport.h"

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace apptest {

Task MakeTask(const std::wstring& sql, int threads, int execs) {
  Task task;
  task.Name = L"task";
  task.SQL = sql;
  task.Threads = threads;
  task.ExecCntr = execs;
  task.Delay = task.DelayMax = 0;
  return task;
}

std::wstring WriteSqliteProject(const std::wstring& name, Project project) {
  const std::wstring path = testsupport::NewScratchPath(name);
  project.DefConnection.Kind = CONN_STRING;
  project.DefConnection.ConnString =
      testsupport::SqliteConnString(platform::FolderPart(path) + L"/db.sqlite");
  project.DoType = kRunByTaskCounts;
  EXPECT_EQ(1, project.Save(path));
  return path;
}

void EditProject(const std::wstring& path, const std::function<void(Project&)>& edit) {
  Project project;
  project.Load(path);
  edit(project);
  EXPECT_EQ(1, project.Save(path));
}

}  // namespace apptest
