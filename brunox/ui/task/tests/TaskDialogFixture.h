#pragma once
// The task properties dialog over a task of the test's own, with the window's globals of
// WindowTest (settings, main connection, runner) and a recording UiServices for its messages.
// A page can be tested on its own over the dialog (the task then runs on the main connection,
// as a showing would give it), or inside a real showing with Show().
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <functional>
#include <memory>
#include <string>

#include "brunox/engine/project/Task.h"
#include "brunox/ui/task/TaskProps.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "sompel/Colorizer.h"
#include "testsupport/ModalAnswerer.h"

class TaskDialogTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    task.Name = L"orders";
    task.SQL = L"select 1";
    task.Threads = 2;
    dialog = std::make_unique<TaskProps>(colorizer);
    dialog->SetTask(&task);
  }
  void TearDown() override {
    dialog.reset();
    WindowTest::TearDown();
  }

  // A page of type P made over the dialog and activated, as the dialog does when its tab is
  // entered; the task's connection is the main one.
  template <typename P, typename... Args>
  std::unique_ptr<P> OpenPage(Args... args) {
    task.DB = g_mainDB;
    auto page = std::make_unique<P>(*dialog, args...);
    page->SetTask(&task);
    page->Activate();
    return page;
  }

  // Shows the dialog; `inside` runs once it is open and must end it (Save() or Cancel()).
  int Show(std::function<void()> inside) {
    answer.Custom([inside](QWidget*) { inside(); });
    return dialog->exec();
  }
  void Save() { dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click(); }
  void Cancel() { dialog->reject(); }

  template <typename T>
  static T* Find(const QWidget& root, const char* name) {
    T* child = root.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  // Runs a statement on the main connection; false (with the driver's text) when it failed.
  ::testing::AssertionResult Exec(const std::wstring& sql) {
    const int rc = g_mainDB->Execute(sql);
    g_mainDB->CloseCursor();
    if (CDB::isOK(rc)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << QString::fromStdWString(g_mainDB->ErrorText).toStdString();
  }
  // The first column of every row of `sql` on the main connection.
  std::vector<std::wstring> Column(const std::wstring& sql) {
    std::vector<std::wstring> values;
    if (!CDB::isOK(g_mainDB->Execute(sql))) return {L"<" + g_mainDB->ErrorText + L">"};
    while (CDB::isOK(g_mainDB->Fetch())) {
      std::wstring value;
      g_mainDB->GetColumnText(1, &value, nullptr);
      values.push_back(value);
    }
    g_mainDB->CloseCursor();
    return values;
  }

  const testsupport::RecordedMessage& LastMessage() const {
    static const testsupport::RecordedMessage none{L"<no message>", L"", {}, {}};
    return ui.messages.empty() ? none : ui.messages.back();
  }

  CColorizer colorizer;
  Task task;
  std::unique_ptr<TaskProps> dialog;
  testsupport::ModalAnswerer answer;
};
