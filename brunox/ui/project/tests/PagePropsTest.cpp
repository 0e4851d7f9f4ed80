// The project properties page in the window: what it shows of the project, what it writes back
// and when, the "..." save dialogs, and the project's modified mark.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "brunox/engine/project/Project.h"
#include "brunox/ui/common/CommandIds.h"
#include "brunox/ui/window/PageIndex.h"
#include "brunox/ui/project/PageProps.h"
#include "brunox/ui/window/StrModes.h"
#include "brunox/ui/window/tests/WindowFixture.h"
#include "platform/TextFile.h"
#include "testsupport/Screenshot.h"
#include "testsupport/TestEnv.h"

namespace {

// Keeps what each save dialog was asked to show.
class DialogRecordingUi : public testsupport::RecordingUi {
 public:
  std::vector<platform::FileDialogRequest> requests;
  bool SaveFileDialog(const platform::FileDialogRequest& request, std::wstring& path) override {
    requests.push_back(request);
    return RecordingUi::SaveFileDialog(request, path);
  }
};

class PagePropsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenWindow();
    window->resize(1000, 700);
    auto page = std::make_unique<PageProps>([this] { window->SetModified(); });
    page_ = page.get();
    window->InstallPage(PageIndex::PageProps, std::move(page));
  }

  void Enter() { window->Tree()->SelectPage(PageIndex::PageProps); }
  void Leave() { window->Tree()->SelectPage(PageIndex::PageStat); }
  bool Modified() const { return g_project.Saved == 0; }

  PageProps* page_ = nullptr;
};

void FillProject(Project& p) {
  p.OpenReport = 1;
  p.SQLFile = L"/tmp/log $DATE$.txt";
  p.ReportFile = L"/tmp/report.html";
  p.ReportTxtFile = L"/tmp/report.txt";
  p.ReportIniFile = L"/tmp/report.bnxrep";
  p.Note = L"first line\nsecond line";
  p.Author = L"Ilse";
  p.Saved = 1;
}

TEST_F(PagePropsTest, ShowsTheProjectAndWritesEditsBackWhenLeft) {
  FillProject(g_project);
  Enter();
  EXPECT_EQ(QStringLiteral("Project Properties"), page_->Caption());
  EXPECT_TRUE(page_->OpenReportCheck()->isChecked());
  EXPECT_EQ(QStringLiteral("/tmp/log $DATE$.txt"),
            page_->FileEdit(PageProps::kStatementLog)->text());
  EXPECT_EQ(QStringLiteral("/tmp/report.html"), page_->FileEdit(PageProps::kHtmlReport)->text());
  EXPECT_EQ(QStringLiteral("/tmp/report.txt"), page_->FileEdit(PageProps::kTextReport)->text());
  EXPECT_EQ(QStringLiteral("/tmp/report.bnxrep"),
            page_->FileEdit(PageProps::kInternalReport)->text());
  EXPECT_EQ(QStringLiteral("first line\nsecond line"), page_->NoteEdit()->toPlainText());
  EXPECT_EQ(QStringLiteral("Ilse"), page_->AuthorEdit()->text());

  page_->OpenReportCheck()->click();
  for (int file = 0; file < PageProps::kFileCount; ++file) {
    QLineEdit* edit = page_->FileEdit(static_cast<PageProps::File>(file));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("/data/out%1").arg(file));
  }
  page_->NoteEdit()->setPlainText(QStringLiteral("one\ntwo\nthree"));
  // Typing alone changes nothing in the project; leaving the page does.
  EXPECT_EQ(L"/tmp/report.html", g_project.ReportFile);
  EXPECT_FALSE(Modified());
  Leave();
  EXPECT_TRUE(Modified());
  EXPECT_EQ(0, g_project.OpenReport);
  EXPECT_EQ(L"/data/out0", g_project.SQLFile);
  EXPECT_EQ(L"/data/out1", g_project.ReportFile);
  EXPECT_EQ(L"/data/out2", g_project.ReportTxtFile);
  EXPECT_EQ(L"/data/out3", g_project.ReportIniFile);
  EXPECT_EQ(L"one\ntwo\nthree", g_project.Note);
  EXPECT_EQ(L"Ilse", g_project.Author);

  // Coming back shows the project as it is now.
  g_project.Author = L"Jonas";
  Enter();
  EXPECT_EQ(QStringLiteral("Jonas"), page_->AuthorEdit()->text());
}

