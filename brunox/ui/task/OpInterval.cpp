#include "brunox/ui/task/OpInterval.h"

#include <QLineEdit>

#include "platform/Text.h"

OpInterval::OpInterval(QWidget* parent)
    : OptionPage(parent),
      from_(AddEdit(0, tr("&Between"), QStringLiteral("between"))),
      to_(AddEdit(1, tr("&and"), QStringLiteral("and"))) {}

OpInterval::~OpInterval() = default;

void OpInterval::LoadParam(const TaskParam& param) {
  from_->setText(Text(param.PropFrom));
  to_->setText(Text(param.PropTo));
}

void OpInterval::StoreParam(TaskParam& param) {
  param.PropFrom = NumberIn(*from_);
  param.PropTo = NumberIn(*to_);
  BuildPattern(param);
}

void OpInterval::BuildPattern(TaskParam& param) {
  param.PropMethod = kParamInterval;
  param.PropTempl =
      L"$RInt(" + platform::FromInt(param.PropFrom) + L"," + platform::FromInt(param.PropTo) + L")";
}
