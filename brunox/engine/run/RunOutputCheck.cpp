#include "brunox/engine/run/RunOutputCheck.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "brunox/engine/project/Project.h"
#include "mervis/Log.h"
#include "mervis/Macros.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

namespace fs = std::filesystem;

// The path the system would reach, also for a file that does not exist yet: its folder resolved
// (links, ".."), then its name. Empty when it cannot be told.
fs::path Resolved(const std::wstring& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(platform::NativePath(path), error);
  if (error) return {};
  fs::path resolved = fs::weakly_canonical(absolute, error);
  return error ? fs::path() : resolved;
}

// Whether writing `output` would write over `input`; a second name of the same file (a hard
// link) counts too.
bool SameFile(const std::wstring& output, const std::wstring& input) {
  std::error_code error;
  if (fs::equivalent(platform::NativePath(output), platform::NativePath(input), error)) return true;
  const fs::path a = Resolved(output);
  return !a.empty() && a == Resolved(input);
}

struct Input {
  std::wstring path;
  std::wstring what;  // "the project file '...'", with the file's name
};

std::vector<Input> FilesTheRunReads(const Project& project) {
  std::vector<Input> inputs;
  if (!project.Path.empty())
    inputs.push_back({project.Path, L"the project file '" + project.Path + L"'"});
  for (const Task& task : project.Tasks) {
    if (!task.File.empty()) {
      const std::wstring path = CLog::DecodePath(task.File);
      inputs.push_back(
          {path, L"the value file '" + path + L"' of task '" + task.Name + L"' (File)"});
    }
    if (task.UseFileSQL && !task.sqlFile.empty()) {
      const std::wstring path = CLog::DecodePath(task.sqlFile);
      inputs.push_back(
          {path, L"the script file '" + path + L"' of task '" + task.Name + L"' (sqlFile)"});
    }
  }
  return inputs;
}

}  // namespace

std::wstring RunOutputReplacingInput(const Project& project) {
  struct Output {
    const wchar_t* what;
    const wchar_t* key;
    const std::wstring& pattern;
  };
  const Output outputs[] = {
      {L"executed-statement log", L"SQLFile", project.SQLFile},
      {L"HTML report", L"ReportFile", project.ReportFile},
      {L"text report", L"ReportTxtFile", project.ReportTxtFile},
      {L"internal report", L"ReportIniFile", project.ReportIniFile},
      {L"counters report", L"CountersReport", project.CountersReport},
  };
  const std::vector<Input> inputs = FilesTheRunReads(project);
  for (const Output& output : outputs) {
    // The name the run would write, expanded as the statement log and the reports expand it.
    const std::wstring name = output.pattern.empty() ? std::wstring()
                                                     : DateAndTimeMacros(output.pattern, 0, 0);
    if (name.empty()) continue;
    for (const Input& input : inputs)
      if (SameFile(name, input.path))
        return platform::Format(L"The %ls '%ls' (%ls) would replace %ls. The run did not start.",
                                output.what, name.c_str(), output.key, input.what.c_str());
  }
  return {};
}
