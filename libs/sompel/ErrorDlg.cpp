#include "sompel/ErrorDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QPlainTextEdit* ReadOnlyText(const QString& text, const QString& name, QWidget* parent) {
  auto* view = new QPlainTextEdit(text, parent);
  view->setObjectName(name);
  view->setReadOnly(true);
  view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return view;
}

// At least `lines` lines of the view's font stay visible however small the dialog is made.
void KeepLinesVisible(QPlainTextEdit& view, int lines) {
  const int frame = 2 * view.frameWidth() + static_cast<int>(2 * view.document()->documentMargin());
  view.setMinimumHeight(view.fontMetrics().lineSpacing() * lines + frame);
}

}  // namespace

CErrorDlg::CErrorDlg(const QString& errorText, const QString& statement, QWidget* parent)
    : CSmDialog(parent, QStringLiteral("ErrorDlg")), errorText_(errorText), statement_(statement) {
  setWindowTitle(tr("Script error"));

  auto* heading = new QHBoxLayout;
  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this)
                      .pixmap(iconSize, iconSize));
  heading->addWidget(icon, 0, Qt::AlignTop);
  heading->addWidget(new QLabel(tr("A statement of the script failed."), this), 1);

  auto* errorView = ReadOnlyText(errorText, QStringLiteral("errorText"), this);
  KeepLinesVisible(*errorView, 3);
  auto* statementView = ReadOnlyText(statement, QStringLiteral("statement"), this);
  statementView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  statementView->setLineWrapMode(QPlainTextEdit::NoWrap);
  KeepLinesVisible(*statementView, 5);

  auto* errorLabel = new QLabel(tr("&Error:"), this);
  errorLabel->setBuddy(errorView);
  auto* statementLabel = new QLabel(tr("&Statement:"), this);
  statementLabel->setBuddy(statementView);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(heading);
  layout->addWidget(errorLabel);
  layout->addWidget(errorView, 1);
  layout->addWidget(statementLabel);
  layout->addWidget(statementView, 2);
  layout->addWidget(buttons);

  // Wide enough for a typical diagnostic on one line; the saved layout wins when there is one.
  resize(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 80, sizeHint().height());
  LoadLayout();
}
