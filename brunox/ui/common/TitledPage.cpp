#include "brunox/ui/common/TitledPage.h"

#include <QLabel>
#include <QVBoxLayout>

CTitledPage::CTitledPage(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(new QLabel(this)), body_(new QVBoxLayout) {
  SetCaption(caption);
  QFont bold = caption_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.15);
  caption_->setFont(bold);
  caption_->setObjectName(QStringLiteral("caption"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption_);
  layout->addLayout(body_, 1);
}

CTitledPage::~CTitledPage() = default;

void CTitledPage::Activate() {
  show();
  LoadFromProject();
}

void CTitledPage::Deactivate() {
  StoreToProject();
  hide();
}

bool CTitledPage::HandleCommand(int) { return false; }

QString CTitledPage::Caption() const { return captionText_; }

void CTitledPage::SetCaption(const QString& caption) {
  captionText_ = caption;
  // Captions may be written with leading blanks; every page shows its caption at the same place.
  qsizetype start = 0;
  while (start < caption.size() && caption[start] == QLatin1Char(' ')) ++start;
  caption_->setText(caption.mid(start));
}
