// The SourceSafe setup dialog: its model's buttons and checks, Cancel giving the back end its
// old settings back, and the dialog itself driven through its widgets.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cstdlib>
#include <fstream>

#include "InMemoryVssProvider.h"
#include "platform/Text.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"
#include "wexal/SetupDialogModel.h"
#include "wexal/vssSetupDlg.h"
#include "wexal/wexalVSS.h"

namespace {

using wexaltest::SampleStore;
using wexaltest::ScopedVssProvider;

// An existing database file and a settings file naming its folder as the default database.
struct DatabaseOnDisk {
  std::wstring ini = testsupport::NewScratchPath(L"srcsafe.ini");
  std::wstring folder = ini.substr(0, ini.rfind(L'/'));
  std::wstring settings = testsupport::NewScratchPath(L"wexal.ini");
  std::string oldSettings;
  bool hadSettings = false;

  DatabaseOnDisk() {
    std::ofstream(platform::ToUtf8(ini)) << "[ss]\n";
    std::ofstream(platform::ToUtf8(settings))
        << "[SOFTWARE\\Microsoft\\SourceSafe]\nAPI Current Database=" << platform::ToUtf8(folder)
        << "\n";
    if (const char* old = std::getenv("WEXAL_SETTINGS")) {
      hadSettings = true;
      oldSettings = old;
    }
    setenv("WEXAL_SETTINGS", platform::ToUtf8(settings).c_str(), 1);
  }
  ~DatabaseOnDisk() {
    if (hadSettings)
      setenv("WEXAL_SETTINGS", oldSettings.c_str(), 1);
    else
      unsetenv("WEXAL_SETTINGS");
  }
};

std::shared_ptr<wexaltest::MemStore> StoreFor(const DatabaseOnDisk& db) {
  auto store = SampleStore();
  store->iniPath = db.ini;
  return store;
}

TEST(VssSetup, StartsFromTheBackEndAndFillsAnEmptyDatabaseFromTheDefault) {
  testsupport::RecordingUi ui;
  DatabaseOnDisk db;
  wexalVSS vss;
  vss.Settings(L"", L"alice", L"secret", L"$/Proj", L"/work/src");
  wexal::SetupDialogModel model(vss);
  EXPECT_EQ(model.fields.databaseFile, db.ini);
  EXPECT_EQ(model.fields.user, L"alice");
  EXPECT_EQ(model.fields.project, L"$/Proj");
  EXPECT_EQ(model.fields.localFolder, L"/work/src");

  vss.Settings(L"/elsewhere/srcsafe.ini", L"bob", L"", L"", L"");
  wexal::SetupDialogModel kept(vss);
  EXPECT_EQ(kept.fields.databaseFile, L"/elsewhere/srcsafe.ini");
}

TEST(VssSetup, OkChecksUserLocalFolderAndDatabaseFileInThatOrder) {
  testsupport::RecordingUi ui;
  DatabaseOnDisk db;
  wexalVSS vss;
  wexal::SetupDialogModel model(vss);
  model.fields = {L"/no/such/srcsafe.ini", L"", L"pw", L"", L"$/Proj"};
  EXPECT_FALSE(model.Accept());
  model.fields.user = L"alice";
  EXPECT_FALSE(model.Accept());
  model.fields.localFolder = L"/work/src";
  EXPECT_FALSE(model.Accept());
  model.fields.databaseFile = db.folder;  // a folder is no database file
  EXPECT_FALSE(model.Accept());
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0].text, L"User name must be specified.");
  EXPECT_EQ(ui.messages[1].text, L"Local folder must be specified.");
  EXPECT_EQ(ui.messages[2].text, L"Specified VSS.INI does not exist.");
  EXPECT_EQ(ui.messages[3].text, L"Specified VSS.INI does not exist.");
  for (const auto& m : ui.messages) EXPECT_EQ(m.caption, L"Error");
  EXPECT_EQ(vss.user, L"");  // nothing applied while the checks fail

  model.fields.databaseFile = db.ini;
  EXPECT_TRUE(model.Accept());
  EXPECT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(vss.DatabaseFile(), db.ini);
  EXPECT_EQ(vss.user, L"alice");
  EXPECT_EQ(vss.password, L"pw");
  EXPECT_EQ(vss.Project(), L"$/Proj");
  EXPECT_EQ(vss.localFolder, L"/work/src");
}

TEST(VssSetup, FillProjectsAndTestReportFailuresWithTheirCaptions) {
  testsupport::RecordingUi ui;
  DatabaseOnDisk db;
  wexalVSS vss;  // no server registered
  wexal::SetupDialogModel model(vss);
  model.fields.user = L"alice";
  EXPECT_FALSE(model.FillProjects());
  EXPECT_FALSE(model.Test());
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].caption, L"VSS error");
  EXPECT_EQ(ui.messages[0].text,
            L"INIT: CLSIDFromProgID error\n [-2147221164, Class not registered].");
  EXPECT_EQ(ui.messages[1].caption, L"Connection error!");

  auto store = StoreFor(db);
  ScopedVssProvider server(store);
  wexalVSS reachable;
  wexal::SetupDialogModel bad(reachable);
  bad.fields.password = L"wrong";
  EXPECT_FALSE(bad.Test());
  EXPECT_EQ(ui.messages.back().caption, L"Connection error!");
  EXPECT_EQ(ui.messages.back().text,
            L"OPEN: Error while opening database [-2147166519, Invalid password].");
  bad.fields.password = L"secret";
  bad.fields.project = L"$/Nope";
  EXPECT_FALSE(bad.Test());
  EXPECT_EQ(ui.messages.back().text,
            L"OPEN: Get project item error [-2147166577, File or project not found].");
}

