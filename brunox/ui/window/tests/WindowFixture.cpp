#include "brunox/ui/window/tests/WindowFixture.h"

#include <QApplication>
#include <cstdlib>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/TestEnv.h"

void WindowTest::SetUp() {
  // Every test starts as a first program start: its own settings and layout files.
  configFolder = platform::FolderPart(testsupport::NewScratchPath(L"config"));
  setenv("BRUNOX_CONFIG_DIR", platform::ToUtf8(configFolder).c_str(), 1);
  g_project = Project();
  g_settings = new CSettings();
  g_settings->LoadData();
  g_runner = new BrunoxRunner();
  g_mainDB = CDB::newDB(0);
  app = std::make_unique<CBrunoxApp>();
  app->Initialize(g_settings->GetMainSettings(), L"Ovra DB Brunox");
}

void WindowTest::TearDown() {
  g_project.Saved = 1;  // no question from a window that goes away with the test
  window.reset();
  delete g_mainDB;
  g_mainDB = nullptr;
  delete g_runner;
  g_runner = nullptr;
  app->Terminate();
  app.reset();
  delete g_settings;
  g_settings = nullptr;
  g_project = Project();
}

CBrunoxDlg& WindowTest::OpenWindow() {
  window = std::make_unique<CBrunoxDlg>(*app);
  window->show();
  window->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  Settle();
  return *window;
}

void WindowTest::ConnectSqlite() {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(
      platform::FolderPart(testsupport::NewScratchPath(L"db")) + L"/main.sqlite");
  ASSERT_TRUE(CDB::isOK(g_mainDB->OpenConnection(&info))) << g_mainDB->ErrorText;
  if (window) window->UpdateStatus();
}

RecordingPage& WindowTest::Instrument(int index) {
  auto page = std::make_unique<RecordingPage>();
  RecordingPage& ref = *page;
  window->InstallPage(index, std::move(page));
  return ref;
}

std::wstring WindowTest::StoredSetting(const std::wstring& key) {
  CSettings later;
  later.LoadData();
  return later.getStr(kStoreMain, key);
}
