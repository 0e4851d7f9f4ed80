// The check dialog: its model without a display, the Qt dialog bound to it, the default runner
// and the Qt menu seam.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "testsupport/ModalAnswerer.h"
#include "testsupport/RecordingUi.h"
#include "testsupport/Screenshot.h"
#include "wexal/CheckDialogModel.h"
#include "wexal/QMenuHost.h"
#include "wexal/tests/FakeBackend.h"
#include "wexal/vssCheckDlg.h"

namespace {

using wexal::CheckDialogModel;
using wexal_test::FakeBackend;
using Texts = std::vector<std::wstring>;

TEST(CheckDialogModel, CheckInShowsTheFileAsTheOnlyFixedEntry) {
  FakeBackend api;
  CheckDialogModel model(&api, VSS_CHECKIN);
  model.SetFile(L"/work/a [1].sql");
  model.Initialize();
  EXPECT_EQ(model.Title(), L"Checkin File");
  EXPECT_EQ(model.Entries(), (Texts{L"/work/a [1].sql"}));
  EXPECT_EQ(model.selection, 0);
  EXPECT_TRUE(model.ComboShown());
  EXPECT_FALSE(model.ComboEnabled());
  EXPECT_FALSE(model.FileEditShown());
  EXPECT_TRUE(model.CommentEnabled());
  EXPECT_TRUE(api.calls.empty());  // a check-in lists nothing
  ASSERT_TRUE(model.Accept());
  // A version-like part that the user's own file name carries is not cut off.
  EXPECT_EQ(model.chosenFile, L"/work/a [1].sql");
}

TEST(CheckDialogModel, CheckOutListsLiveItemsWithTheirVersions) {
  FakeBackend api;
  api.items = {{L"a.sql", 0, 3}, {L"gone.sql", 1, 9}, {L"with blank.sql", 0, 0}};
  CheckDialogModel model(&api, VSS_CHECKOUT);
  model.Initialize();
  model.Initialize();  // idempotent: the project is listed once
  EXPECT_EQ(model.Title(), L"Checkout File");
  EXPECT_EQ(model.Entries(), (Texts{L"a.sql [3]", L"with blank.sql [0]"}));
  EXPECT_EQ(api.calls, (Texts{L"Init", L"Open", L"Items", L"Close"}));
  EXPECT_TRUE(model.ComboShown());
  EXPECT_TRUE(model.ComboEnabled());
  EXPECT_FALSE(model.FileEditShown());
  EXPECT_FALSE(model.CommentEnabled());
  EXPECT_EQ(model.selection, -1);

  EXPECT_FALSE(model.Accept());  // nothing chosen: cancelled
  model.selection = 0;
  ASSERT_TRUE(model.Accept());
  EXPECT_EQ(model.chosenFile, L"a.sql");
  model.selection = 1;
  ASSERT_TRUE(model.Accept());
  EXPECT_EQ(model.chosenFile, L"with blank.sql");
  model.selection = 7;  // out of range counts as no selection
  model.fileEditText = L"typed";
  ASSERT_TRUE(model.Accept());
  EXPECT_EQ(model.chosenFile, L"typed");
}

TEST(CheckDialogModel, CheckOutOfAnEmptyOrUnreachableProjectOffersTheFileEdit) {
  for (int failing = 0; failing < 3; ++failing) {
    FakeBackend api;
    api.items = failing == 0 ? std::vector<FakeBackend::Item>{}
                             : std::vector<FakeBackend::Item>{{L"a.sql", 0, 1}};
    if (failing == 1) api.initResult = -1;
    if (failing == 2) api.openResult = -2;
    CheckDialogModel model(&api, VSS_CHECKOUT);
    model.Initialize();
    EXPECT_TRUE(model.FileEditShown()) << failing;
    EXPECT_FALSE(model.ComboShown()) << failing;
    EXPECT_FALSE(model.ComboEnabled()) << failing;
    EXPECT_TRUE(model.Entries().empty()) << failing;
    EXPECT_EQ(api.calls.back(), L"Close") << failing;
    model.fileEditText = L"";
    EXPECT_FALSE(model.Accept());
    model.fileEditText = L"mine.sql";
    ASSERT_TRUE(model.Accept());
    EXPECT_EQ(model.chosenFile, L"mine.sql");
  }
  CheckDialogModel noBackend(nullptr, VSS_CHECKOUT);
  noBackend.Initialize();
  EXPECT_TRUE(noBackend.FileEditShown());
}

TEST(CheckDialogModel, AddPresetsTheEditsAndTakesTheTypedFile) {
  CheckDialogModel model(nullptr, VSS_ADD);
  model.chosenFile = L"preset.sql";
  model.comment = L"preset comment";
  model.Initialize();
  EXPECT_EQ(model.Title(), L"Add New Item");
  EXPECT_EQ(model.fileEditText, L"preset.sql");
  EXPECT_EQ(model.comment, L"preset comment");
  EXPECT_TRUE(model.FileEditShown());
  EXPECT_FALSE(model.ComboShown());
  EXPECT_FALSE(model.ComboEnabled());
  model.fileEditText = L"other [2]";
  model.selection = 0;  // no list in this mode
  ASSERT_TRUE(model.Accept());
  EXPECT_EQ(model.chosenFile, L"other [2]");
}

TEST(CheckDialogModel, FileOfEntryCutsOnlyATrailingVersion) {
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"name [3]"), L"name");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"my file.sql [120]"), L"my file.sql");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"odd [x] name [-1]"), L"odd [x] name");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"name"), L"name");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"name [x]"), L"name [x]");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"name []"), L"name []");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"name[3]"), L"name[3]");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L" [3]"), L"");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L""), L"");
  EXPECT_EQ(CheckDialogModel::FileOfEntry(L"]"), L"]");
}

