#include "brunox/ui/task/OptionPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/Text.h"

OptionPage::OptionPage(QWidget* parent) : QWidget(parent), grid_(new QGridLayout) {
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid_);
  layout->addStretch(1);
}

OptionPage::~OptionPage() = default;

QLineEdit* OptionPage::AddEdit(int row, const QString& label, const QString& name) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  auto* caption = new QLabel(label, this);
  caption->setBuddy(edit);
  grid_->addWidget(caption, row, 0);
  grid_->addWidget(edit, row, 1);
  return edit;
}

int OptionPage::NumberIn(const QLineEdit& edit) {
  return platform::ToInt(edit.text().toStdWString());
}
