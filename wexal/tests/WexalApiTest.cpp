// The GUI operations over a scripted back end: which back-end calls they make, in which order,
// and what the user is told.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "testsupport/RecordingUi.h"
#include "wexal/CheckDialogModel.h"
#include "wexal/WexalApi.h"
#include "wexal/tests/FakeBackend.h"

namespace {

using testsupport::RecordingUi;
using wexal_test::FakeBackend;

// Answers the check dialog as a user would: picks an entry or types a file, writes a comment.
class ScriptedRunner : public wexal::CheckDialogRunner {
 public:
  ScriptedRunner() : previous_(wexal::SetCheckDialogRunner(this)) {}
  ~ScriptedRunner() override { wexal::SetCheckDialogRunner(previous_); }

  bool confirm = true;
  int select = -2;  // -2: leave the selection as the dialog set it
  std::wstring typed;
  std::wstring comment = L"my comment";
  int runs = 0;
  VSS_OPER lastMode = VSS_ADD;
  std::vector<std::wstring> lastEntries;
  std::wstring lastTitle;
  bool wasInitialized = false;

  bool Run(wexal::CheckDialogModel& model, QWidget*) override {
    ++runs;
    lastMode = model.Mode();
    wasInitialized = model.Initialized();
    model.Initialize();
    lastEntries = model.Entries();
    lastTitle = model.Title();
    if (!confirm) return false;
    if (select != -2) model.selection = select;
    model.fileEditText = typed;
    model.comment = comment;
    return model.Accept();
  }

 private:
  wexal::CheckDialogRunner* previous_;
};

using Calls = std::vector<std::wstring>;

TEST(WexalLocalFile, JoinsRelativeNamesOnlyAndNeverDoublesTheFolder) {
  FakeBackend api;
  EXPECT_EQ(api.LocalFile(L"a.sql"), L"a.sql");
  api.localFolder = L"/work/project";
  EXPECT_EQ(api.LocalFile(L"a.sql"), L"/work/project/a.sql");
  EXPECT_EQ(api.LocalFile(L"sub/a.sql"), L"/work/project/sub/a.sql");
  EXPECT_EQ(api.LocalFile(L"/work/project/a.sql"), L"/work/project/a.sql");
  EXPECT_EQ(api.LocalFile(L"/elsewhere/a.sql"), L"/elsewhere/a.sql");
  api.localFolder = L"/work/project/";
  EXPECT_EQ(api.LocalFile(L"a.sql"), L"/work/project/a.sql");
  // Each call gives its own text; an earlier result is not overwritten.
  const std::wstring first = api.LocalFile(L"one");
  const std::wstring second = api.LocalFile(L"two");
  EXPECT_EQ(first, L"/work/project/one");
  EXPECT_EQ(second, L"/work/project/two");
}

TEST(WexalGuiCheckIn, ChecksInWithTheDialogsCommentAndCloses) {
  RecordingUi ui;
  ScriptedRunner runner;
  FakeBackend api;
  std::wstring file = L"/work/project/a.sql";
  api.GUI_CheckIn(&file, nullptr);
  EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut /work/project/a.sql", L"Open",
                              L"CheckIn /work/project/a.sql|my comment", L"Close"}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(runner.lastMode, VSS_CHECKIN);
  EXPECT_TRUE(runner.wasInitialized);
  EXPECT_EQ(runner.lastEntries, (Calls{L"/work/project/a.sql"}));
  EXPECT_EQ(runner.lastTitle, L"Checkin File");
}

TEST(WexalGuiCheckIn, NotCheckedOutWarnsAndOpensNothing) {
  RecordingUi ui;
  ScriptedRunner runner;
  FakeBackend api;
  api.checkedOut = 0;
  std::wstring file = L"a.sql";
  api.GUI_CheckIn(&file, nullptr);
  EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut a.sql"}));
  EXPECT_EQ(runner.runs, 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"File 'a.sql' is not checked out.");
  EXPECT_EQ(ui.messages[0].caption, L"Warning!");
}

TEST(WexalGuiCheckIn, CheckedOutErrorShowsTheErrorAndStops) {
  RecordingUi ui;
  ScriptedRunner runner;
  FakeBackend api;
  api.checkedOut = -1;
  api.failText = L"lost the server";
  std::wstring file = L"a.sql";
  api.GUI_CheckIn(&file, nullptr);
  EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut a.sql"}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"lost the server (IsCheckedOut a.sql)");
  EXPECT_EQ(ui.messages[0].caption, L"Error");
  EXPECT_EQ(ui.messages[0].icon, platform::MsgIcon::Error);
}

