#include "synthor/generators/plugins/PluginData.h"

#include <dlfcn.h>
#include <unistd.h>

#include <new>

#include "mervis/Log.h"
#include "platform/Confinement.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/generators/base/GeneratorSupport.h"

namespace {

constexpr int kTooFewParameters = 2600;
constexpr int kCannotLoad = 2601;
constexpr int kNoInstall = 2602;
constexpr int kNoGetValue = 2603;

bool Reachable(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The path as given when it can be reached, else the same name in the program's folder; empty
// when neither can be.
std::string FindPlugin(const std::wstring& parameter) {
  std::string path = platform::ToUtf8(parameter);
  if (Reachable(path)) {
    // dlopen looks a name without a slash up in the library search path, not here.
    return path.find('/') == std::string::npos ? "./" + path : path;
  }
  // A full path is not looked for anywhere else.
  if (!path.empty() && path.front() == '/') return std::string();
  const std::wstring folder = platform::ProgramFolder();
  if (folder.empty()) return std::string();
  path = platform::NativePath(platform::JoinPath(folder, parameter));
  return Reachable(path) ? path : std::string();
}

// The text of the last dl* failure on this thread.
std::wstring LastDlError() {
  const char* text = dlerror();
  return text ? platform::FromUtf8(text) : std::wstring();
}

}  // namespace

void PluginData::Closer::operator()(void* handle) const {
  if (handle) dlclose(handle);
}

PluginData::PluginData(const std::vector<std::wstring>* args, std::wstring* errorText,
                       int* errorCode) {
  if (!args || args->empty()) {
    ReportConstructionError(errorText, errorCode, kTooFewParameters,
                            L"DLLData: expects at least one paremeter");
    return;
  }
  // A syntax check loads nothing: checking a project must not run its plug-ins.
  if (DSynthor::GetCheckSyntaxMode() != 0) return;
  const std::wstring& parameter = (*args)[0];
  const std::string path = FindPlugin(parameter);
  if (path.empty()) {
    ReportConstructionError(errorText, errorCode, kCannotLoad,
                            L"DLLData: DLL not found or inaccesible");
    return;
  }
  // A confined process loads no library its fixture folders do not hold.
  if (const platform::Verdict verdict = platform::JudgeFixturePath(platform::FromUtf8(path));
      !verdict.Allowed()) {
    ReportConstructionError(errorText, errorCode, kCannotLoad,
                            L"DLLData: DLL not found or inaccesible (" + verdict.reason + L")");
    return;
  }
  module_.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!module_) {
    const std::wstring text = L"DLLData: DLL not found or inaccesible (" + LastDlError() + L")";
    CLog::Bug2(text);
    ReportConstructionError(errorText, errorCode, kCannotLoad, text);
    return;
  }
  dlerror();
  auto install = reinterpret_cast<PluginInstallFunction>(dlsym(module_.get(), kPluginInstallName));
  if (!install) {
    ReportConstructionError(errorText, errorCode, kNoInstall,
                            L"DLLData: 'Install' entry point not found.");
    return;
  }
  getValue_ = reinterpret_cast<PluginGetValueFunction>(dlsym(module_.get(), kPluginGetValueName));
  if (!getValue_) {
    ReportConstructionError(errorText, errorCode, kNoGetValue,
                            L"DLLData: 'GetValue' entry point not found.");
    return;
  }
  install(parameter.c_str());
  ready = 1;
}

std::wstring PluginData::Value(std::wstring* /*format*/) {
  if (!ready || !getValue_) return std::wstring();
  const wchar_t* text = getValue_(0);
  return text ? std::wstring(text) : std::wstring();
}

IGenerator* PluginData::Make(const GeneratorCall& call) {
  return new (std::nothrow) PluginData(call.args, call.errorText, call.errorCode);
}