TEST(CheckDialog, ShowsEachModeAndWritesTheInputBack) {
  FakeBackend api;
  api.items = {{L"orders.sql", 0, 4}, {L"customers.sql", 0, 11}};

  vssCheckDlg checkIn(nullptr, &api, VSS_CHECKIN);
  checkIn.SetFile(L"/work/project/orders.sql");
  checkIn.Prepare();
  EXPECT_EQ(checkIn.windowTitle(), QStringLiteral("Checkin File"));
  EXPECT_EQ(checkIn.ItemCombo()->currentText(), QStringLiteral("/work/project/orders.sql"));
  EXPECT_FALSE(checkIn.ItemCombo()->isEnabled());
  checkIn.CommentEdit()->setText(QStringLiteral("fixed the join"));
  EXPECT_FALSE(testsupport::SaveScreenshot(checkIn, QStringLiteral("wexal_check_in")).isEmpty());
  EXPECT_TRUE(checkIn.FileEdit()->isHidden());
  checkIn.OkButton()->click();
  EXPECT_EQ(checkIn.result(), QDialog::Accepted);
  EXPECT_EQ(checkIn.Model().comment, L"fixed the join");
  EXPECT_EQ(checkIn.Model().chosenFile, L"/work/project/orders.sql");

  vssCheckDlg checkOut(nullptr, &api, VSS_CHECKOUT);
  checkOut.Prepare();
  EXPECT_EQ(checkOut.windowTitle(), QStringLiteral("Checkout File"));
  ASSERT_EQ(checkOut.ItemCombo()->count(), 2);
  EXPECT_EQ(checkOut.ItemCombo()->itemText(1), QStringLiteral("customers.sql [11]"));
  EXPECT_FALSE(checkOut.CommentEdit()->isEnabled());
  checkOut.ItemCombo()->setCurrentIndex(1);
  EXPECT_FALSE(testsupport::SaveScreenshot(checkOut, QStringLiteral("wexal_check_out")).isEmpty());
  EXPECT_TRUE(checkOut.FileEdit()->isHidden());
  EXPECT_FALSE(checkOut.ItemCombo()->isHidden());
  checkOut.OkButton()->click();
  EXPECT_EQ(checkOut.result(), QDialog::Accepted);
  EXPECT_EQ(checkOut.Model().chosenFile, L"customers.sql");

  CheckDialogModel addModel(&api, VSS_ADD);
  addModel.chosenFile = L"new_report.sql";
  vssCheckDlg add(nullptr, addModel);
  add.Prepare();
  EXPECT_EQ(add.windowTitle(), QStringLiteral("Add New Item"));
  EXPECT_EQ(add.FileEdit()->text(), QStringLiteral("new_report.sql"));
  add.CommentEdit()->setText(QStringLiteral("first version"));
  EXPECT_FALSE(testsupport::SaveScreenshot(add, QStringLiteral("wexal_add")).isEmpty());
  EXPECT_TRUE(add.ItemCombo()->isHidden());
  add.FileEdit()->setText(QStringLiteral("renamed.sql"));
  add.OkButton()->click();
  EXPECT_EQ(addModel.chosenFile, L"renamed.sql");
  EXPECT_EQ(addModel.comment, L"first version");
}

