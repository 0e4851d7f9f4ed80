#include "brunox/ui/task/OpString.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <iterator>

#include "platform/Text.h"

namespace {

struct CharClass {
  const char* label;
  const char* name;
  wchar_t letter;  // the pattern's class character
};

// In PropStrType order.
constexpr CharClass kClasses[] = {
    {"&Upper letters (ABCD...)", "upperLetters", L'A'},
    {"Lo&wer letters (abcd...)", "lowerLetters", L'a'},
    {"&Digits (0123...9)", "digits", L'N'},
    {"&Hexadecimal Digits (01234...DEF)", "hexDigits", L'X'},
};

constexpr int kClassCount = 4;
static_assert(std::size(kClasses) == kClassCount);

bool IsClass(int type) { return type >= 0 && type < kClassCount; }

}  // namespace

OpString::OpString(QWidget* parent)
    : OptionPage(parent),
      from_(AddEdit(0, tr("&Length from"), QStringLiteral("lengthFrom"))),
      to_(AddEdit(1, tr("&to"), QStringLiteral("lengthTo"))) {
  auto* group = new QButtonGroup(this);
  for (int type = 0; type < kClassCount; ++type) {
    classes_[type] = new QRadioButton(tr(kClasses[type].label), this);
    classes_[type]->setObjectName(QString::fromLatin1(kClasses[type].name));
    group->addButton(classes_[type], type);
    Grid()->addWidget(classes_[type], 2 + type, 0, 1, 2);
  }
  classes_[0]->setChecked(true);
}

OpString::~OpString() = default;

void OpString::LoadParam(const TaskParam& param) {
  from_->setText(Text(param.PropLenFrom));
  to_->setText(Text(param.PropLenTo));
  classes_[IsClass(param.PropStrType) ? param.PropStrType : 0]->setChecked(true);
}

void OpString::StoreParam(TaskParam& param) {
  param.PropLenFrom = NumberIn(*from_);
  param.PropLenTo = NumberIn(*to_);
  param.PropStrType = 0;
  for (int type = 0; type < kClassCount; ++type) {
    if (classes_[type]->isChecked()) {
      param.PropStrType = type;
      break;
    }
  }
  BuildPattern(param);
}

void OpString::BuildPattern(TaskParam& param) {
  if (!IsClass(param.PropStrType)) param.PropStrType = 0;
  param.PropMethod = kParamString;
  param.PropTempl = std::wstring(1, kClasses[param.PropStrType].letter) + L"{" +
                    platform::FromInt(param.PropLenFrom) + L";" +
                    platform::FromInt(param.PropLenTo) + L"}";
}
