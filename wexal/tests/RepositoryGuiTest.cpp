// The repository back end driven as a host window drives it: through the GUI operations, with
// the check dialog answered by the test and the messages recorded, on a real SQLite file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"
#include "wexal/CheckDialogModel.h"
#include "wexal/WexalApi.h"
#include "wexal/vssCheckDlg.h"
#include "wexal/wexalREPOSITORY.h"

namespace {

using testsupport::RecordingUi;

// The user at the check dialog: picks a listed entry (or types a file) and writes a comment.
class UserAtDialog : public wexal::CheckDialogRunner {
 public:
  UserAtDialog() : previous_(wexal::SetCheckDialogRunner(this)) {}
  ~UserAtDialog() override { wexal::SetCheckDialogRunner(previous_); }

  std::wstring pick;  // the entry to select; "" selects none
  std::wstring typed;
  std::wstring comment;
  std::vector<std::wstring> shownEntries;
  std::wstring shownTitle;

  bool Run(wexal::CheckDialogModel& model, QWidget*) override {
    model.Initialize();
    shownEntries = model.Entries();
    shownTitle = model.Title();
    model.selection = -1;
    for (std::size_t i = 0; i < shownEntries.size(); ++i)
      if (!pick.empty() && shownEntries[i] == pick) model.selection = static_cast<int>(i);
    model.fileEditText = typed;
    model.comment = comment;
    return model.Accept();
  }

 private:
  wexal::CheckDialogRunner* previous_;
};

// The host's version-control menu.
class Menu : public wexal::HostMenu {
 public:
  void Enable(int id, bool enabled) override { state[id] = enabled ? 1 : 0; }
  std::map<int, int> state;  // absent: never touched
};

class RepositoryGuiTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = platform::FolderPart(testsupport::NewScratchPath(L"work"));
    info_.Kind = CONN_STRING;
    info_.ConnString = testsupport::SqliteConnString(testsupport::NewScratchPath(L"rep.db"));
    ASSERT_EQ(repo_.AssignDB(&info_), 0);
    repo_.user = L"alice";
    repo_.localFolder = folder_;
  }
  std::wstring Local(const std::wstring& name) const { return folder_ + L"/" + name; }
  static std::string Bytes(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(platform::ReadFileBytes(path, bytes));
    return bytes;
  }
  static std::string Text(const std::wstring& s) { return platform::ToUtf8(s); }

  // The host's "Add file" command: it runs the add dialog itself, then hands it over.
  void AddThroughHost(wexalREPOSITORY& repo, const std::wstring& name, const std::wstring& note) {
    dialog_.typed = name;
    dialog_.comment = note;
    wexal::CheckDialogModel add(&repo, VSS_ADD);
    ASSERT_TRUE(wexal::CurrentCheckDialogRunner().Run(add, nullptr));
    std::wstring unused;
    repo.GUI_AddItem(&unused, nullptr, &add);
  }

  RecordingUi ui_;
  UserAtDialog dialog_;
  std::wstring folder_;
  CONN_INFO info_;
  wexalREPOSITORY repo_;
};

