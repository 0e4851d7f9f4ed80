#include "brunox/ui/run/PgLogView.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "mervis/Log.h"

PgLogView::PgLogView(QWidget* parent)
    : CTitledPage(QStringLiteral("Log File"), parent), text_(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("PgLogView"));
  text_->setObjectName(QStringLiteral("log"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* note = new QLabel(QStringLiteral("This window shows the last log rows only. Use menu "
                                         "Tools->Log file->View to view complete one."),
                          this);
  note->setObjectName(QStringLiteral("note"));
  note->setWordWrap(true);
  // The page's final size may come after the text: while the caret is at the end, the end stays
  // in view.
  connect(text_->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
    if (text_->textCursor().atEnd()) text_->ensureCursorVisible();
  });
  Body()->addWidget(text_, 1);
  Body()->addWidget(note);
}

PgLogView::~PgLogView() = default;

void PgLogView::Activate() {
  CTitledPage::Activate();
  text_->setPlainText(QString::fromStdWString(CLog::GetLastRows()));
  text_->moveCursor(QTextCursor::End);
  text_->ensureCursorVisible();
}
