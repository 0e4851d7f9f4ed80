// View Log: the program the setting LogViewer names, else the desktop's opener, else a message
// that says what to set; and a desktop opener that cannot open a file (the log, a help page) is
// told.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "brunox/engine/settings/SettingsStores.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "mervis/Log.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/QtUi.h"
#include "sompel/SmApp.h"
#include "testsupport/ModalAnswerer.h"
#include "testsupport/TestEnv.h"

namespace {

class LogViewerTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenWindow();
    CLog::State2(L"a line, so that the log file is there");
    log = CLog::FilePath();
    ASSERT_TRUE(platform::FileExists(log)) << platform::ToUtf8(log);
  }
  void View() {
    ui.started.clear();
    ui.messages.clear();
    EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdLogView));
  }
  std::wstring log;
};

// Sets PATH for the object's lifetime.
class PathForTest {
 public:
  explicit PathForTest(const std::string& path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", path.c_str(), 1);
  }
  ~PathForTest() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST_F(LogViewerTest, TheProgramTheSettingNamesShowsTheLog) {
  g_settings->setStr(kStoreMain, L"LogViewer", L"mousepad");
  View();
  ASSERT_EQ(1u, ui.started.size());
  EXPECT_EQ(L"mousepad", ui.started[0].first);
  EXPECT_EQ(std::vector<std::wstring>{log}, ui.started[0].second);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LogViewerTest, WithoutADesktopOpenerTheMessageNamesTheSetting) {
  const std::string empty = platform::ToUtf8(platform::FolderPart(testsupport::NewScratchPath(L"bin")));
  PathForTest noOpener(empty);
  for (const wchar_t* setting : {L"", L"xdg-open"}) {
    SCOPED_TRACE(platform::ToUtf8(setting));
    g_settings->setStr(kStoreMain, L"LogViewer", setting);
    View();
    EXPECT_TRUE(ui.started.empty());
    ASSERT_EQ(1u, ui.messages.size());
    // No settings page has the field: the message names the file and the key to set.
    EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(L"LogViewer="))
        << platform::ToUtf8(ui.messages[0].text);
    EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(configFolder + L"/settings.ini"))
        << platform::ToUtf8(ui.messages[0].text);
    EXPECT_NE(std::wstring::npos, ui.messages[0].text.find(log));
  }
}

TEST_F(LogViewerTest, TheDesktopOpenerIsTheDefault) {
  const std::wstring bin = platform::FolderPart(testsupport::NewScratchPath(L"bin"));
  const std::wstring opener = bin + L"/xdg-open";
  ASSERT_TRUE(platform::WriteFileBytes(opener, "#!/bin/sh\nexit 0\n"));
  ASSERT_EQ(0, ::chmod(platform::NativePath(opener).c_str(), 0755));
  PathForTest withOpener(platform::ToUtf8(bin));
  g_settings->setStr(kStoreMain, L"LogViewer", L"xdg-open");
  View();
  ASSERT_EQ(1u, ui.started.size());
  EXPECT_EQ(L"xdg-open", ui.started[0].first);  // the seam's desktop opener
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LogViewerTest, AnOpenerThatFindsNoProgramIsToldWithTheFile) {
  // xdg-open's answer on a desktop with nothing set up for the file: status 3, a line on stderr.
  const std::wstring bin = platform::FolderPart(testsupport::NewScratchPath(L"bin"));
  const std::wstring opener = bin + L"/xdg-open";
  ASSERT_TRUE(platform::WriteFileBytes(
      opener, "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n"));
  ASSERT_EQ(0, ::chmod(platform::NativePath(opener).c_str(), 0755));
  const std::wstring help = platform::FolderPart(testsupport::NewScratchPath(L"help"));
  const std::wstring page = platform::JoinPath(help, L"index.html");
  ASSERT_TRUE(platform::WriteFileBytes(page, "<html></html>"));
  CSmApp::SetHelpFolder(help);
  PathForTest withOpener(platform::ToUtf8(bin));
  g_settings->setStr(kStoreMain, L"LogViewer", L"");
  QtUiServices qt(window.get());
  testsupport::ModalAnswerer answer;
  answer.Button(QMessageBox::Ok);
  answer.Button(QMessageBox::Ok);

  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdLogView));
  EXPECT_TRUE(QTest::qWaitFor([&] { return answer.Texts.size() == 1; }, 10000));
  const std::wstring viewLog = answer.Texts.value(0).toStdWString();
  EXPECT_NE(std::wstring::npos, viewLog.find(L"'" + log + L"'")) << platform::ToUtf8(viewLog);
  EXPECT_NE(std::wstring::npos, viewLog.find(L"status 3")) << platform::ToUtf8(viewLog);
  // The log has a program of its own to fall back on: the message says where to name it.
  EXPECT_NE(std::wstring::npos, viewLog.find(L"LogViewer=")) << platform::ToUtf8(viewLog);

  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdHelpIndex));
  EXPECT_TRUE(QTest::qWaitFor([&] { return answer.Texts.size() == 2; }, 10000));
  const std::wstring helpPage = answer.Texts.value(1).toStdWString();
  EXPECT_NE(std::wstring::npos, helpPage.find(L"'" + page + L"'")) << platform::ToUtf8(helpPage);
  EXPECT_EQ(std::wstring::npos, helpPage.find(L"LogViewer=")) << platform::ToUtf8(helpPage);
  CSmApp::SetHelpFolder(L"");
}

}  // namespace
