#include "brunox/ui/task/OpCustom.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

// Far beyond any pattern a person types, so that a stored pattern is never cut.
constexpr int kLongestPattern = 1 << 20;

}  // namespace

OpCustom::OpCustom(QWidget* parent) : OptionPage(parent), pattern_(new QLineEdit(this)) {
  pattern_->setObjectName(QStringLiteral("customPattern"));
  pattern_->setMaxLength(kLongestPattern);
  auto* label = new QLabel(tr("Custom expression or &pattern:"), this);
  label->setBuddy(pattern_);
  // The label above the edit, so that a long pattern gets the page's whole width.
  Grid()->addWidget(label, 0, 0);
  Grid()->addWidget(pattern_, 1, 0);
}

OpCustom::~OpCustom() = default;

void OpCustom::LoadParam(const TaskParam& param) {
  pattern_->setText(QString::fromStdWString(param.PropTempl));
}

void OpCustom::StoreParam(TaskParam& param) {
  param.PropMethod = kParamPattern;
  param.PropTempl = pattern_->text().toStdWString();
}
