#include "sompel/AboutDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "mervis/Log.h"
#include "platform/Folders.h"

#ifndef BRUNOX_VERSION
#error "the build passes the program version as BRUNOX_VERSION"
#endif

namespace {

QLabel* SelectableLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CSmDialog(parent, QStringLiteral("About")) {
  auto* top = new QHBoxLayout;
  icon_ = new QLabel(this);
  icon_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  top->addWidget(icon_);

  auto* text = new QVBoxLayout;
  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("title"));
  QFont titleFont = title_->font();
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
  titleFont.setBold(true);
  title_->setFont(titleFont);
  text->addWidget(title_);
  auto* version = SelectableLabel(this);
  version->setObjectName(QStringLiteral("version"));
  version->setText(tr("Version %1").arg(Version()));
  text->addWidget(version);
  text->addWidget(new QLabel(tr("Database load testing on real servers over ODBC."), this));

  auto* places = new QFormLayout;
  settingsFolder_ = SelectableLabel(this);
  settingsFolder_->setObjectName(QStringLiteral("settingsFolder"));
  logFile_ = SelectableLabel(this);
  logFile_->setObjectName(QStringLiteral("logFile"));
  places->addRow(tr("Settings:"), settingsFolder_);
  places->addRow(tr("Program log:"), logFile_);
  text->addSpacing(fontMetrics().height() / 2);
  text->addLayout(places);
  text->addStretch(1);
  top->addLayout(text, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(buttons);
  Init(nullptr, QIcon(), QStringLiteral("Brunox"));
  LoadLayout();
}

QString CAboutDlg::Version() { return QStringLiteral(BRUNOX_VERSION); }

void CAboutDlg::Init(_Settings*, const QIcon& icon, const QString& title) {
  setWindowIcon(icon);
  setWindowTitle(tr("About %1").arg(title));
  title_->setText(title);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this) * 2;
  QPixmap pixmap = icon.pixmap(iconSize, iconSize);
  // An icon without a large image gives a small pixmap; it is shown at the size of the others.
  if (!pixmap.isNull() && pixmap.width() < iconSize)
    pixmap = pixmap.scaled(iconSize, iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  icon_->setPixmap(pixmap);
  icon_->setVisible(!icon.isNull());
  settingsFolder_->setText(QString::fromStdWString(platform::ConfigFolder()));
  const std::wstring log = CLog::FilePath();
  logFile_->setText(log.empty() ? tr("(not open)") : QString::fromStdWString(log));
}
