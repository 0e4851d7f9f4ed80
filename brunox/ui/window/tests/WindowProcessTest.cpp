// The program started in window mode as a user starts it, in a process of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

namespace {

using namespace std::chrono_literals;

// Reads or writes the settings of a program run as that program sees them.
class RunSettings {
 public:
  explicit RunSettings(const WindowProcess& run) {
    const char* own = std::getenv("BRUNOX_CONFIG_DIR");
    if (own) own_ = own;
    setenv("BRUNOX_CONFIG_DIR", run.ConfigFolder().c_str(), 1);
    settings_ = std::make_unique<CSettings>();
    settings_->LoadData();
  }
  ~RunSettings() {
    settings_.reset();
    if (own_.empty()) unsetenv("BRUNOX_CONFIG_DIR");
    else setenv("BRUNOX_CONFIG_DIR", own_.c_str(), 1);
  }
  CSettings* operator->() { return settings_.get(); }

 private:
  std::string own_;
  std::unique_ptr<CSettings> settings_;
};

// A project that runs at once (-r -q): its exit status 0 tells that it was the one opened.
std::wstring RunnableProject(const std::wstring& name) {
  Project project;
  project.Tasks = {apptest::MakeTask(L"SELECT 1", 1, 1)};
  return apptest::WriteSqliteProject(name, project);
}

// brunox -r -q -@<profile> <named>, with `last` as the setting LastFile; the profile connects.
std::unique_ptr<WindowProcess> StartNamed(const std::wstring& named, const std::wstring& last) {
  const std::string profile = platform::ToUtf8(last);
  auto brunox = std::make_unique<WindowProcess>(
      std::vector<std::string>{"-r", "-q", "-@" + profile, platform::ToUtf8(named)},
      std::vector<std::string>{"QT_QPA_PLATFORM=offscreen"});
  {
    RunSettings settings(*brunox);
    settings->setStr(kStoreMain, L"LastFile", last);
    settings->SaveData(0);
  }
  brunox->Start();
  return brunox;
}

TEST(WindowProcess, MissingNamedProjectStartsUntitledAndSaysSo) {
  const std::wstring last = RunnableProject(L"last.bxp");
  const std::wstring missing = testsupport::NewScratchPath(L"missing.bxp");
  auto brunox = StartNamed(missing, last);
  // The empty untitled project is refused by the run, where the last project would have run.
  EXPECT_EQ(1, brunox->Wait(120s)) << brunox->Err();
  EXPECT_NE(std::string::npos,
            brunox->Err().find("Project file '" + platform::ToUtf8(missing) + "' not found."))
      << brunox->Err();
  EXPECT_NE(std::string::npos, brunox->Err().find("Your test project is empty")) << brunox->Err();
}

TEST(WindowProcess, ValueFileNamedAsProjectIsRefusedAndLeftAlone) {
  const std::wstring last = RunnableProject(L"last.bxp");
  const std::wstring values = testsupport::NewScratchPath(L"cities.txt");
  const std::string content = "Berlin\nParis\nRome\n";
  ASSERT_TRUE(platform::WriteFileBytes(values, content));
  auto brunox = StartNamed(values, last);
  EXPECT_EQ(1, brunox->Wait(120s)) << brunox->Err();
  EXPECT_NE(std::string::npos,
            brunox->Err().find("'" + platform::ToUtf8(values) + "' is not a project file"))
      << brunox->Err();
  std::string after;
  ASSERT_TRUE(platform::ReadFileBytes(values, after));
  EXPECT_EQ(content, after);
  // The window closed on an untitled project: the value file is not the next start's project.
  RunSettings settings(*brunox);
  EXPECT_NE(values, settings->getStr(kStoreMain, L"LastFile"));
}

TEST(WindowProcess, WithoutDisplaySaysHowToGetOneAndFails) {
  WindowProcess brunox({"-x"}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  brunox.Start();
  const int status = brunox.Wait(60s);
  EXPECT_NE(0, status);
  EXPECT_NE(-1, status);
  EXPECT_NE(std::string::npos,
            brunox.Err().find("brunox needs a display for its window (set DISPLAY, or "
                              "QT_QPA_PLATFORM=offscreen), or run a project in console mode: "
                              "brunox -c project.bxp"))
      << brunox.Err();
}

TEST(WindowProcess, OffscreenWindowKeepsRunningWithTheProject) {
  WindowProcess brunox({"-x", BRUNOX_EXAMPLES_DIR "/minimal/minimal.bxp"},
                       {"QT_QPA_PLATFORM=offscreen"});
  brunox.Start();
  EXPECT_EQ(-1, brunox.Wait(2s)) << brunox.Err();
  // The destructor ends it.
}

}  // namespace