TEST(CheckDialog, OkWithNothingChosenEndsCancelled) {
  FakeBackend api;  // empty project: the file edit is offered
  vssCheckDlg dialog(nullptr, &api, VSS_CHECKOUT);
  dialog.Prepare();
  EXPECT_FALSE(dialog.FileEdit()->isHidden());
  EXPECT_TRUE(dialog.ItemCombo()->isHidden());
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(CheckDialog, F1AsksForTheLibrarysHelpPage) {
  testsupport::RecordingUi ui;
  FakeBackend api;
  vssCheckDlg dialog(nullptr, &api, VSS_ADD);
  dialog.Prepare();
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &f1);
  // No help is installed beside the test program, so the user is told where it was looked for.
  const bool opened = !ui.started.empty();
  const bool told = !ui.messages.empty();
  ASSERT_TRUE(opened || told);
  if (opened) {
    EXPECT_NE(ui.started[0].second[0].find(L"/help/wexal.html"), std::wstring::npos);
  }
  if (told) {
    EXPECT_NE(ui.messages[0].text.find(L"/help/wexal.html"), std::wstring::npos);
  }
}

TEST(CheckDialog, DefaultRunnerShowsTheDialogModally) {
  testsupport::RecordingUi ui;
  FakeBackend api;
  api.items = {{L"a.sql", 0, 2}, {L"b.sql", 0, 5}};
  testsupport::ModalAnswerer answer;
  answer.Custom([](QWidget* modal) {
    auto* dialog = qobject_cast<vssCheckDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->ItemCombo()->setCurrentIndex(1);
    dialog->OkButton()->click();
  });
  std::wstring file;
  EXPECT_EQ(api.GUI_CheckOut(&file, nullptr), 1);
  EXPECT_EQ(file, L"b.sql");
  EXPECT_EQ(answer.Pending(), 0);
  EXPECT_TRUE(ui.messages.empty());
  // The project was listed once, before the dialog showed.
  EXPECT_EQ(api.calls, (Texts{L"Init", L"Open", L"Items", L"Close", L"Open", L"CheckOutItem b.sql|",
                              L"Close"}));
}

TEST(QMenuHost, EnablesTheActionsByTheirCommandIdsAlsoInSubMenus) {
  QMenu menu;
  QAction* checkOut = menu.addAction(QStringLiteral("Checkout file"));
  checkOut->setData(wexal::kCheckOutFileCommand);
  QMenu* sub = menu.addMenu(QStringLiteral("More"));
  QAction* checkIn = sub->addAction(QStringLiteral("Checkin file"));
  checkIn->setData(wexal::kCheckInFileCommand);
  QAction* configure = menu.addAction(QStringLiteral("Configure"));
  configure->setData(30806);
  QAction* plain = menu.addAction(QStringLiteral("No id"));

  wexal::QMenuHost host(&menu);
  host.Enable(wexal::kCheckInFileCommand, false);
  EXPECT_FALSE(checkIn->isEnabled());
  EXPECT_TRUE(checkOut->isEnabled());

  FakeBackend api;
  api.checkedOut = 1;
  checkOut->setEnabled(false);
  api.GUI_EnableMenu(L"a.sql", &host);
  EXPECT_TRUE(checkOut->isEnabled());
  EXPECT_TRUE(checkIn->isEnabled());
  EXPECT_TRUE(configure->isEnabled());
  EXPECT_TRUE(plain->isEnabled());
  api.checkedOut = 0;
  api.GUI_EnableMenu(L"a.sql", &host);
  EXPECT_FALSE(checkIn->isEnabled());

  auto* gone = new QMenu;
  wexal::QMenuHost dangling(gone);
  delete gone;
  dangling.Enable(wexal::kCheckInFileCommand, true);  // a deleted menu is left alone
}

}  // namespace
