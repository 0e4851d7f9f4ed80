#include "synthor/generators/counters/IncDateData.h"

#include <cstdint>
#include <new>

#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/MaskStatic.h"
#include "synthor/engine/MonthNames.h"
#include "synthor/generators/counters/CounterFactories.h"

namespace {

constexpr int kUnit = 3100;
constexpr const wchar_t* kUnitText =
    L"IncDate: wrong step size: 'D','M','Y','H','m' or 'S' expected";
constexpr int kStepCall = 3101;
constexpr const wchar_t* kStepCallText = L"IncDate: incorrect call '%ls' for Step (%ls)";
constexpr int kFromCall = 3102;
constexpr const wchar_t* kFromCallText = L"IncDate: incorrect call '%ls' for From value (%ls)";
constexpr int kLastValue = 3103;
constexpr const wchar_t* kLastValueText = L"IncDate: could not calculate last value [%ls]";

constexpr int64_t kFirstYear = 1;
constexpr int64_t kLastYear = 9999;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12), and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2);
}

// Carries every field into the next larger one. False when the date leaves the years 1..9999
// (the fields are then unchanged).
bool Normalise(IncDateData::Fields* f, int64_t year, int64_t month, int64_t day, int64_t hour,
               int64_t minute, int64_t second) {
  minute += FloorDiv(second, 60);
  second = FloorMod(second, 60);
  hour += FloorDiv(minute, 60);
  minute = FloorMod(minute, 60);
  day += FloorDiv(hour, 24);
  hour = FloorMod(hour, 24);
  year += FloorDiv(month - 1, 12);
  month = FloorMod(month - 1, 12) + 1;
  if (year < kFirstYear - 1 || year > kLastYear + 1) return false;
  int64_t y = 0, m = 0, d = 0;
  CivilFromDays(DaysFromCivil(year, month, 1) + (day - 1), &y, &m, &d);
  if (y < kFirstYear || y > kLastYear) return false;
  f->year = static_cast<int>(y);
  f->month = static_cast<int>(m);
  f->day = static_cast<int>(d);
  f->hour = static_cast<int>(hour);
  f->minute = static_cast<int>(minute);
  f->second = static_cast<int>(second);
  return true;
}

bool Normalise(IncDateData::Fields* f) {
  return Normalise(f, f->year, f->month, f->day, f->hour, f->minute, f->second);
}

// The start when no usable from value is given: the mask with the epoch in it.
std::wstring EpochText(const std::wstring& mask) {
  std::wstring t = platform::ReplaceAll(mask, L"YYYY", L"1970");
  for (const wchar_t* token : {L"DD", L"MM"}) t = platform::ReplaceAll(t, token, L"01");
  for (const wchar_t* token : {L"HH", L"mm", L"SS"}) t = platform::ReplaceAll(t, token, L"00");
  return t;
}

bool Has(const std::wstring& text, const wchar_t* token) {
  return text.find(token) != std::wstring::npos;
}

}  // namespace

IncDateData::IncDateData(const std::vector<std::wstring>* params, DSynthor* engine, CDB_API* conn,
                         std::wstring* errorText, int* errorCode) {
  connection = conn;
  if (engine) engine->MarkDependent();
  counters::ConstructionError error;
  const std::wstring& maskParam = Param(params, 0);
  mask_ = maskParam.size() >= 5 ? maskParam : L"DD.MM.YYYY";

  std::wstring startText;
  const bool table =
      counters::ReadStartText(engine, conn, params, mask_, EpochText(mask_), &startText, &error,
                              kFromCall, kFromCallText, kLastValue, kLastValueText);
  std::wstring borderText;
  counters::ReadStepParams(engine, params, table ? 1 : 0, kStepCall, kStepCallText, &step_, &unit_,
                           &borderText, &reuse_, &error);
  if (!borderText.empty())
    MaskStatic::ScanDate(borderText, mask_, &borderDay_, &borderMonth_, &borderYear_);

  ReadStart(startText);
  if (table && error.code == 0) Step(&start_);
  if (!Has(L"DMYHmS", std::wstring(1, unit_).c_str()) || unit_ == 0) {
    error.Set(kUnit, kUnitText);
    unit_ = L'D';
  }
  Reset();
  ready = 1;
  error.Report(errorText, errorCode);
}

