#include "sompel/SqlLibraryDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UserFile.h"
#include "sompel/ColorEditWnd.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPathRole = Qt::UserRole;
// Folders deeper than this are not listed: a library is a few levels of topics, and a link that
// loops must not make the listing endless.
constexpr int kMaxDepth = 16;

bool IsSqlFile(const fs::path& path) {
  return platform::EqualsNoCase(platform::FromUtf8(path.extension().string()), L".sql");
}

struct Entry {
  std::wstring name;
  fs::path path;
};

void SortByName(std::vector<Entry>& entries) {
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const int c = platform::CompareNoCase(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
}

// Adds the folders and script files of `folder` below `parent`; folders without any script
// file below them are left out. Returns the number of files added.
int AddFolder(QTreeWidgetItem* parent, const fs::path& folder, int depth, const QIcon& folderIcon,
              const QIcon& fileIcon) {
  std::vector<Entry> folders, files;
  std::error_code error;
  for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    std::error_code ignored;
    Entry entry{platform::FromUtf8(path.filename().string()), path};
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) folders.push_back(entry);
    else if (it->is_regular_file(ignored) && IsSqlFile(path)) files.push_back(entry);
  }
  SortByName(folders);
  SortByName(files);
  int added = 0;
  if (depth < kMaxDepth) {
    for (const Entry& sub : folders) {
      auto* item = new QTreeWidgetItem(parent, {QString::fromStdWString(sub.name)});
      item->setIcon(0, folderIcon);
      const int below = AddFolder(item, sub.path, depth + 1, folderIcon, fileIcon);
      if (below == 0) delete item;
      added += below;
    }
  }
  for (const Entry& file : files) {
    auto* item = new QTreeWidgetItem(parent, {QString::fromStdWString(file.name)});
    item->setIcon(0, fileIcon);
    item->setData(0, kPathRole, QString::fromStdWString(platform::FromUtf8(file.path.string())));
    ++added;
  }
  return added;
}

}  // namespace

CSqlLibraryDlg::CSqlLibraryDlg(QWidget* parent) : CSmDialog(parent, QStringLiteral("SQLLibrary")) {
  setWindowTitle(tr("SQL Library"));

  folder_ = new QLabel(this);
  folder_->setObjectName(QStringLiteral("libraryFolder"));
  folder_->setWordWrap(true);
  folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("libraryTree"));
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  preview_ = new CColorEditWnd(this);
  preview_->setObjectName(QStringLiteral("libraryPreview"));
  preview_->setReadOnly(true);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(tree_);
  splitter->addWidget(preview_);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);

  auto* modeBox = new QGroupBox(tr("Put the script into the editor"), this);
  modes_ = new QButtonGroup(this);
  auto* modeLayout = new QHBoxLayout(modeBox);
  const struct {
    int mode;
    const char* name;
    const char* text;
  } kModes[] = {{kInsertAtCaret, "insertAtCaret", "&Insert at the caret"},
                {kReplaceText, "replaceText", "&Replace the whole text"},
                {kAppendText, "appendText", "&Append after the text"}};
  for (const auto& m : kModes) {
    auto* radio = new QRadioButton(tr(m.text), modeBox);
    radio->setObjectName(QLatin1String(m.name));
    modes_->addButton(radio, m.mode);
    modeLayout->addWidget(radio);
  }
  modeLayout->addStretch(1);
  modes_->button(kInsertAtCaret)->setChecked(true);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons_, &QDialogButtonBox::accepted, this, &CSqlLibraryDlg::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &CSqlLibraryDlg::reject);
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);

  connect(tree_, &QTreeWidget::currentItemChanged, this, &CSqlLibraryDlg::ShowSelected);
  connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item && !item->data(0, kPathRole).toString().isEmpty()) accept();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(folder_);
  layout->addWidget(splitter, 1);
  layout->addWidget(modeBox);
  layout->addWidget(buttons_);
  const int line = fontMetrics().height();
  resize(QSize(60 * fontMetrics().averageCharWidth(), 28 * line).expandedTo(minimumSizeHint()));
}

CSqlLibraryDlg::~CSqlLibraryDlg() = default;

void CSqlLibraryDlg::SetRootFolder(const std::wstring& folder) { root_ = folder; }

void CSqlLibraryDlg::SetColorizer(const CColorizer& colorizer) { preview_->SetColorizer(colorizer); }

void CSqlLibraryDlg::Refresh() {
  const std::wstring selected = SelectedFile();
  tree_->clear();
  preview_->LoadText(QString());
  const QString root = QString::fromStdWString(root_);
  if (root_.empty()) {
    folder_->setText(tr("No SQL library folder is set: the library is empty."));
  } else if (!platform::DirectoryExists(root_)) {
    folder_->setText(tr("The SQL library folder %1 does not exist.").arg(root));
  } else {
    const int files = AddFolder(tree_->invisibleRootItem(), fs::path(platform::NativePath(root_)), 0,
                                style()->standardIcon(QStyle::SP_DirIcon),
                                style()->standardIcon(QStyle::SP_FileIcon));
    folder_->setText(files > 0 ? tr("Scripts in %1").arg(root)
                               : tr("No SQL scripts (*.sql) in %1").arg(root));
    tree_->expandAll();
  }
  if (!selected.empty()) SelectFile(selected);
  ShowSelected();
}

QTreeWidgetItem* CSqlLibraryDlg::FindFile(QTreeWidgetItem* parent, const QString& path) const {
  for (int i = 0; i < parent->childCount(); ++i) {
    QTreeWidgetItem* child = parent->child(i);
    if (child->data(0, kPathRole).toString() == path) return child;
    if (QTreeWidgetItem* found = FindFile(child, path)) return found;
  }
  return nullptr;
}

bool CSqlLibraryDlg::SelectFile(const std::wstring& path) {
  QTreeWidgetItem* item = FindFile(tree_->invisibleRootItem(), QString::fromStdWString(path));
  if (!item) return false;
  tree_->setCurrentItem(item);
  return true;
}

std::wstring CSqlLibraryDlg::SelectedFile() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item ? item->data(0, kPathRole).toString().toStdWString() : std::wstring();
}

void CSqlLibraryDlg::ShowSelected() {
  const std::wstring path = SelectedFile();
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(!path.empty());
  if (path.empty()) {
    preview_->LoadText(QString());
    return;
  }
  std::wstring text, error;
  if (!platform::ReadUserTextFile(path, text, &error)) text = error;
  preview_->LoadText(QString::fromStdWString(text));
}

void CSqlLibraryDlg::SetInsertionMode(int mode) {
  if (QAbstractButton* radio = modes_->button(mode)) radio->setChecked(true);
}

int CSqlLibraryDlg::InsertionMode() const { return modes_->checkedId(); }

QString CSqlLibraryDlg::FolderText() const { return folder_->text(); }

void CSqlLibraryDlg::accept() {
  const std::wstring path = SelectedFile();
  if (path.empty()) return;
  chosen_ = path;
  CSmDialog::accept();
}

void CSqlLibraryDlg::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    chosen_.clear();  // the file of an earlier showing stays selected in the tree
    Refresh();
  }
  CSmDialog::showEvent(event);
}