TEST_F(RepositoryGuiTest, AddCheckOutChangeCheckInAndSeeTheHistory) {
  // Without tables the back end is not ready, and the host's menu stays as it was.
  Menu menu;
  repo_.GUI_EnableMenu(L"a.sql", &menu);
  EXPECT_TRUE(menu.state.empty());
  ASSERT_EQ(repo_.Create(), 0) << Text(repo_.error);

  ASSERT_TRUE(platform::WriteFileBytes(Local(L"a.sql"), "select 1;\n"));
  AddThroughHost(repo_, L"a.sql", L"first draft");
  EXPECT_TRUE(ui_.messages.empty()) << Text(ui_.messages[0].text);

  repo_.GUI_EnableMenu(L"a.sql", &menu);
  EXPECT_EQ(menu.state, (std::map<int, int>{{wexal::kCheckOutFileCommand, 1},
                                            {wexal::kUndoCheckOutFileCommand, 1},
                                            {wexal::kCheckInFileCommand, 0},
                                            {wexal::kAddFileCommand, 1}}));

  // Check-out lists the repository's files with their versions.
  dialog_.pick = L"a.sql [1]";
  std::wstring file;
  ASSERT_EQ(repo_.GUI_CheckOut(&file, nullptr), 1) << Text(repo_.error);
  EXPECT_EQ(dialog_.shownTitle, L"Checkout File");
  EXPECT_EQ(dialog_.shownEntries, std::vector<std::wstring>{L"a.sql [1]"});
  EXPECT_EQ(file, L"a.sql");
  EXPECT_EQ(Bytes(Local(L"a.sql")), "select 1;\n");
  repo_.GUI_EnableMenu(file.c_str(), &menu);
  EXPECT_EQ(menu.state[wexal::kCheckInFileCommand], 1);

  ASSERT_TRUE(platform::WriteFileBytes(Local(L"a.sql"), "select 2;\n"));
  dialog_.comment = L"second draft";
  repo_.GUI_CheckIn(&file, nullptr);
  EXPECT_TRUE(ui_.messages.empty()) << Text(ui_.messages[0].text);
  EXPECT_EQ(dialog_.shownTitle, L"Checkin File");
  EXPECT_EQ(repo_.IsCheckedOut(L"a.sql"), 0);

  ROneProject history;
  history.fileName = L"a.sql";
  ASSERT_EQ(repo_.LoadVersions(&history), 0) << Text(repo_.error);
  ASSERT_EQ(history.versions.size(), 2u);
  EXPECT_EQ(history.versions[0].note, L"first draft");
  EXPECT_EQ(history.versions[1].note, L"second draft");
  EXPECT_EQ(history.versions[1].author, L"alice");

  // The next check-out offers version 2; the undo brings back its text.
  dialog_.pick = L"a.sql [2]";
  ASSERT_EQ(repo_.GUI_CheckOut(&file, nullptr), 1);
  ASSERT_TRUE(platform::WriteFileBytes(Local(L"a.sql"), "oops"));
  repo_.GUI_UndoCheckOut(&file, nullptr);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(Bytes(Local(L"a.sql")), "select 2;\n");
  // The host connection the back end made itself is not left connected.
  EXPECT_FALSE(repo_.Connection()->IsConnected());
}

TEST_F(RepositoryGuiTest, TheUserIsToldWhyAnOperationWasRefused) {
  ASSERT_EQ(repo_.Create(), 0) << Text(repo_.error);
  std::wstring file = L"a.sql";
  repo_.GUI_CheckIn(&file, nullptr);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"File 'a.sql' is not checked out.");
  EXPECT_EQ(ui_.messages[0].caption, L"Warning!");

  // Adding a file that does not exist names it.
  ui_.messages.clear();
  AddThroughHost(repo_, L"a.sql", L"");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].caption, L"Error");
  EXPECT_NE(ui_.messages[0].text.find(L"a.sql"), std::wstring::npos);

  ui_.messages.clear();
  ASSERT_TRUE(platform::WriteFileBytes(Local(L"a.sql"), "x"));
  AddThroughHost(repo_, L"a.sql", L"");
  AddThroughHost(repo_, L"a.sql", L"");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"The file 'a.sql' is already in the repository.");

  // Bob's window cannot take the file alice holds.
  dialog_.pick = L"a.sql [1]";
  ASSERT_EQ(repo_.GUI_CheckOut(&file, nullptr), 1);
  wexalREPOSITORY bob;
  ASSERT_EQ(bob.AssignDB(&info_), 0);
  bob.user = L"bob";
  bob.localFolder = platform::FolderPart(testsupport::NewScratchPath(L"bob"));
  ui_.messages.clear();
  EXPECT_EQ(bob.GUI_CheckOut(&file, nullptr), 0);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"The file 'a.sql' is already checked out by alice.");
  EXPECT_EQ(ui_.messages[0].caption, L"Error!");
  ui_.messages.clear();
  bob.GUI_UndoCheckOut(&file, nullptr);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"The file 'a.sql' is checked out by alice.");
}

// The real check-out dialog over the repository: its list shows the files and their versions.
TEST_F(RepositoryGuiTest, TheCheckOutDialogListsTheRepositorysFiles) {
  wexal::SetCheckDialogRunner(nullptr);  // the real dialog for this test; restored on teardown
  ASSERT_EQ(repo_.Create(), 0) << Text(repo_.error);
  for (const wchar_t* name : {L"orders.sql", L"customers.sql"}) {
    ASSERT_TRUE(platform::WriteFileBytes(Local(name), "select 1;"));
    ASSERT_EQ(repo_.AddItem(name, L""), 0) << Text(repo_.error);
  }
  vssCheckDlg dialog(nullptr, &repo_, VSS_CHECKOUT);
  dialog.Prepare();
  QComboBox* combo = dialog.ItemCombo();
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("customers.sql [1]"));
  EXPECT_EQ(combo->itemText(1), QStringLiteral("orders.sql [1]"));
  dialog.show();
  combo->setCurrentIndex(1);  // the user picks a file
  testsupport::SaveScreenshot(dialog, QStringLiteral("wexal_repository_checkout"));
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.Model().chosenFile, L"orders.sql");
  EXPECT_FALSE(repo_.Connection()->IsConnected());
}

}  // namespace
