#pragma once
// A main window on the offscreen platform with the program's globals set up as window mode sets
// them: fresh settings in a private folder, the main connection object, the runner, an empty
// project. Messages go to a RecordingUi unless a test installs the Qt services.
#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/ui/window/BrunoxDlg.h"
#include "brunox/ui/common/TitledPage.h"
#include "testsupport/ProgramRun.h"
#include "testsupport/RecordingUi.h"

// A page that records what the window asks of it.
class RecordingPage : public CTitledPage {
 public:
  explicit RecordingPage(const QString& caption = QStringLiteral("Recording"))
      : CTitledPage(caption) {
    setFocusPolicy(Qt::StrongFocus);
  }
  void LoadFromProject() override { ++loads; }
  void StoreToProject() override {
    ++stores;
    if (onStore) onStore();
  }
  bool HandleCommand(int id) override {
    commands.push_back(id);
    return true;
  }
  int loads = 0;
  int stores = 0;
  std::vector<int> commands;
  std::vector<int> keys;
  std::function<void()> onStore;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    keys.push_back(event->key());
    CTitledPage::keyPressEvent(event);
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the window (start project, start timer) and shows it.
  CBrunoxDlg& OpenWindow();
  // Lets the start timer and posted commands run.
  static void Settle(int ms = 50) { QTest::qWait(ms); }
  // Connects the main connection to a fresh SQLite file.
  void ConnectSqlite();
  // Replaces page `index` with a recording page and returns it.
  RecordingPage& Instrument(int index);
  // The settings as a later program start would read them.
  static std::wstring StoredSetting(const std::wstring& key);

  testsupport::RecordingUi ui;
  std::unique_ptr<CBrunoxApp> app;
  std::unique_ptr<CBrunoxDlg> window;
  std::wstring configFolder;
};

// The program started as a user starts it, in a process of its own with its own settings and
// state folders; ended (killed) with the object when it still runs.
class WindowProcess : public testsupport::ProgramRun {
 public:
  // `environment` entries replace the test's own of the same name; a name without '=' removes it.
  WindowProcess(std::vector<std::string> args, std::vector<std::string> environment)
      : ProgramRun(BRUNOX_EXE, std::move(args), std::move(environment)) {}
};
