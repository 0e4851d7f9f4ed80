// Closing the window: a run is asked about, page edits reach the project before the save
// question, Cancel keeps the window, and the settings are kept.
#include <QMessageBox>

#include "brunox/engine/project/Project.h"
#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/tests/AppTestSupport.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "platform/TextFile.h"
#include "sompel/QtUi.h"
#include "sompel/SmDialog.h"
#include "testsupport/ModalAnswerer.h"

namespace {

using apptest::WriteSqliteProject;

class ClosingTest : public WindowTest {
 protected:
  // A window on a saved project whose shown page puts `note` into the project when it stores.
  void OpenWithEditedPage(const std::wstring& note) {
    path = WriteSqliteProject(L"closing.bxp");
    app->FileList = {path};
    OpenWindow();
    RecordingPage& page = Instrument(PageIndex::PageStat);
    window->Tree()->SelectPage(PageIndex::PageStat);
    CBrunoxDlg* dlg = window.get();
    page.onStore = [note, dlg] {
      if (g_project.Note == note) return;
      g_project.Note = note;
      dlg->SetModified();
    };
  }
  static std::wstring NoteInFile(const std::wstring& file) {
    Project p;
    p.Load(file);
    return p.Note;
  }

  std::wstring path;
};

TEST_F(ClosingTest, YesSavesThePageEditsAndCloses) {
  OpenWithEditedPage(L"edited on the page");
  QtUiServices qt(window.get());
  testsupport::ModalAnswerer answer;
  answer.Button(QMessageBox::Yes);
  EXPECT_TRUE(window->close());
  ASSERT_EQ(1, answer.Texts.size());
  EXPECT_EQ(QStringLiteral("Warning!\nCurrent project is not saved. Save it?"), answer.Texts[0]);
  EXPECT_EQ(L"edited on the page", NoteInFile(path));
  EXPECT_FALSE(window->isVisible());
  // Remembered for the next start.
  EXPECT_EQ(path, StoredSetting(L"LastFile"));
  EXPECT_EQ(L"1", StoredSetting(L"isConnected"));
  EXPECT_TRUE(platform::FileExists(CSmDialog::LayoutFile().toStdWString()));
}

TEST_F(ClosingTest, NoDiscardsAndCloses) {
  OpenWithEditedPage(L"dropped");
  QtUiServices qt(window.get());
  testsupport::ModalAnswerer answer;
  answer.Button(QMessageBox::No);
  EXPECT_TRUE(window->close());
  EXPECT_EQ(1, answer.Texts.size());
  EXPECT_EQ(L"", NoteInFile(path));
}

TEST_F(ClosingTest, CancelKeepsTheWindow) {
  OpenWithEditedPage(L"kept");
  QtUiServices qt(window.get());
  testsupport::ModalAnswerer answer;
  answer.Button(QMessageBox::Cancel);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(L"kept", g_project.Note);
  EXPECT_EQ(L"", NoteInFile(path));
  EXPECT_EQ(L"", StoredSetting(L"LastFile"));  // nothing of the closing sequence ran
}

TEST_F(ClosingTest, ExitAsksOnceAndClosesOnce) {
  OpenWithEditedPage(L"exit");
  QtUiServices qt(window.get());
  testsupport::ModalAnswerer answer;
  answer.Button(QMessageBox::No);
  answer.Button(QMessageBox::No);
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdExit));
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(window->close());  // a later close (the application quitting) asks nothing
  EXPECT_EQ(1, answer.Texts.size());
  EXPECT_EQ(1, answer.Pending());
}

TEST_F(ClosingTest, ConsoleTextIsKeptOnlyWhenTheConsoleWasOpened) {
  g_settings->setStr(kStoreMain, L"ConsoleSQL", L"select 'from last time'");
  g_settings->SaveData(0);
  OpenWindow();
  window->Tree()->SelectPage(PageIndex::PageStat);
  EXPECT_TRUE(window->close());
  EXPECT_EQ(L"select 'from last time'", StoredSetting(L"ConsoleSQL"));
  EXPECT_EQ(L"0", StoredSetting(L"isConnected"));
}

}  // namespace
