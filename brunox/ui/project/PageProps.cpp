#include "brunox/ui/project/PageProps.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "brunox/engine/app/BrunoxApp.h"
#include "brunox/engine/project/Project.h"
#include "brunox/ui/common/ChoosePath.h"
#include "mervis/Log.h"
#include "platform/Text.h"

namespace {

struct FileKind {
  const char* label;
  const wchar_t* filter;
  const wchar_t* defaultExt;
  std::wstring Project::*field;
};

constexpr FileKind kFiles[PageProps::kFileCount] = {
    {"&Save executed SQL/DDL statements to text file :",
     L"Text files (*.txt)|*.txt|All Files(*.*)|*.*||", L"txt", &Project::SQLFile},
    {"Write execution report to &HTML document :",
     L"HTML documents (*.html)|*.html|All Files(*.*)|*.*||", L"html", &Project::ReportFile},
    {"Write execution report to &Excel compatible text file :",
     L"Text files (*.txt)|*.txt|All Files(*.*)|*.*||", L"txt", &Project::ReportTxtFile},
    {"Write report in the internal format for comparison purpose to :",
     L"DB Brunox Internal Reports (*.bnxrep)|*.bnxrep|All Files(*.*)|*.*||", L"bnxrep",
     &Project::ReportIniFile},
};

// A note typed here has plain line feeds; a note written elsewhere may have CR LF line ends, and
// showing it unchanged must not count as an edit.
std::wstring WithLineFeeds(const std::wstring& text) {
  return platform::ReplaceAll(text, L"\r\n", L"\n");
}

}  // namespace

PageProps::PageProps(std::function<void()> modified, QWidget* parent)
    : CTitledPage(tr("Project Properties"), parent),
      modified_(std::move(modified)),
      openReport_(new QCheckBox(tr("&Open automatically after project execution"), this)),
      note_(new QPlainTextEdit(this)),
      author_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("PageProps"));
  openReport_->setObjectName(QStringLiteral("openReport"));
  note_->setObjectName(QStringLiteral("note"));
  note_->setTabChangesFocus(true);
  author_->setObjectName(QStringLiteral("author"));

  auto* noteLabel = new QLabel(tr("&Note :"), this);
  noteLabel->setBuddy(note_);
  Body()->addWidget(noteLabel);
  Body()->addWidget(note_, 1);
  auto* authorRow = new QHBoxLayout;
  auto* authorLabel = new QLabel(tr("Author :"), this);
  authorLabel->setBuddy(author_);
  authorRow->addWidget(authorLabel);
  authorRow->addWidget(author_, 1);
  Body()->addLayout(authorRow);
  Body()->addSpacing(fontMetrics().height() / 2);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(0, 1);
  int row = 0;
  for (int file = 0; file < kFileCount; ++file) {
    AddFileRow(*grid, row, static_cast<File>(file), tr(kFiles[file].label));
    row += 2;
    // The HTML report is the one that can open by itself.
    if (file == kHtmlReport) grid->addWidget(openReport_, row++, 0, 1, 2);
  }
  Body()->addLayout(grid);

  auto* macros = new QLabel(
      tr("Note: $DATE$ and $TIME$ macros can be used as a part of the report file name."), this);
  macros->setObjectName(QStringLiteral("macrosNote"));
  macros->setWordWrap(true);
  Body()->addWidget(macros);
}

PageProps::~PageProps() = default;

void PageProps::AddFileRow(QGridLayout& grid, int row, File file, const QString& label) {
  FileRow& r = files_[file];
  r.edit = new QLineEdit(this);
  r.edit->setObjectName(QStringLiteral("file%1").arg(file));
  r.browse = new QPushButton(QStringLiteral("..."), this);
  r.browse->setObjectName(QStringLiteral("browse%1").arg(file));
  r.browse->setToolTip(tr("Choose the file"));
  auto* caption = new QLabel(label, this);
  caption->setBuddy(r.edit);
  grid.addWidget(caption, row, 0, 1, 2);
  grid.addWidget(r.edit, row + 1, 0);
  grid.addWidget(r.browse, row + 1, 1);
  connect(r.browse, &QPushButton::clicked, this, [this, file] { Browse(file); });
}

void PageProps::Browse(File file) {
  ChooseSavePath(*files_[file].edit, kFiles[file].filter, kFiles[file].defaultExt);
}

PageProps::Shown PageProps::ShownNow() const {
  Shown now;
  now.openReport = openReport_->isChecked() ? 1 : 0;
  for (int file = 0; file < kFileCount; ++file)
    now.files[file] = files_[file].edit->text().toStdWString();
  now.note = note_->toPlainText().toStdWString();
  now.author = author_->text().toStdWString();
  return now;
}

void PageProps::LoadFromProject() {
  openReport_->setChecked(g_project.OpenReport != 0);
  for (int file = 0; file < kFileCount; ++file)
    files_[file].edit->setText(QString::fromStdWString(g_project.*kFiles[file].field));
  note_->setPlainText(QString::fromStdWString(g_project.Note));
  author_->setText(QString::fromStdWString(g_project.Author));
  shown_ = ShownNow();
}

void PageProps::StoreToProject() {
  CLog::State(L"PageProps::SaveData");
  const Shown now = ShownNow();
  bool changed = false;
  if (now.openReport != shown_.openReport)
    changed |= StoreIfDifferent(g_project.OpenReport, now.openReport);
  for (int file = 0; file < kFileCount; ++file)
    if (now.files[file] != shown_.files[file])
      changed |= StoreIfDifferent(g_project.*kFiles[file].field, now.files[file]);
  // The note comes back with line feeds only; a note the user did not touch keeps its CR LF.
  if (now.note != shown_.note && now.note != WithLineFeeds(g_project.Note))
    changed |= StoreIfDifferent(g_project.Note, now.note);
  if (now.author != shown_.author) changed |= StoreIfDifferent(g_project.Author, now.author);
  shown_ = now;
  CLog::State(nullptr);
  if (changed && modified_) modified_();
}
