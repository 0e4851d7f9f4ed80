#include "sompel/QtUi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "testsupport/ModalAnswerer.h"
#include "testsupport/TestEnv.h"

namespace {

TEST(QtUiServices, FilterBecomesQtNameFilters) {
  EXPECT_EQ(QtUiServices::QtFilter(L"Ovra DB Brunox projects (*.bxp)|*.bxp|All Files(*.*)|*.*||"),
            QStringLiteral("Ovra DB Brunox projects (*.bxp);;All Files(*.*)"));
  EXPECT_EQ(QtUiServices::QtFilter(L"Settings|*.ini||"), QStringLiteral("Settings (*.ini)"));
  EXPECT_EQ(QtUiServices::QtFilter(L""), QString());
  EXPECT_EQ(QtUiServices::QtFilter(L"dangling|"), QStringLiteral("dangling ()"));
}

TEST(QtUiServices, MessageBoxReturnsTheButtonPressedAndClosingIsTheSafeChoice) {
  QtUiServices ui;
  testsupport::ModalAnswerer answer;
  answer.Button(QMessageBox::Yes);
  answer.Button(QMessageBox::Escape);  // no such button: the box is closed without an answer
  answer.Button(QMessageBox::No);
  EXPECT_EQ(platform::Ui().MessageBox(L"Save?", L"Question", platform::MsgButtons::YesNoCancel,
                                      platform::MsgIcon::Question),
            platform::MsgAnswer::Yes);
  EXPECT_EQ(platform::Ui().MessageBox(L"Really?", L"Question", platform::MsgButtons::YesNo,
                                      platform::MsgIcon::Question),
            platform::MsgAnswer::No);
  EXPECT_EQ(platform::Ui().MessageBox(L"Go on?", L"Question", platform::MsgButtons::YesNoCancel,
                                      platform::MsgIcon::Question),
            platform::MsgAnswer::No);
  ASSERT_EQ(answer.Texts.size(), 3);
  EXPECT_EQ(answer.Texts[0], QStringLiteral("Question\nSave?"));
}

// Enter presses the default button: the one the caller names, else the first (Ok or Yes).
TEST(QtUiServices, EnterPressesTheDefaultButtonTheCallerNames) {
  QtUiServices ui;
  testsupport::ModalAnswerer answer;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  const auto pressEnter = [&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    defaultButton = box->standardButton(box->defaultButton());
    QTest::keyClick(box, Qt::Key_Return);
  };
  answer.Custom(pressEnter);
  EXPECT_EQ(platform::Ui().MessageBox(L"Delete 3 task(s)?", L"Warning!", platform::MsgButtons::YesNo,
                                      platform::MsgIcon::Question, platform::MsgAnswer::No),
            platform::MsgAnswer::No);
  EXPECT_EQ(defaultButton, QMessageBox::No);
  answer.Custom(pressEnter);
  EXPECT_EQ(platform::Ui().MessageBox(L"Go on?", L"Question", platform::MsgButtons::YesNoCancel,
                                      platform::MsgIcon::Question),
            platform::MsgAnswer::Yes);
  answer.Custom(pressEnter);
  EXPECT_EQ(platform::Ui().MessageBox(L"Stop?", L"Question", platform::MsgButtons::OkCancel,
                                      platform::MsgIcon::Question, platform::MsgAnswer::Cancel),
            platform::MsgAnswer::Cancel);
}

TEST(QtUiServices, UninstallsItselfAndRestoresTheConsole) {
  platform::UiServices* before = &platform::Ui();
  {
    QtUiServices ui;
    EXPECT_EQ(&platform::Ui(), &ui);
  }
  EXPECT_EQ(&platform::Ui(), before);
}

// A worker thread's question is shown by the GUI thread, and the worker gets the answer.
TEST(QtUiServices, QuestionsFromOtherThreadsAreAnsweredOnTheGuiThread) {
  QtUiServices ui;
  testsupport::ModalAnswerer answer;
  answer.Button(QMessageBox::Ok);
  std::atomic<bool> done{false};
  platform::MsgAnswer got = platform::MsgAnswer::Cancel;
  std::thread worker([&] {
    got = platform::Ui().MessageBox(L"From a worker", L"Warning!", platform::MsgButtons::OkCancel,
                                    platform::MsgIcon::Warning);
    done = true;
  });
  QElapsedTimer clock;
  clock.start();
  while (!done && clock.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  worker.join();
  EXPECT_EQ(got, platform::MsgAnswer::Ok);
  ASSERT_EQ(answer.Texts.size(), 1);
  EXPECT_EQ(answer.Texts[0], QStringLiteral("Warning!\nFrom a worker"));
}

TEST(QtUiServices, FileDialogsReturnTheChosenPathOrCancel) {
  QtUiServices ui;
  testsupport::ModalAnswerer answer;
  answer.File(QStringLiteral("/tmp/chosen.ini"));
  answer.File(QString());
  platform::FileDialogRequest request;
  request.filter = L"Settings (*.ini)|*.ini||";
  request.defaultExt = L"ini";
  request.title = L"Export Settings to";
  std::wstring path;
  EXPECT_TRUE(platform::Ui().SaveFileDialog(request, path));
  EXPECT_EQ(path, L"/tmp/chosen.ini");
  path.clear();
  EXPECT_FALSE(platform::Ui().OpenFileDialog(request, path));
  EXPECT_TRUE(path.empty());
  ASSERT_EQ(answer.Texts.size(), 2);
  EXPECT_EQ(answer.Texts[0], QStringLiteral("Export Settings to"));
}

TEST(QtUiServices, FolderDialogReturnsTheChosenFolderOrKeepsThePathOnCancel) {
  QtUiServices ui;
  testsupport::ModalAnswerer answer;
  const QString chosen = QString::fromStdWString(testsupport::NewScratchPath(L"")).chopped(1);
  answer.File(chosen);
  answer.File(QString());
  std::wstring path = L"/tmp";
  EXPECT_TRUE(platform::Ui().FolderDialog(L"Output Folder for Thread Data", path));
  EXPECT_EQ(QString::fromStdWString(path), chosen);
  EXPECT_FALSE(platform::Ui().FolderDialog(L"Output Folder for Thread Data", path));
  EXPECT_EQ(QString::fromStdWString(path), chosen);
  ASSERT_EQ(answer.Texts.size(), 2);
  EXPECT_EQ(answer.Texts[0], QStringLiteral("Output Folder for Thread Data"));
}

}  // namespace
