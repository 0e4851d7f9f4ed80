#pragma once
// Shared pieces of the engine tests: a private settings folder per test, a scripted stand-in for
// the person at the screen, and a project with every saved field set.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "platform/UiServices.h"
#include "testsupport/RecordingUi.h"

namespace enginetest {

// Each test gets an empty settings folder and no global settings; both are undone afterwards.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates g_settings (owned by the fixture until TearDown).
  CSettings& MakeGlobalSettings();
  // Points the settings folder at another empty folder, as if on another machine.
  void UseFreshSettingsFolder();
  std::wstring configFolder_;

 private:
  std::string oldConfigDir_;
  bool hadConfigDir_ = false;
};

// The shared scripted UI, also keeping what each save-file dialog was asked to show.
class ScriptedUi : public testsupport::RecordingUi {
 public:
  std::vector<platform::FileDialogRequest> saveDialogs;
  bool SaveFileDialog(const platform::FileDialogRequest& request, std::wstring& path) override {
    saveDialogs.push_back(request);
    return RecordingUi::SaveFileDialog(request, path);
  }
};

// A project with every saved field away from its defaults: three tasks (parameters, own
// connection, multi-line scripts), five counter slots, comparison reports, a default connection.
Project MakeFullProject();

// One field a person edits, and a change to it.
struct TaskFieldChange {
  const wchar_t* field;
  void (*change)(Task&);
};
// Every field of a task kept in the project file (parameters as "Params.size" and
// "Params[0].<field>").
const std::vector<TaskFieldChange>& TaskFieldChanges();

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace enginetest
