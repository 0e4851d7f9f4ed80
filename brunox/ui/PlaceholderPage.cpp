#include "brunox/ui/PlaceholderPage.h"

#include <QLabel>
#include <QVBoxLayout>

CPlaceholderPage::CPlaceholderPage(const QString& caption, const QString& comesWith,
                                   QWidget* parent)
    : CTitledPage(caption, parent), note_(new QLabel(comesWith, this)) {
  note_->setWordWrap(true);
  note_->setObjectName(QStringLiteral("note"));
  Body()->addWidget(note_);
  Body()->addStretch(1);
}

CPlaceholderPage::~CPlaceholderPage() = default;

QString CPlaceholderPage::Note() const { return note_->text(); }
