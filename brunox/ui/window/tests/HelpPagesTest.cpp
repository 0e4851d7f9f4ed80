// Help opens real pages: every page the window, its dialogs and the pattern functions ask for is
// shipped next to the program, and F1 reaches the page of what is shown.
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "brunox/engine/project/Task.h"
#include "brunox/engine/project/TaskParam.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/task/SqlImportDlg.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/task/tests/TaskDialogFixture.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "sompel/SmApp.h"
#include "synthor/engine/DSynthor.h"

namespace {

const std::wstring kShippedHelp = platform::FromUtf8(BRUNOX_HELP_DIR);

// Answers with the shipped help folder for the length of a test.
class ShippedHelp {
 public:
  ShippedHelp() { CSmApp::SetHelpFolder(kShippedHelp); }
  ~ShippedHelp() { CSmApp::SetHelpFolder(L""); }
};

bool Shipped(const std::wstring& page) {
  return platform::FileExists(platform::JoinPath(kShippedHelp, page));
}

TEST(HelpPages, EveryPageTheProgramAsksForIsShipped) {
  std::vector<std::wstring> asked = {L"index.html", L"task.html", L"sqlimport.html",
                                     L"wexal.html", L"settings.html"};
  for (int page = 0; page < PageIndex::kPageCount; ++page) asked.push_back(HelpTopicOf(page));
  // One pattern for each function the pattern help names, and the symbols.
  for (const wchar_t* pattern :
       {L"NNN-AA", L"$rdate()", L"$rintn(1,2,,1,2)", L"$rint(1,2)", L"$rstringn(1,2,1,2)",
        L"$rstring(1,2)", L"$rfloat()", L"$rtime()", L"$libgroup(1,a,b)", L"$lib(Cities)",
        L"$filegroup(1,1,f)", L"$file(f)", L"$query(q)", L"$today()", L"$now()", L"$ifr(1,a,b)",
        L"$if(1,a,b)", L"$incchar()", L"$incfloat()", L"$incdate()", L"$inctime()", L"$inc()",
        L"$format(N,%d)", L"$guid()", L"$listn(1,2,,,a)", L"$list(R,a,1)", L"$listpattern(1,N)",
        L"$call(x)", L"$lower(A)", L"$first(A,1)", L"$last(A,1)", L"$old()", L"$msexcel(f,s,c)",
        L"$table(t,c)", L"$regexp(a)", L"$byexample(1)", L"$blob(d)", L"$xml(f,p)", L"$json(f,p)",
        L"$repeat(1,1,,,N)", L"$uniq(N)", L"$truncate(A,1)", L"<a|b>"}) {
    asked.push_back(DSynthor::HelpByPattern(pattern));
  }
  for (const std::wstring& page : asked) EXPECT_TRUE(Shipped(page)) << platform::ToUtf8(page);
}

TEST(HelpPages, PagesAreHtmlWithTheirTitleAndLinkBackToTheIndex) {
  std::wstring text;
  ASSERT_TRUE(platform::ReadTextFile(platform::JoinPath(kShippedHelp, L"runsql.html"), text));
  EXPECT_NE(text.find(L"<title>SQL Console - brunox help</title>"), std::wstring::npos);
  EXPECT_NE(text.find(L"<a href=\"index.html\">"), std::wstring::npos);
  EXPECT_NE(text.find(L"Cancel"), std::wstring::npos);
  ASSERT_TRUE(platform::ReadTextFile(platform::JoinPath(kShippedHelp, L"index.html"), text));
  EXPECT_NE(text.find(L"href=\"rint.html\""), std::wstring::npos);
  EXPECT_NE(text.find(L"href=\"wexal.html\""), std::wstring::npos);
}

using HelpKeyTest = TaskDialogTest;

TEST_F(HelpKeyTest, F1OnEveryPageOpensItsShippedPage) {
  ShippedHelp help;
  OpenWindow();
  ConnectSqlite();
  for (int page = 0; page < PageIndex::kPageCount; ++page) {
    window->Tree()->SelectPage(page);
    ASSERT_EQ(page, window->CurrentPage());
    ui.started.clear();
    QTest::keyClick(window.get(), Qt::Key_F1);
    ASSERT_EQ(1u, ui.started.size()) << page;
    const std::wstring opened = ui.started[0].second.at(0);
    EXPECT_EQ(platform::JoinPath(kShippedHelp, HelpTopicOf(page)), opened);
    EXPECT_TRUE(platform::FileExists(opened)) << platform::ToUtf8(opened);
  }
  for (const auto& message : ui.messages)
    EXPECT_EQ(std::wstring::npos, message.text.find(L"help")) << platform::ToUtf8(message.text);
}

TEST_F(HelpKeyTest, F1InTheTaskDialogOpensTheTaskPageAndOnAParameterItsPatternsPage) {
  ShippedHelp help;
  task.SQL = L"insert into t values (?1, ?2)";
  task.ParamType = kParamsGenerated;
  task.Params.resize(2);
  task.Params[0].PropMethod = kParamPattern;
  task.Params[0].PropTempl = L"ID-$rint(1, 99)";
  task.Params[1].PropMethod = kParamPattern;
  task.Params[1].PropTempl = L"$lib(Cities)";
  std::vector<std::wstring> opened;
  const auto pressF1 = [&] {
    ui.started.clear();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog.get(),
                    Qt::Key_F1);
    opened.push_back(ui.started.empty() ? L"<nothing>" : ui.started.back().second.at(0));
  };
  Show([&] {
    pressF1();
    Find<QTabWidget>(*dialog, "taskTabs")->setCurrentIndex(2);
    auto* list = Find<QTableWidget>(*dialog, "paramList");
    list->setCurrentCell(0, 0);
    list->setFocus();
    pressF1();
    list->setCurrentCell(1, 0);
    pressF1();
    Cancel();
  });
  ASSERT_EQ(3u, opened.size());
  EXPECT_EQ(platform::JoinPath(kShippedHelp, L"task.html"), opened[0]);
  EXPECT_EQ(platform::JoinPath(kShippedHelp, L"rint.html"), opened[1]);
  EXPECT_EQ(platform::JoinPath(kShippedHelp, L"library_item.html"), opened[2]);
  for (const std::wstring& file : opened) EXPECT_TRUE(platform::FileExists(file));
}

TEST_F(HelpKeyTest, F1InTheImportDialogOpensItsPage) {
  ShippedHelp help;
  CSqlImport import(nullptr);
  import.show();
  QTest::keyClick(&import, Qt::Key_F1);
  ASSERT_EQ(1u, ui.started.size());
  EXPECT_EQ(platform::JoinPath(kShippedHelp, L"sqlimport.html"), ui.started[0].second.at(0));
}

}  // namespace