TEST_F(PagePropsTest, OnlyAChangedValueMarksTheProjectModified) {
  FillProject(g_project);
  // A note written with CR LF line ends, shown and left as it is, is no edit.
  g_project.Note = L"written\r\nelsewhere";
  Enter();
  Leave();
  EXPECT_FALSE(Modified());
  EXPECT_EQ(L"written\r\nelsewhere", g_project.Note);

  Enter();
  page_->AuthorEdit()->setText(QStringLiteral("Ilse B."));
  Leave();
  EXPECT_TRUE(Modified());
  EXPECT_EQ(L"Ilse B.", g_project.Author);
  EXPECT_EQ(L"written\r\nelsewhere", g_project.Note) << "the note was not touched";
  EXPECT_EQ(L"/tmp/report.html", g_project.ReportFile);

  // Typed back to what it was: nothing differs, nothing is marked.
  g_project.Saved = 1;
  Enter();
  page_->AuthorEdit()->setText(QStringLiteral("x"));
  page_->AuthorEdit()->setText(QStringLiteral("Ilse B."));
  Leave();
  EXPECT_FALSE(Modified());
}

TEST_F(PagePropsTest, SavingFromThePageSavesWhatIsTyped) {
  Enter();
  QTest::keyClicks(page_->AuthorEdit(), QStringLiteral("Marta"));
  const std::wstring path =
      platform::FolderPart(testsupport::NewScratchPath(L"props")) + L"/typed.bxp";
  ui.fileChoices.push_back(path);
  EXPECT_EQ(CBrunoxDlg::CommandResult::Done, window->OnCommand(kCmdSave));
  EXPECT_EQ(PageIndex::PageProps, window->CurrentPage());
  Project saved;
  saved.Load(path);
  EXPECT_EQ(L"Marta", saved.Author);
}

TEST_F(PagePropsTest, BrowseButtonsOfferTheirFileKindAndACancelKeepsTheEdit) {
  DialogRecordingUi dialogs;
  Enter();
  struct Expected {
    PageProps::File file;
    const wchar_t* filter;
    const wchar_t* ext;
  };
  const Expected expected[] = {
      {PageProps::kStatementLog, L"Text files (*.txt)|*.txt|All Files(*.*)|*.*||", L"txt"},
      {PageProps::kHtmlReport, L"HTML documents (*.html)|*.html|All Files(*.*)|*.*||", L"html"},
      {PageProps::kTextReport, L"Text files (*.txt)|*.txt|All Files(*.*)|*.*||", L"txt"},
      {PageProps::kInternalReport,
       L"DB Brunox Internal Reports (*.bnxrep)|*.bnxrep|All Files(*.*)|*.*||", L"bnxrep"},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.file);
    QLineEdit* edit = page_->FileEdit(e.file);
    edit->setText(QStringLiteral("/old/name"));
    dialogs.requests.clear();
    dialogs.fileChoices.push_back(L"");  // cancelled
    page_->BrowseButton(e.file)->click();
    ASSERT_EQ(1u, dialogs.requests.size());
    EXPECT_EQ(e.filter, dialogs.requests[0].filter);
    EXPECT_EQ(e.ext, dialogs.requests[0].defaultExt);
    EXPECT_EQ(L"/old/name", dialogs.requests[0].fileName) << "starts from the edit's text";
    EXPECT_EQ(QStringLiteral("/old/name"), edit->text());

    dialogs.fileChoices.push_back(L"/new/name");
    page_->BrowseButton(e.file)->click();
    EXPECT_EQ(QStringLiteral("/new/name"), edit->text());
  }
  EXPECT_EQ(std::wstring(), g_project.ReportFile) << "the project gets it when the page is left";
}

TEST_F(PagePropsTest, Screenshot) {
  FillProject(g_project);
  g_project.Note = L"Nightly load test of the order tables.\nRuns against the staging copy.";
  Enter();
  EXPECT_FALSE(
      testsupport::SaveScreenshot(*window, QStringLiteral("project_properties")).isEmpty());
}

}  // namespace
