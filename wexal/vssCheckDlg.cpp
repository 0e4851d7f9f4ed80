#include "wexal/vssCheckDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>


vssCheckDlg::vssCheckDlg(QWidget* parent, WEXAL_API* api, VSS_OPER mode)
    : CSmDialog(parent, QStringLiteral("vssCheckDlg")),
      ownModel_(std::make_unique<wexal::CheckDialogModel>(api, mode)),
      model_(*ownModel_) {
  BuildControls();
}

vssCheckDlg::vssCheckDlg(QWidget* parent, wexal::CheckDialogModel& model)
    : CSmDialog(parent, QStringLiteral("vssCheckDlg")), model_(model) {
  BuildControls();
}

vssCheckDlg::~vssCheckDlg() = default;

void vssCheckDlg::BuildControls() {
  SetHelpTopic(L"wexal.html");
  setObjectName(QStringLiteral("vssCheckDlg"));
  auto* fileLabel = new QLabel(QStringLiteral("File name [version]"), this);
  fileEdit_ = new QLineEdit(this);
  fileEdit_->setObjectName(QStringLiteral("fileEdit"));
  itemCombo_ = new QComboBox(this);
  itemCombo_->setObjectName(QStringLiteral("itemCombo"));
  itemCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  itemCombo_->setMinimumContentsLength(30);
  auto* commentLabel = new QLabel(QStringLiteral("Comment"), this);
  commentEdit_ = new QLineEdit(this);
  commentEdit_->setObjectName(QStringLiteral("commentEdit"));
  fileLabel->setBuddy(fileEdit_);
  commentLabel->setBuddy(commentEdit_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  okButton_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &vssCheckDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &vssCheckDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fileLabel);
  layout->addWidget(fileEdit_);
  layout->addWidget(itemCombo_);
  layout->addWidget(commentLabel);
  layout->addWidget(commentEdit_);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(360);
}

void vssCheckDlg::Prepare() {
  if (shown_) return;
  shown_ = true;
  model_.Initialize();
  ShowModel();
  LoadLayout();
}

void vssCheckDlg::ShowModel() {
  setWindowTitle(QString::fromStdWString(model_.Title()));
  itemCombo_->clear();
  for (const std::wstring& entry : model_.Entries())
    itemCombo_->addItem(QString::fromStdWString(entry));
  itemCombo_->setCurrentIndex(model_.selection);
  itemCombo_->setVisible(model_.ComboShown());
  itemCombo_->setEnabled(model_.ComboEnabled());
  fileEdit_->setText(QString::fromStdWString(model_.fileEditText));
  fileEdit_->setVisible(model_.FileEditShown());
  commentEdit_->setText(QString::fromStdWString(model_.comment));
  commentEdit_->setEnabled(model_.CommentEnabled());
  if (model_.FileEditShown())
    fileEdit_->setFocus();
  else if (model_.ComboEnabled())
    itemCombo_->setFocus();
  else
    commentEdit_->setFocus();
}

void vssCheckDlg::ReadControls() {
  model_.fileEditText = fileEdit_->text().toStdWString();
  model_.comment = commentEdit_->text().toStdWString();
  model_.selection = itemCombo_->currentIndex();
}

void vssCheckDlg::showEvent(QShowEvent* event) {
  Prepare();
  CSmDialog::showEvent(event);
}

void vssCheckDlg::accept() {
  ReadControls();
  if (model_.Accept())
    CSmDialog::accept();
  else
    CSmDialog::reject();
}
