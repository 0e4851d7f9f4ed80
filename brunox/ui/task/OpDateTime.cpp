#include "brunox/ui/task/OpDateTime.h"

#include <QGridLayout>
#include <QLabel>

#include "sompel/HistCBox.h"

namespace {

constexpr wchar_t kDefaultFormat[] = L"YYYY.MM.DD HH:MM:SS";

}  // namespace

OpDateTime::OpDateTime(QWidget* parent) : OptionPage(parent), format_(new CHistCBox(this)) {
  format_->setObjectName(QStringLiteral("format"));
  format_->setEditable(true);
  format_->SetHistory(QStringLiteral("DateFormats"),
                      {QString::fromWCharArray(kDefaultFormat)});
  format_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* label = new QLabel(tr("&Format :"), this);
  label->setBuddy(format_);
  Grid()->addWidget(label, 0, 0);
  Grid()->addWidget(format_, 0, 1);
}

OpDateTime::~OpDateTime() = default;

void OpDateTime::LoadParam(const TaskParam& param) {
  format_->SelectText(QString::fromStdWString(param.PropDateFormat));
}

void OpDateTime::PreviewParam(TaskParam& param) {
  param.PropDateFormat = format_->CurrentText().toStdWString();
  BuildPattern(param);
}

void OpDateTime::StoreParam(TaskParam& param) {
  PreviewParam(param);
  format_->Remember();
}

// The format splits at "HH", where the time of day begins:
// - "HH" after the start: the date is the text before the first blank (all of the format when
//   it has no blank, or begins with one), the time is the text from "HH" on, and both are drawn
//   ("YYYY.MM.DD HH:MM:SS" gives "$RDate(YYYY.MM.DD) $RTime(HH:MM:SS)");
// - no "HH": a date only, of the whole format ("DD MON YYYY" gives "$RDate(DD MON YYYY)");
// - "HH" at the start: a time only, of the whole format ("HH:MM" gives "$RTime(HH:MM)").
void OpDateTime::BuildPattern(TaskParam& param) {
  const std::wstring& format = param.PropDateFormat;
  const std::size_t hours = format.find(L"HH");
  std::wstring pattern;
  if (hours == 0) {
    pattern = L"$RTime(" + format + L")";
  } else if (hours == std::wstring::npos) {
    pattern = L"$RDate(" + format + L")";
  } else {
    const std::size_t blank = format.find(L' ');
    const std::wstring date = blank != std::wstring::npos && blank >= 1 ? format.substr(0, blank)
                                                                         : format;
    pattern = L"$RDate(" + date + L") $RTime(" + format.substr(hours) + L")";
  }
  param.PropMethod = kParamDateTime;
  param.PropTempl = pattern;
}