TEST(WexalGuiCheckIn, OpenFailureCancelAndCheckInFailure) {
  {
    RecordingUi ui;
    ScriptedRunner runner;
    FakeBackend api;
    api.openResult = -2;
    std::wstring file = L"a.sql";
    api.GUI_CheckIn(&file, nullptr);
    EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut a.sql", L"Open"}));
    EXPECT_EQ(runner.runs, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"back end failed (Open)");
    EXPECT_EQ(ui.messages[0].caption, L"Error");
  }
  {
    RecordingUi ui;
    ScriptedRunner runner;
    runner.confirm = false;
    FakeBackend api;
    std::wstring file = L"a.sql";
    api.GUI_CheckIn(&file, nullptr);
    EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut a.sql", L"Open", L"Close"}));
    EXPECT_TRUE(ui.messages.empty());
  }
  {
    RecordingUi ui;
    ScriptedRunner runner;
    FakeBackend api;
    api.checkInResult = 7;
    std::wstring file = L"a.sql";
    api.GUI_CheckIn(&file, nullptr);
    EXPECT_EQ(api.calls.back(), L"Close");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"back end failed (CheckIn a.sql|my comment)");
    EXPECT_EQ(ui.messages[0].caption, L"Error");
  }
}

TEST(WexalGuiCheckOut, ListsTheProjectAndChecksOutTheChosenItem) {
  RecordingUi ui;
  ScriptedRunner runner;
  runner.select = 1;
  runner.comment = L"";
  FakeBackend api;
  api.items = {{L"a.sql", 0, 3}, {L"old.sql", 1, 2}, {L"b name.sql", 0, 12}};
  std::wstring file;
  EXPECT_EQ(api.GUI_CheckOut(&file, nullptr), 1);
  EXPECT_EQ(file, L"b name.sql");
  EXPECT_EQ(runner.lastMode, VSS_CHECKOUT);
  EXPECT_EQ(runner.lastTitle, L"Checkout File");
  EXPECT_EQ(runner.lastEntries, (Calls{L"a.sql [3]", L"b name.sql [12]"}));
  EXPECT_EQ(api.calls, (Calls{L"Init", L"Open", L"Items", L"Close", L"Open",
                              L"CheckOutItem b name.sql|", L"Close"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(WexalGuiCheckOut, EmptyProjectTakesTheTypedName) {
  RecordingUi ui;
  ScriptedRunner runner;
  runner.typed = L"typed.sql";
  FakeBackend api;
  std::wstring file;
  EXPECT_EQ(api.GUI_CheckOut(&file, nullptr), 1);
  EXPECT_EQ(file, L"typed.sql");
  EXPECT_TRUE(api.Called(L"CheckOutItem typed.sql|my comment"));
}

TEST(WexalGuiCheckOut, CancelOpenFailureAndCheckOutFailureGiveZero) {
  {
    RecordingUi ui;
    ScriptedRunner runner;
    runner.confirm = false;
    FakeBackend api;
    std::wstring file = L"unchanged";
    EXPECT_EQ(api.GUI_CheckOut(&file, nullptr), 0);
    EXPECT_EQ(file, L"unchanged");
    EXPECT_EQ(api.calls, (Calls{L"Init", L"Open", L"Items", L"Close"}));
    EXPECT_TRUE(ui.messages.empty());
  }
  {
    // Nothing chosen ends the dialog as cancelled.
    RecordingUi ui;
    ScriptedRunner runner;
    FakeBackend api;
    std::wstring file;
    EXPECT_EQ(api.GUI_CheckOut(&file, nullptr), 0);
    EXPECT_FALSE(api.Called(L"CheckOutItem |my comment"));
  }
  {
    RecordingUi ui;
    ScriptedRunner runner;
    runner.typed = L"x.sql";
    FakeBackend api;
    api.openResult = -4;
    std::wstring file;
    EXPECT_EQ(api.GUI_CheckOut(&file, nullptr), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, L"Error");
    EXPECT_EQ(api.calls.back(), L"Open");
  }
  {
    RecordingUi ui;
    ScriptedRunner runner;
    runner.typed = L"x.sql";
    FakeBackend api;
    api.checkOutResult = -1;
    std::wstring file;
    EXPECT_EQ(api.GUI_CheckOut(&file, nullptr), 0);
    EXPECT_TRUE(file.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"back end failed (CheckOutItem x.sql|my comment)");
    EXPECT_EQ(ui.messages[0].caption, L"Error!");
    EXPECT_EQ(api.calls.back(), L"Close");
  }
}

TEST(WexalGuiAddItem, AddsTheDialogsFileAndComment) {
  RecordingUi ui;
  FakeBackend api;
  wexal::CheckDialogModel dialog(&api, VSS_ADD);
  dialog.Initialize();
  dialog.fileEditText = L"new.sql";
  dialog.comment = L"first version";
  ASSERT_TRUE(dialog.Accept());
  std::wstring ignored = L"not used";
  api.GUI_AddItem(&ignored, nullptr, &dialog);
  EXPECT_EQ(api.calls, (Calls{L"Open", L"AddItem new.sql|first version", L"Close"}));
  EXPECT_TRUE(ui.messages.empty());

  FakeBackend failing;
  failing.addResult = -1;
  failing.GUI_AddItem(nullptr, nullptr, &dialog);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, L"Error");
  EXPECT_EQ(failing.calls.back(), L"Close");

  FakeBackend closed;
  closed.openResult = -1;
  closed.GUI_AddItem(nullptr, nullptr, &dialog);
  EXPECT_EQ(closed.calls, (Calls{L"Open"}));
  EXPECT_EQ(ui.messages.size(), 2u);
}

TEST(WexalGuiUndoCheckOut, UndoesOnlyACheckedOutFile) {
  {
    RecordingUi ui;
    FakeBackend api;
    std::wstring file = L"a.sql";
    api.GUI_UndoCheckOut(&file, nullptr);
    EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut a.sql", L"Open", L"UndoCheckOut a.sql", L"Close"}));
    EXPECT_TRUE(ui.messages.empty());
  }
  {
    RecordingUi ui;
    FakeBackend api;
    api.checkedOut = 0;
    std::wstring file = L"a.sql";
    api.GUI_UndoCheckOut(&file, nullptr);
    EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut a.sql"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"File 'a.sql' is not checked out");
    EXPECT_EQ(ui.messages[0].caption, L"Error");
  }
  {
    RecordingUi ui;
    FakeBackend api;
    api.undoResult = 5;
    std::wstring file = L"a.sql";
    api.GUI_UndoCheckOut(&file, nullptr);
    EXPECT_EQ(api.calls.back(), L"Close");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"back end failed (UndoCheckOut a.sql)");
  }
  {
    RecordingUi ui;
    FakeBackend api;
    api.openResult = 1;
    std::wstring file = L"a.sql";
    api.GUI_UndoCheckOut(&file, nullptr);
    EXPECT_EQ(api.calls, (Calls{L"IsCheckedOut a.sql", L"Open"}));
    EXPECT_EQ(ui.messages.size(), 1u);
  }
}

// Remembers what was set, so a test sees exactly which commands were touched.
class MapMenu : public wexal::HostMenu {
 public:
  std::map<int, bool> state;
  void Enable(int commandId, bool enabled) override { state[commandId] = enabled; }
};

TEST(WexalGuiEnableMenu, EnablesCheckInOnlyForACheckedOutFile) {
  FakeBackend api;
  MapMenu menu;
  api.GUI_EnableMenu(L"a.sql", &menu);
  EXPECT_EQ(menu.state,
            (std::map<int, bool>{{30807, true}, {30808, true}, {30809, true}, {30810, true}}));
  api.checkedOut = 0;
  api.GUI_EnableMenu(L"a.sql", &menu);
  EXPECT_FALSE(menu.state[30809]);
  api.checkedOut = 1;
  api.GUI_EnableMenu(L"a.sql", &menu);
  EXPECT_TRUE(menu.state[30809]);
  api.checkedOut = -1;  // an error is not "checked out"
  api.GUI_EnableMenu(L"a.sql", &menu);
  EXPECT_FALSE(menu.state[30809]);
  EXPECT_EQ(menu.state.count(30806), 0u);
}

TEST(WexalGuiEnableMenu, BackEndNotReadyChangesNothing) {
  FakeBackend api;
  api.readyResult = 0;
  MapMenu menu;
  api.GUI_EnableMenu(L"a.sql", &menu);
  EXPECT_TRUE(menu.state.empty());
  EXPECT_EQ(api.calls, (Calls{L"Ready"}));
  api.readyResult = 1;
  api.GUI_EnableMenu(L"a.sql", nullptr);  // no menu: nothing to do, no crash
}

TEST(WexalCheckDialogRunner, InstallingAndRestoring) {
  wexal::CheckDialogRunner& original = wexal::CurrentCheckDialogRunner();
  {
    ScriptedRunner runner;
    EXPECT_EQ(&wexal::CurrentCheckDialogRunner(), &runner);
  }
  EXPECT_EQ(&wexal::CurrentCheckDialogRunner(), &original);
  wexal::CheckDialogRunner* previous = wexal::SetCheckDialogRunner(nullptr);
  EXPECT_EQ(previous, &original);
  EXPECT_EQ(&wexal::CurrentCheckDialogRunner(), &original);
}

}  // namespace
