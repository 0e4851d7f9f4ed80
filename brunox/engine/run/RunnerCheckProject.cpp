// Whether a project can be run at all, checked before a run starts.
#include <algorithm>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/run/RunOutputCheck.h"
#include "brunox/engine/run/RunStopRules.h"
#include "kavra/CDB.h"
#include "platform/UiServices.h"

namespace {

// What the run itself would refuse, or what it would destroy, told before a run is announced or
// anything of it is prepared.
std::wstring RunRefusal(const Project& project, int runMode) {
  RunStopRules rules;
  rules.Load(project, runMode);
  if (!rules.CanRun()) {
    std::wstring text;
    for (const std::wstring& problem : rules.Problems())
      text += (text.empty() ? L"" : L"\n") + problem;
    return text;
  }
  return RunOutputReplacingInput(project);
}

}  // namespace

int BrunoxRunner::CheckProject(Project* project) {
  std::wstring problem;
  if (!project || project->Tasks.empty())
    problem = L"Your test project is empty.\nPlease add at least one task before execution.";
  // A run of inactive tasks starts no thread and would end at once as if it had succeeded.
  else if (std::none_of(project->Tasks.begin(), project->Tasks.end(),
                        [](const Task& task) { return task.isActive != 0; }))
    problem =
        L"Your test project has no active task.\nPlease make at least one task active before "
        L"execution.";
  else if (!project->MainDB || !project->MainDB->IsConnected())
    problem =
        L"You have no active database connection.\nPlease select File->Connect menu item to "
        L"prepare it.";
  else
    problem = RunRefusal(*project, RunMode);
  if (problem.empty()) return 1;
  platform::Ui().MessageBox(problem, L"Warning!", platform::MsgButtons::Ok,
                            platform::MsgIcon::Error);
  return 0;
}