void IncDateData::ReadStart(const std::wstring& text) {
  Fields f;
  f.year = f.month = f.day = 0;
  const std::size_t blank = mask_.find(L' ');
  if (!Has(mask_, L"HH")) {
    fourDigitYear_ = MaskStatic::ScanDate(text, mask_, &f.day, &f.month, &f.year);
  } else if (blank != std::wstring::npos && blank > 0) {
    fourDigitYear_ = MaskStatic::ScanDate(platform::Left(text, static_cast<long long>(blank)),
                                          mask_.substr(0, blank), &f.day, &f.month, &f.year);
    MaskStatic::ScanTime(platform::Mid(text, static_cast<long long>(blank) + 1),
                         mask_.substr(blank + 1), &f.hour, &f.minute, &f.second, &f.millisecond);
  } else {
    // Date and time run together ("YYYY-MM-DDTHH:mm:SS"): each reader takes its own tokens.
    fourDigitYear_ = MaskStatic::ScanDate(text, mask_, &f.day, &f.month, &f.year);
    MaskStatic::ScanTime(text, mask_, &f.hour, &f.minute, &f.second, &f.millisecond);
  }
  // A mask without a field leaves it unread; the date is still a real one.
  if (f.day < 1) f.day = 1;
  if (f.month < 1) f.month = 1;
  if (f.year < 1) f.year = 1970;
  Fields normal = f;
  start_ = Normalise(&normal) ? normal : Fields{};
  start_.millisecond = f.millisecond;
}

void IncDateData::Step(Fields* f) const {
  int64_t year = f->year, month = f->month, day = f->day;
  int64_t hour = f->hour, minute = f->minute, second = f->second;
  switch (unit_) {
    case L'D':
      day += step_;
      break;
    case L'M':
      month += step_;
      break;
    case L'Y':
      year += step_;
      break;
    case L'H':
      hour += step_;
      break;
    case L'm':
      minute += step_;
      break;
    case L'S':
      second += step_;
      break;
    default:
      return;
  }
  const bool inRange = Normalise(f, year, month, day, hour, minute, second);
  const bool pastBorder =
      borderYear_ > 0 &&
      (f->year > borderYear_ || (f->year == borderYear_ && f->month > borderMonth_) ||
       (f->year == borderYear_ && f->month == borderMonth_ && f->day > borderDay_));
  if (!inRange || pastBorder) {
    f->year = start_.year;
    f->month = start_.month;
    f->day = start_.day;
  }
}

std::wstring IncDateData::Render(const Fields& f) const {
  std::wstring t = mask_;
  if (Has(t, L"C")) t = platform::ReplaceAll(t, L"C", platform::FromInt(f.year / 100 - 19));
  if (fourDigitYear_)
    t = platform::ReplaceAll(t, L"YYYY", platform::Format(L"%04d", f.year));
  else
    t = platform::ReplaceAll(t, L"YY", platform::Format(L"%02d", f.year % 100));
  const struct {
    const wchar_t* token;
    int value;
  } twoDigits[] = {
      {L"MM", f.month}, {L"DD", f.day}, {L"HH", f.hour}, {L"mm", f.minute}, {L"SS", f.second}};
  for (const auto& field : twoDigits)
    if (Has(t, field.token))
      t = platform::ReplaceAll(t, field.token, platform::Format(L"%02d", field.value));
  if (Has(t, L"sss")) t = platform::ReplaceAll(t, L"sss", platform::Format(L"%03d", f.millisecond));
  if (Has(t, L"mon")) t = platform::ReplaceAll(t, L"mon", month_names::Lower(f.month));
  if (Has(t, L"MON")) t = platform::ReplaceAll(t, L"MON", month_names::Upper(f.month));
  return t;
}

std::wstring IncDateData::Value(std::wstring* format) {
  if (format) *format = mask_;
  if (reuse_.Repeat()) return last_;
  last_ = Render(current_);
  Step(&current_);
  return last_;
}

void IncDateData::Reset() {
  current_ = start_;
  reuse_.Restart();
}

IGenerator* MakeIncDateData(const GeneratorCall& call) {
  return new (std::nothrow)
      IncDateData(call.args, call.engine, call.connection, call.errorText, call.errorCode);
}
