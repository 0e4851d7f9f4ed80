#include "synthor/generators/files/ScriptData.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <new>

#include "mervis/Log.h"
#include "mervis/Macros.h"
#include "platform/Confinement.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FileLoaders.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr ScriptData::Form kForm{L"ScriptData", 4100};

bool IsPatternArgument(const std::wstring& arg) {
  return arg.size() > 2 && (arg.front() == L'@' || arg.front() == L'$');
}

std::atomic<long long> timeoutMs{30000};

// The script runs in the temporary folder, so a path given relative to ours goes over whole.
std::wstring Whole(const std::wstring& path) {
  if (path.empty() || path.front() == L'/') return path;
  std::error_code failed;
  const std::filesystem::path whole = std::filesystem::absolute(platform::NativePath(path), failed);
  return failed ? path : platform::FromUtf8(whole.string());
}

// Why a finished run gives no values; empty when it did its job.
std::wstring FailureOf(const platform::ProcessRequest& request,
                       const platform::ProcessResult& run) {
  if (!run.started) return L"cannot start " + request.program + L": " + run.startError;
  if (run.timedOut)
    return platform::Format(L"the script did not finish within %lld ms",
                            static_cast<long long>(request.timeout.count()));
  if (run.signal != 0) return L"the script was ended by signal " + platform::FromInt(run.signal);
  if (run.exitCode != 0) return L"the script exited with status " + platform::FromInt(run.exitCode);
  return std::wstring();
}

}  // namespace

bool ScriptData::RunScript(const Form& form, const std::vector<std::wstring>& args,
                           std::size_t first, DSynthor* engine, std::string* output,
                           std::wstring* errorText, int* errorCode) {
  const std::wstring& interpreter = args[first];
  const std::wstring script = PathMacros(args[first + 1]);
  if (access(platform::ToUtf8(script).c_str(), F_OK) != 0) {
    ReportConstructionError(errorText, errorCode, form.codes + 2,
                            platform::Format(L"%ls: script file '%ls' not found or inaccessible.",
                                             form.name, script.c_str()));
    return false;
  }
  // A bare name is looked up in PATH; one with a folder in it is a path.
  const std::wstring program =
      interpreter.find(L'/') == std::wstring::npos ? interpreter : Whole(interpreter);
  const std::wstring wholeScript = Whole(script);
  // A confined process starts nothing its fixture folders do not hold, and decides so before any
  // argument is evaluated.
  for (const std::wstring& file : {program, wholeScript}) {
    if (const platform::Verdict verdict = platform::JudgeFixturePath(file); !verdict.Allowed()) {
      ReportConstructionError(errorText, errorCode, form.codes + 3,
                              std::wstring(form.name) +
                                  L": could not load data provided by script. (" + verdict.reason +
                                  L")");
      return false;
    }
  }
  // The script path goes over as one argument as it stands: blanks and quotes in it are no
  // concern of anybody's, as no shell reads it.
  std::vector<std::wstring> argv{wholeScript};
  for (std::size_t k = first + 2; k < args.size(); ++k) {
    if (!IsPatternArgument(args[k]) || !engine) {
      argv.push_back(args[k]);
      continue;
    }
    DGValue value;
    if (!engine->Value(args[k], &value)) {
      ReportConstructionError(errorText, errorCode, form.codes + 4,
                              platform::Format(L"%ls: could not calculate '%ls': %ls", form.name,
                                               args[k].c_str(), engine->Error().c_str()));
      return false;
    }
    argv.push_back(value.value);
  }
  platform::ProcessRequest request;
  request.program = program;
  request.args = std::move(argv);
  request.workingFolder = platform::TempFolder();
  request.timeout = Timeout();
  // As much as the file loaders read from a file.
  request.outputLimit = 16u * 1024u * 1024u;
  const platform::ProcessResult run = platform::RunProcess(request);
  if (!run.errors.empty())
    CLog::State2(std::wstring(form.name) + L": " + script + L" wrote to standard error: " +
                 platform::FromUtf8(run.errors));
  if (const std::wstring failure = FailureOf(request, run); !failure.empty()) {
    const std::wstring text =
        std::wstring(form.name) + L": could not load data provided by script. (" + failure + L")";
    CLog::Bug2(text + L": " + interpreter + L" " + script);
    ReportConstructionError(errorText, errorCode, form.codes + 3, text);
    return false;
  }
  *output = run.output;
  return true;
}

std::chrono::milliseconds ScriptData::Timeout() {
  return std::chrono::milliseconds(timeoutMs.load());
}

void ScriptData::SetTimeout(std::chrono::milliseconds limit) {
  timeoutMs.store(limit.count() > 0 ? limit.count() : 1);
}

void ScriptData::ForEachLine(std::string_view output,
                             const std::function<void(const std::wstring&)>& take) {
  std::size_t position = 0;
  std::wstring line;
  while (FileLoaders::ReadString(output, &position, &line, IGenerator::ENC_8BIT) != 0) take(line);
}

ScriptData::ScriptData(const std::vector<std::wstring>* args, CompiledPattern* pattern,
                       DSynthor* engine, std::wstring* errorText, int* errorCode)
    : engine_(engine) {
  if (!args || args->size() < 2) {
    ReportConstructionError(errorText, errorCode, kForm.codes,
                            L"ScriptData: the function expects at least two parameters.");
    return;
  }
  // A syntax check runs nothing: checking a project must not start its scripts.
  if (DSynthor::GetCheckSyntaxMode() != 0) return;
  std::string output;
  if (!RunScript(kForm, *args, 0, engine, &output, errorText, errorCode)) return;
  try {
    ForEachLine(output, [&](const std::wstring& line) {
      DSynthor::CheckForQuotes(line, pattern);
      values_.push_back(line);
    });
  } catch (const std::bad_alloc&) {
    std::vector<std::wstring>().swap(values_);
  }
  if (values_.empty()) {
    ReportConstructionError(errorText, errorCode, kForm.codes + 3,
                            L"ScriptData: could not load data provided by script.");
    return;
  }
  ready = 1;
}

std::wstring ScriptData::Value(std::wstring* /*format*/) {
  if (!ready || values_.empty()) return std::wstring();
  const int n = static_cast<int>(values_.size());
  const int row = engine_ ? engine_->random.Next(n) : 0;
  return values_[static_cast<std::size_t>(row)];
}

IGenerator* ScriptData::Make(const GeneratorCall& call) {
  DSynthor* engine = EngineOf(call);
  return new (std::nothrow)
      ScriptData(call.args, call.pattern, engine, call.errorText, call.errorCode);
}
