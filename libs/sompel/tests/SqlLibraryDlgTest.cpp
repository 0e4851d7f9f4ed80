#include "sompel/SqlLibraryDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "platform/TextFile.h"
#include "sompel/ColorEditWnd.h"
#include "sompel/Colorizer.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

// The tree as text: one line per item, indented by its depth.
void Describe(const QTreeWidgetItem* item, int depth, QStringList& lines) {
  for (int i = 0; i < item->childCount(); ++i) {
    const QTreeWidgetItem* child = item->child(i);
    lines << QString(depth * 2, QLatin1Char(' ')) + child->text(0);
    Describe(child, depth + 1, lines);
  }
}

QStringList TreeLines(const CSqlLibraryDlg& dialog) {
  QStringList lines;
  Describe(dialog.Tree()->invisibleRootItem(), 0, lines);
  return lines;
}

class SqlLibraryDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    root = platform::FolderPart(testsupport::NewScratchPath(L"x")) + L"/library";
    Write(L"reports/monthly.sql", L"select month, sum(total)\n  from orders\n group by month;");
    Write(L"reports/Daily.SQL", L"select * from orders where day = current_date;");
    Write(L"reports/notes.txt", L"not a script");
    Write(L"empty/readme.txt", L"no scripts here");
    Write(L"reports/old/archive.sql", L"select 1;");
    Write(L"Zoë.sql", L"select 'Zoë';");
    Write(L"a.sql", L"delete from t;");
    dialog.SetRootFolder(root);
  }
  void Write(const std::wstring& relative, const std::wstring& text) {
    const std::wstring path = root + L"/" + relative;
    ASSERT_TRUE(platform::MakeDirectories(platform::FolderPart(path)));
    ASSERT_TRUE(platform::WriteTextFileUtf8(path, text));
  }
  QPushButton* Ok() const {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  }

  std::wstring root;
  CSqlLibraryDlg dialog;
};

TEST_F(SqlLibraryDlgTest, ListsTheScriptsBelowTheRootFolderOnly) {
  dialog.Refresh();
  EXPECT_EQ(TreeLines(dialog), (QStringList{"reports", "  old", "    archive.sql", "  Daily.SQL",
                                            "  monthly.sql", "a.sql", "Zoë.sql"}))
      << "folders first, names without regard to case; other files and folders without "
         "scripts are left out";
  EXPECT_TRUE(dialog.FolderText().contains(QString::fromStdWString(root)));
  EXPECT_FALSE(Ok()->isEnabled()) << "nothing chosen yet";
}

TEST_F(SqlLibraryDlgTest, AMissingFolderGivesAnEmptyTreeThatSaysWhereItLooked) {
  const std::wstring missing = root + L"/nowhere";
  dialog.SetRootFolder(missing);
  dialog.Refresh();
  EXPECT_EQ(dialog.Tree()->topLevelItemCount(), 0);
  EXPECT_TRUE(dialog.FolderText().contains(QString::fromStdWString(missing)))
      << dialog.FolderText().toStdString();

  dialog.SetRootFolder(L"");
  dialog.Refresh();
  EXPECT_EQ(dialog.Tree()->topLevelItemCount(), 0);
  EXPECT_FALSE(dialog.FolderText().isEmpty());
}

TEST_F(SqlLibraryDlgTest, TheChosenFileIsShownReadOnly) {
  dialog.Refresh();
  ASSERT_TRUE(dialog.SelectFile(root + L"/reports/monthly.sql"));
  EXPECT_TRUE(Ok()->isEnabled());
  EXPECT_EQ(dialog.Preview()->Text(), "select month, sum(total)\n  from orders\n group by month;");
  EXPECT_TRUE(dialog.Preview()->isReadOnly());
  EXPECT_FALSE(dialog.SelectFile(root + L"/reports/notes.txt"));

  dialog.Tree()->setCurrentItem(dialog.Tree()->topLevelItem(0));  // a folder
  EXPECT_FALSE(Ok()->isEnabled());
  EXPECT_EQ(dialog.Preview()->Text(), "");
}

TEST_F(SqlLibraryDlgTest, OkGivesTheFileAndTheInsertionMode) {
  CColorizer colorizer;
  dialog.SetColorizer(colorizer);
  testsupport::ModalAnswerer answer;
  answer.Custom([&](QWidget*) {
    EXPECT_TRUE(dialog.SelectFile(root + L"/reports/monthly.sql"));
    dialog.findChild<QRadioButton*>(QStringLiteral("appendText"))->setChecked(true);
    testsupport::SaveScreenshot(dialog, QStringLiteral("sql_library"));
    Ok()->click();
  });
  ASSERT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(dialog.ChosenFile(), root + L"/reports/monthly.sql");
  EXPECT_EQ(dialog.InsertionMode(), CSqlLibraryDlg::kAppendText);

  // The next showing lists the folder again, still on the file chosen last; Cancel chooses none.
  Write(L"new.sql", L"select 2;");
  answer.Custom([&](QWidget*) {
    EXPECT_TRUE(TreeLines(dialog).contains("new.sql"));
    EXPECT_EQ(dialog.Preview()->Text(), "select month, sum(total)\n  from orders\n group by month;");
    dialog.reject();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_EQ(dialog.ChosenFile(), L"");
  EXPECT_EQ(dialog.InsertionMode(), CSqlLibraryDlg::kAppendText) << "the mode stays";
}

}  // namespace