TEST(VssSetup, FillProjectsAndTestSucceedAndCancelRestoresTheSettings) {
  testsupport::RecordingUi ui;
  DatabaseOnDisk db;
  auto store = StoreFor(db);
  ScopedVssProvider server(store);
  wexalVSS vss;
  vss.Settings(L"/old/srcsafe.ini", L"old", L"oldpw", L"$/Old", L"/old/src");
  wexal::SetupDialogModel model(vss);
  model.fields = {db.ini, L"alice", L"secret", L"/work/src", L""};

  ASSERT_TRUE(model.FillProjects());
  EXPECT_EQ(model.projects, (std::vector<std::wstring>{L"$/Proj", L"$/Other"}));
  EXPECT_FALSE(vss.IsOpen());
  EXPECT_EQ(store->live, 0);

  model.fields.project = L"$/Other";
  ASSERT_TRUE(model.Test());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"TEST COMPLETE SUCCESSFULLY!");
  EXPECT_EQ(ui.messages[0].caption, L"VSS");
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Information);
  EXPECT_EQ(vss.Project(), L"$/Other");  // the test tried the dialog's settings

  model.Cancel();
  EXPECT_EQ(vss.DatabaseFile(), L"/old/srcsafe.ini");
  EXPECT_EQ(vss.user, L"old");
  EXPECT_EQ(vss.password, L"oldpw");
  EXPECT_EQ(vss.Project(), L"$/Old");
  EXPECT_EQ(vss.localFolder, L"/old/src");
}

TEST(VssSetup, BrowseButtonsTakeTheChosenFileAndFolder) {
  testsupport::RecordingUi ui;
  wexalVSS vss;
  vss.Settings(L"/a/srcsafe.ini", L"u", L"", L"", L"/start");
  wexal::SetupDialogModel model(vss);
  EXPECT_FALSE(model.BrowseDatabase());  // cancelled: unchanged
  EXPECT_EQ(model.fields.databaseFile, L"/a/srcsafe.ini");
  ui.fileChoices.push_back(L"/b/srcsafe.ini");
  EXPECT_TRUE(model.BrowseDatabase());
  EXPECT_EQ(model.fields.databaseFile, L"/b/srcsafe.ini");

  EXPECT_FALSE(model.BrowseLocalFolder());
  EXPECT_EQ(model.fields.localFolder, L"/start");
  ui.folderChoices.push_back(L"/chosen");
  EXPECT_TRUE(model.BrowseLocalFolder());
  EXPECT_EQ(model.fields.localFolder, L"/chosen");
  EXPECT_EQ(ui.folderTitles, (std::vector<std::wstring>{L"Local Folder", L"Local Folder"}));
}

TEST(VssSetupDialog, ButtonsDriveTheModelAndCancelLeavesTheBackEndAlone) {
  testsupport::RecordingUi ui;
  DatabaseOnDisk db;
  auto store = StoreFor(db);
  ScopedVssProvider server(store);
  wexalVSS vss;
  vss.Settings(L"", L"alice", L"secret", L"", L"/work/src");

  vssSetupDlg dialog(nullptr, &vss);
  auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("databaseFile"));
  auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("password"));
  auto* project = dialog.findChild<QComboBox*>(QStringLiteral("project"));
  auto* fill = dialog.findChild<QPushButton*>(QStringLiteral("fillProjects"));
  ASSERT_TRUE(file && password && project && fill);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Visual Source Safe Configuration"));
  EXPECT_EQ(file->text().toStdWString(), db.ini);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);

  fill->click();
  ASSERT_EQ(project->count(), 2);
  EXPECT_EQ(project->itemText(0), QStringLiteral("$/Proj"));
  project->setCurrentIndex(1);
  dialog.show();
  EXPECT_FALSE(testsupport::SaveScreenshot(dialog, QStringLiteral("wexal_vss_setup")).isEmpty());

  dialog.reject();
  EXPECT_EQ(vss.DatabaseFile(), L"");
  EXPECT_EQ(vss.localFolder, L"/work/src");
  EXPECT_TRUE(ui.messages.empty());
}

TEST(VssSetupDialog, OkStaysOpenUntilTheFieldsAreValid) {
  testsupport::RecordingUi ui;
  DatabaseOnDisk db;
  wexalVSS vss;
  vss.Settings(L"", L"", L"", L"", L"");
  vssSetupDlg dialog(nullptr, &vss);
  dialog.show();
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(ui.Saw(L"User name must be specified."));

  dialog.findChild<QLineEdit*>(QStringLiteral("user"))->setText(QStringLiteral("alice"));
  dialog.findChild<QLineEdit*>(QStringLiteral("localFolder"))->setText(QStringLiteral("/w"));
  dialog.accept();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Fields().databaseFile, db.ini);
  EXPECT_EQ(vss.user, L"alice");
  EXPECT_EQ(vss.localFolder, L"/w");
}

}  // namespace
