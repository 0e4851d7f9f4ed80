// A project made the way a user makes one: every task through the window's commands and the task
// dialog's controls, saved with Save As, then run by the program in console mode against SQLite,
// judged by the rows the tasks inserted.
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <Qsci/qsciscintilla.h>
#include <chrono>
#include <set>

#include "brunox/engine/project/Project.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/project/PagePackage.h"
#include "brunox/ui/common/StepSpinBox.h"
#include "brunox/ui/task/TaskProps.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "kavra/CDB.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/AdvConnectDlg.h"
#include "sompel/HistCBox.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/TestEnv.h"

namespace {

using namespace std::chrono_literals;

CONN_INFO SqliteInfo(const std::wstring& file) {
  CONN_INFO info;
  info.Kind = CONN_STRING;
  info.ConnString = testsupport::SqliteConnString(file);
  return info;
}

// Runs `sql` on the SQLite file; with `rows`, the rows of the result, columns joined by '|'.
void RunSql(const std::wstring& file, const std::wstring& sql,
            std::vector<std::wstring>* rows = nullptr) {
  std::unique_ptr<CDB> db(CDB::newDB(0));
  CONN_INFO info = SqliteInfo(file);
  ASSERT_TRUE(CDB::isOK(db->OpenConnection(&info))) << db->ErrorText;
  ASSERT_TRUE(CDB::isOK(db->Execute(sql))) << db->ErrorText;
  if (!rows) return;
  int columns = 0;
  db->ColumnCount(&columns);
  while (CDB::isOK(db->Fetch())) {
    std::wstring row;
    for (int column = 1; column <= columns; ++column) {
      std::wstring value;
      int size = 0;
      db->GetColumnText(column, &value, &size);
      row += (column > 1 ? L"|" : L"") + value;
    }
    rows->push_back(row);
  }
}

template <typename T>
T& Find(QWidget* parent, const char* name) {
  T* control = parent->findChild<T*>(QString::fromLatin1(name));
  if (!control) throw std::runtime_error(std::string("no control ") + name);
  return *control;
}

// Fills the task dialog through its controls, as `fill` says, and saves. Whatever goes wrong
// fails the test and closes the dialog, so that nothing waits for it.
void FillAndSave(QWidget* modal, const std::function<void(TaskProps&)>& fill) {
  auto* dialog = qobject_cast<TaskProps*>(modal);
  if (!dialog) {
    ADD_FAILURE() << "expected the task dialog, got " << modal->metaObject()->className();
    modal->close();
    return;
  }
  try {
    fill(*dialog);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
  }
  if (dialog->isVisible()) {
    ADD_FAILURE() << "the task dialog did not save";
    dialog->reject();
  }
}

void FillGeneralTab(TaskProps& dialog, const QString& name, const QString& sql, int threads) {
  dialog.SelectTab(TaskProps::kTabGeneral);
  Find<QLineEdit>(&dialog, "taskName").setText(name);
  Find<QsciScintilla>(&dialog, "sqlEditor").setText(sql);
  Find<CStepSpinBox>(&dialog, "threads").setValue(threads);
}

// Answers the connection dialog with `info`.
void ChooseConnection(testsupport::ModalAnswerer& answer, const CONN_INFO& info) {
  answer.Custom([info](QWidget* modal) {
    auto* dialog = qobject_cast<CAdvConnectDlg*>(modal);
    if (!dialog) {
      ADD_FAILURE() << "expected the connection dialog, got " << modal->metaObject()->className();
      modal->close();
      return;
    }
    dialog->Show(info);
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

using TaskEditingEndToEndTest = WindowTest;

TEST_F(TaskEditingEndToEndTest, ProjectBuiltInTheWindowRunsInConsoleMode) {
  const std::wstring folder = platform::FolderPart(testsupport::NewScratchPath(L"e2e"));
  const std::wstring mainDb = folder + L"/main.sqlite";
  const std::wstring ownDb = folder + L"/own.sqlite";
  const std::wstring values = folder + L"/values.txt";
  const std::wstring project = folder + L"/built.bxp";
  RunSql(mainDb, L"create table from_file(n integer, s varchar(10))");
  RunSql(ownDb, L"create table generated(v integer)");
  ASSERT_TRUE(platform::WriteTextFileUtf8(values, L"1;one\n2;two\n3;three\n"));

  OpenWindow();
  testsupport::ModalAnswerer answer;
  // The first Add finds no connection and offers the connection dialog first.
  ChooseConnection(answer, SqliteInfo(mainDb));
  answer.Custom([&values](QWidget* modal) {
    FillAndSave(modal, [&values](TaskProps& dialog) {
      FillGeneralTab(dialog, QStringLiteral("from file"),
                     QStringLiteral("insert into from_file(n, s) values (?1, '?2')"), 1);
      ASSERT_TRUE(dialog.SelectTab(TaskProps::kTabParams));
      Find<QRadioButton>(&dialog, "useValueFile").click();
      Find<QLineEdit>(&dialog, "valueFile").setText(QString::fromStdWString(values));
      Find<CHistCBox>(&dialog, "separator").setEditText(QStringLiteral(";"));
    });
  });
  window->OnCommand(kCmdTaskAdd);
  ASSERT_EQ(0, answer.Pending());
  ASSERT_TRUE(g_mainDB->IsConnected());
  ASSERT_EQ(1u, g_project.Tasks.size());

  answer.Custom([&ownDb](QWidget* modal) {
    FillAndSave(modal, [&ownDb](TaskProps& dialog) {
      FillGeneralTab(dialog, QStringLiteral("generated"),
                     QStringLiteral("insert into generated(v) values (?1)"), 2);
      ASSERT_TRUE(dialog.SelectTab(TaskProps::kTabParams));
      Find<QRadioButton>(&dialog, "useGenerated").click();
      Find<QTableWidget>(&dialog, "paramList").selectRow(0);
      auto& type = Find<QComboBox>(&dialog, "valueType");
      type.setCurrentIndex(type.findText(QStringLiteral("Random Integer")));
      Find<QLineEdit>(&dialog, "between").setText(QStringLiteral("1"));
      Find<QLineEdit>(&dialog, "and").setText(QStringLiteral("100"));
      ASSERT_TRUE(dialog.SelectTab(TaskProps::kTabConnections));
      // Choosing the own connection opens the connection dialog over the task dialog.
      testsupport::ModalAnswerer inner;
      ChooseConnection(inner, SqliteInfo(ownDb));
      Find<QRadioButton>(&dialog, "customConnection").click();
      EXPECT_EQ(0, inner.Pending());
    });
  });
  window->OnCommand(kCmdTaskAdd);
  ASSERT_EQ(0, answer.Pending());
  ASSERT_EQ(2u, g_project.Tasks.size());

  // Each thread runs its task three times.
  PagePackage& page = *window->ProjectPage();
  Find<QRadioButton>(&page, "runMode3").click();
  Find<CStepSpinBox>(&page, "eachTasks").setValue(3);
  ui.fileChoices = {project};
  window->OnCommand(kCmdSaveAs);
  ASSERT_TRUE(platform::FileExists(project));
  EXPECT_EQ(1, g_project.Saved);

  WindowProcess brunox({"-c", platform::ToUtf8(project)}, {});
  EXPECT_EQ(0, brunox.Run()) << brunox.Both();

  std::vector<std::wstring> fromFile;
  RunSql(mainDb, L"select n, s from from_file order by n", &fromFile);
  EXPECT_EQ((std::vector<std::wstring>{L"1|one", L"2|two", L"3|three"}), fromFile);
  std::vector<std::wstring> generated;
  RunSql(ownDb, L"select v from generated", &generated);
  EXPECT_EQ(6u, generated.size());  // two threads, three times each
  for (const std::wstring& value : generated) {
    const int v = platform::ToInt(value);
    EXPECT_TRUE(v >= 1 && v <= 100) << platform::ToUtf8(value);
  }
  // The own connection kept the generated rows out of the main database.
  std::vector<std::wstring> tables;
  RunSql(mainDb, L"select name from sqlite_master where name = 'generated'", &tables);
  EXPECT_TRUE(tables.empty());
}

}  // namespace
