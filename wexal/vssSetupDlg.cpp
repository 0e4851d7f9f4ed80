#include "wexal/vssSetupDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "wexal/wexalVSS.h"

namespace {

QString ToQ(const std::wstring& s) { return QString::fromStdWString(s); }

QPushButton* Button(const QString& text, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* Edit(const QString& name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

}  // namespace

vssSetupDlg::vssSetupDlg(QWidget* parent, wexalVSS* vss)
    : CSmDialog(parent, QStringLiteral("vssSetupDlg")), model_(*vss) {
  setWindowTitle(QStringLiteral("Visual Source Safe Configuration"));
  SetHelpTopic(L"wexal.html");

  databaseFile_ = Edit(QStringLiteral("databaseFile"), this);
  user_ = Edit(QStringLiteral("user"), this);
  password_ = Edit(QStringLiteral("password"), this);
  password_->setEchoMode(QLineEdit::Password);
  // Masked with '*' whatever the style's own mask character is.
  password_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
  localFolder_ = Edit(QStringLiteral("localFolder"), this);
  project_ = new QComboBox(this);
  project_->setObjectName(QStringLiteral("project"));
  project_->setEditable(true);
  project_->setMinimumContentsLength(24);

  QPushButton* browseDatabase =
      Button(QStringLiteral("&Browse..."), QStringLiteral("browseDatabase"), this);
  QPushButton* browseFolder =
      Button(QStringLiteral("Browse..."), QStringLiteral("browseFolder"), this);
  QPushButton* fill = Button(QStringLiteral("<<"), QStringLiteral("fillProjects"), this);
  fill->setToolTip(QStringLiteral("List the projects of the database"));
  QPushButton* test = Button(QStringLiteral("Test"), QStringLiteral("test"), this);

  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(new QLabel(QStringLiteral("Database (srcsafe.ini):"), this), row, 0);
  grid->addWidget(databaseFile_, row, 1);
  grid->addWidget(browseDatabase, row++, 2);
  grid->addWidget(new QLabel(QStringLiteral("User:"), this), row, 0);
  grid->addWidget(user_, row++, 1);
  grid->addWidget(new QLabel(QStringLiteral("Password:"), this), row, 0);
  grid->addWidget(password_, row++, 1);
  grid->addWidget(new QLabel(QStringLiteral("Project:"), this), row, 0);
  grid->addWidget(project_, row, 1);
  grid->addWidget(fill, row++, 2);
  grid->addWidget(new QLabel(QStringLiteral("Local folder:"), this), row, 0);
  grid->addWidget(localFolder_, row, 1);
  grid->addWidget(browseFolder, row++, 2);
  grid->setColumnStretch(1, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->addButton(test, QDialogButtonBox::ActionRole);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &vssSetupDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &vssSetupDlg::reject);
  connect(browseDatabase, &QPushButton::clicked, this, &vssSetupDlg::OnBrowseDatabase);
  connect(browseFolder, &QPushButton::clicked, this, &vssSetupDlg::OnBrowseLocalFolder);
  connect(fill, &QPushButton::clicked, this, &vssSetupDlg::OnFillProjects);
  connect(test, &QPushButton::clicked, this, &vssSetupDlg::OnTest);

  ShowFields();
  resize(520, sizeHint().height());
  LoadLayout();
}

void vssSetupDlg::ReadControls() {
  model_.fields.databaseFile = databaseFile_->text().toStdWString();
  model_.fields.user = user_->text().toStdWString();
  model_.fields.password = password_->text().toStdWString();
  model_.fields.localFolder = localFolder_->text().toStdWString();
  model_.fields.project = project_->currentText().toStdWString();
}

void vssSetupDlg::ShowFields() {
  databaseFile_->setText(ToQ(model_.fields.databaseFile));
  user_->setText(ToQ(model_.fields.user));
  password_->setText(ToQ(model_.fields.password));
  localFolder_->setText(ToQ(model_.fields.localFolder));
  project_->setEditText(ToQ(model_.fields.project));
}

void vssSetupDlg::OnBrowseDatabase() {
  ReadControls();
  if (model_.BrowseDatabase()) databaseFile_->setText(ToQ(model_.fields.databaseFile));
}

void vssSetupDlg::OnBrowseLocalFolder() {
  ReadControls();
  if (model_.BrowseLocalFolder()) localFolder_->setText(ToQ(model_.fields.localFolder));
}

void vssSetupDlg::OnFillProjects() {
  ReadControls();
  if (!model_.FillProjects()) return;
  const QString typed = project_->currentText();
  project_->clear();
  for (const std::wstring& p : model_.projects) project_->addItem(ToQ(p));
  project_->setEditText(typed);
}

void vssSetupDlg::OnTest() {
  ReadControls();
  model_.Test();
}

void vssSetupDlg::accept() {
  ReadControls();
  if (!model_.Accept()) return;
  CSmDialog::accept();
}

void vssSetupDlg::reject() {
  model_.Cancel();
  CSmDialog::reject();
}
